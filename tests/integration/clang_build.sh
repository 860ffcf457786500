#!/usr/bin/env bash
# The second compiler: clang builds both programs with the same warnings as
# errors, and its driver_setup.exe answers --probe under Wine (real endpoints).
source "$(dirname "$0")/lib.sh"
if ! (cd "$SOURCE_DIR" && cmake --preset windows-clang && cmake --build --preset windows-clang) >"$WORK_DIR/build.log" 2>&1; then
  cat "$WORK_DIR/build.log"
  check "clang builds both programs" built failed
fi
run_program pulse "$SOURCE_DIR/build/clang/bin/driver_setup.exe" --probe "$(winpath "$WORK_DIR/report.json")"
check "clang driver_setup.exe --probe: exit" 0 "$code"
beginning='{"status":"probe","error":"","existing_devices":0,"defaults_before":["{0.0.0.00000000}.'
check "clang driver_setup.exe --probe: report" "$beginning" "$(head -c ${#beginning} "$WORK_DIR/report.json")"
finish
