#!/usr/bin/env bash
# Builds everything and runs the whole suite under Wine; ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh tests
scripts/build.sh
ctest --preset windows
