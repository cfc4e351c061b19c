#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the test preset (ASan + UBSan) and runs every test, then the Wine tier (the Win32
# build under Wine, compared with the simulated device).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset test
cmake --build --preset test
ctest --preset test "$@"
scripts/win32-test.sh "$@"
