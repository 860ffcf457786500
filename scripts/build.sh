#!/usr/bin/env bash
# Installs what is missing, then configures and builds: build.sh [--target NAME...]
# (everything, the tests included, when no target is named).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -f build/CMakeCache.txt ] || cmake --preset windows >/dev/null
cmake --build --preset windows "$@"
