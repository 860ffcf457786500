#!/usr/bin/env bash
# driver_setup's device inventory against devices registered in a prefix of its own,
# so that no other test sees them.
source "$(dirname "$0")/lib.sh"
prefix=$WORK_DIR/prefix
trap 'WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null' EXIT
WINEPREFIX=$prefix WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
report=$WORK_DIR/report.json
wreport=$(winpath "$report")

devices_seen() {
  run_program alsa "$DRIVER_SETUP" --probe "$wreport"
  echo "$code $(sed -n 's/.*"existing_devices":\([0-9]*\).*/\1/p' "$report")"
}
add() { run_program alsa "$MEDIA_DEVICES" add "$@"; check "register [$*]" "0" "$code$err"; }

for ids in 'ROOT\VBAudioVACWDM' 'VBAudioVACWDM1' 'VBAudioVACWD' 'XVBAudioVACWDM' 'VBAudio VACWDM'; do
  add "$ids"
done
add "other" "other2"
check "look-alike hardware IDs are not the cable" "0 0" "$(devices_seen)"

add "SomethingElse" "vbaudiovacwdm"
check "the ID as a later entry, in another case" "0 1" "$(devices_seen)"

# A registered device that Wine never starts: listed, but not reusable.
run_program alsa "$DRIVER_SETUP" --install "$(winpath "$WORK_DIR/none")" "$wreport"
check "install refuses a cable that is not started: exit" 1 "$code"
check "install refuses a cable that is not started: message" 1 \
  "$(grep -c '"error":"Existing VB-CABLE is disabled, disconnected or has a problem; no device was changed (Windows error [0-9]*)"' "$report")"

add "VBAUDIOVACWDM"
check "two cables" "0 2" "$(devices_seen)"

run_program alsa "$MEDIA_DEVICES" clear
check "devices removed" "0 0" "$(devices_seen)"
finish
