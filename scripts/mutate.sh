#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A full mutation pass over the plug-in's folders: rewrites tools/mutate/baseline.txt (the
# survivors and the figures; commit it) and tools/mutate/report.md. Takes most of an hour on
# a 2-core machine. Arguments go to tools/mutate/mutate.py run (--jobs N, --matrix, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
exec /usr/bin/python3 tools/mutate/mutate.py run --report-dir tools/mutate "$@"
