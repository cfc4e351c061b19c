#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds todaysim and the plug-in (the app preset) and runs the main job: todaysim with its defaults (this
# machine's live network interfaces as the device's connections). Extra arguments go to
# todaysim.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh main
cmake --preset app
cmake --build --preset app

exec build/app/bin/todaysim "$@"
