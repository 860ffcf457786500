#!/usr/bin/env bash
# Builds and runs the hashing benchmark under Wine in a prefix of its own
# (build/bench-wine): speed on 256 MiB, then peak memory for 1 MiB and 256 MiB.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
[ -f "$build/CMakeCache.txt" ] || cmake --preset windows >/dev/null
cmake --build "$build" --target payload_hash_bench >/dev/null
state=$PWD/$build/bench-wine data=$PWD/$build/bench-wine/data
mkdir -p "$data"
bench() { scripts/wine-run.sh "$state/prefix" "$build/bin/payload_hash_bench.exe" "$@" 2>/dev/null; }
bench time "Z:$data"
echo "1 MiB:   $(bench peak "Z:$data/bench_1m.bin")"
echo "256 MiB: $(bench peak "Z:$data/bench_256m.bin")"
rm -f "$data"/bench_*.bin
