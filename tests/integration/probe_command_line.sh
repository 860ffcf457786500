#!/usr/bin/env bash
# driver_setup's command line and report path, end to end.
source "$(dirname "$0")/lib.sh"
empty='["","","","","",""]'
probe_report="{\"status\":\"probe\",\"error\":\"\",\"existing_devices\":0,\"defaults_before\":$empty,\"defaults_after\":$empty}"
invalid_report="{\"status\":\"error\",\"error\":\"Invalid arguments\",\"existing_devices\":0,\"defaults_before\":$empty,\"defaults_after\":$empty}"
report=$WORK_DIR/report.json
wreport=$(winpath "$report")

# Too few arguments: exit 2; a report path that is there already stays untouched.
printf 'old' >"$report" && touch -d '2001-01-01' "$report"
for args in "" "$wreport" "--probe"; do
  run_program alsa "$DRIVER_SETUP" $args
  check "too few arguments [$args]: exit" 2 "$code"
done
check "too few arguments: report untouched" "old 2001-01-01" "$(cat "$report") $(date -r "$report" +%F)"
rm -f "$report"
run_program alsa "$DRIVER_SETUP" --probe
check "too few arguments: no file named after the verb" "<missing>" "$(contents "$WORK_DIR/--probe")"

# Verbs match whole and by case; the report still carries the count and both snapshots.
for verb in --PROBE --Probe -probe --probe_ --probe- probe --prob; do
  run_program alsa "$DRIVER_SETUP" "$verb" "$wreport"
  check "verb $verb: exit" 1 "$code"
  check "verb $verb: report" "$invalid_report" "$(contents "$report")"
done
run_program pulse "$DRIVER_SETUP" --Probe "$wreport"
check "invalid verb with endpoints: snapshots present" 1 "$(grep -c '"defaults_before":\["{0.0.0' "$report")"

# Spare arguments of --probe are ignored; wrong counts of the other verbs are refused.
run_program alsa "$DRIVER_SETUP" --probe spare --install "$wreport"
check "probe with spare arguments" "0 $probe_report" "$code $(contents "$report")"
while read -r args; do
  run_program alsa "$DRIVER_SETUP" $args "$wreport"
  check "wrong count [$args]" "1 $invalid_report" "$code $(contents "$report")"
done <<'ARGS'
--install
--install a b
--verify
--verify a b
--restore 1 2 3 4 5
--restore 1 2 3 4 5 6 7
ARGS

# Report paths: nested missing folders, relative, a folder, a file as parent, non-ASCII.
run_program alsa "$DRIVER_SETUP" --probe "$(winpath "$WORK_DIR/a/b/c")\\report.json"
check "nested folders created" "0 $probe_report" "$code $(contents "$WORK_DIR/a/b/c/report.json")"
run_program alsa "$DRIVER_SETUP" --probe 'rel\sub/report.json'
check "relative path lands in the working folder" "0 $probe_report" "$code $(contents "$WORK_DIR/rel/sub/report.json")"
run_program alsa "$DRIVER_SETUP" --probe "$(winpath "$WORK_DIR/a")"
check "path naming a folder: exit" 1 "$code"
printf 'x' >"$WORK_DIR/plain"
run_program alsa "$DRIVER_SETUP" --probe "$(winpath "$WORK_DIR/plain")\\report.json"
check "parent is a file: exit and no report" "1 x" "$code $(cat "$WORK_DIR/plain")"
# A full disk (Linux's /dev/full): the report never reached the file, so the run fails.
run_program alsa "$DRIVER_SETUP" --probe 'Z:\dev\full'
check "disk full: exit" 1 "$code"
# Device paths end with an exit code, never a crash; NUL takes the report whole.
# (COM1 is left out: Wine maps it to the host's /dev/ttyS0, if there is one.)
for expected in '0 \\.\NUL' '0 //./NUL' '1 \\.\x'; do
  run_program alsa "$DRIVER_SETUP" --probe "${expected#* }"
  check "device path ${expected#* }: exit" "${expected%% *}" "$code"
done
# Drive-relative: drive C's current folder, which is its root here (the working folder is on Z:).
rm -f "$prefix/drive_c/probe_drive_relative.json"
run_program alsa "$DRIVER_SETUP" --probe 'C:probe_drive_relative.json'
check "drive-relative path" "0 $probe_report" "$code $(contents "$prefix/drive_c/probe_drive_relative.json")"
rm -f "$prefix/drive_c/probe_drive_relative.json"
name='r\u00e9p\u00f6rt-\u97f3\U0001F3B5.json'
run_program alsa "$DRIVER_SETUP" --probe "$(winpath "$WORK_DIR")\\$(printf "$name")"
check "non-ASCII path" "0 $probe_report" "$code $(contents "$WORK_DIR/$(printf "$name")")"

# driver_setup prints nothing (Wine's ALSA noise aside, so checked in the other two worlds).
for audio in none pulse; do
  run_program "$audio" "$DRIVER_SETUP" --bogus "$wreport"
  check "prints nothing ($audio)" "" "$out$err"
done
run_program alsa "$DRIVER_SETUP" --probe "$wreport"
check "prints nothing on standard output (alsa)" "" "$out"
finish
