#!/usr/bin/env bash
# Installs what is missing, then configures and builds both programs and the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[ -f build/CMakeCache.txt ] || cmake --preset windows >/dev/null
cmake --build --preset windows
