#!/usr/bin/env bash
# The main job: builds the two programs (not the tests), then runs
# "driver_setup.exe --probe" under Wine with a private PulseAudio server, and
# prints the report and the exit code.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --target driver_setup updater >/dev/null
state=$PWD/build/wine
trap 'scripts/wine-prefix.sh down "$state"' EXIT
scripts/wine-prefix.sh up "$state"
report=$state/prefix/drive_c/probe/report.json
rm -f "$report"
set +e
AUDIO=pulse scripts/wine-run.sh "$state/prefix" build/bin/driver_setup.exe --probe 'C:\probe\report.json'
code=$?
set -e
echo "report: $(cat "$report" 2>/dev/null || echo '(none)')"
echo "exit code: $code"
