#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the default preset and runs the main job: todaysim with its defaults (this
# machine's live network interfaces as the device's connections). Extra arguments go to
# todaysim.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default
cmake --build --preset default

exec build/default/bin/todaysim "$@"
