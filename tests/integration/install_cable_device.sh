#!/usr/bin/env bash
# The root cable device installation and its removal on Wine's own SetupAPI, in
# a prefix of its own so that no other test sees the devices it creates. Wine
# answers every installation call with success (the driver installation too,
# even without an INF file, and it stages no package in the driver store), runs
# every program as an administrator and lists every registered device as
# present: the refusals for rights, the removal after a failed installation,
# the deletion of a driver package and a device that is not present are shown
# by the unit tests only.
source "$(dirname "$0")/lib.sh"
prefix=$WORK_DIR/prefix
trap 'WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null' EXIT
WINEPREFIX=$prefix WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
bin=$(dirname "$DRIVER_SETUP")
build=$(dirname "$bin")
refusal="Close Rocksmith before installing the virtual audio driver; no device was changed"
cable_line=$'ROOT\\MEDIA\\0000\tVB-Audio Virtual Cable\tVBAudioVACWDM'

# start_program NAME: a copy of the idle stand-in under NAME, running until the prefix stops.
start_program() {
  local exe=$WORK_DIR/programs/$1
  mkdir -p "$WORK_DIR/programs" && cp "$bin/idle_stand_in.exe" "$exe"
  AUDIO=alsa "$WINE_RUN_SCRIPT" "$prefix" "$exe" 600000 >/dev/null 2>&1 &
  for _ in $(seq 100); do [ -f "$exe.started" ] && return; sleep 0.1; done
  echo "$1 did not start"
}
stop_programs() { WINEPREFIX=$prefix /usr/lib/wine/wineserver -k; wait; rm -rf "$WORK_DIR/programs"; }
install() { run_program alsa "$bin/install_cable.exe" "$(winpath "$WORK_DIR/payload")"; echo "$code $out"; }
devices() { run_program alsa "$MEDIA_DEVICES" list; tr -d '\r' <<<"$out"; }

# Programs whose names only contain a game's name do not block.
start_program MyRocksmith.exe
start_program Rocksmith.exe.exe
check "installs beside look-alike programs" "0 " "$(install)"
check "one root MEDIA device with the cable's description and hardware ID" "$cable_line" "$(devices)"
report=$WORK_DIR/report.json
run_program alsa "$DRIVER_SETUP" --probe "$(winpath "$report")"
check "the inventory sees the new device" 1 "$(grep -c '"existing_devices":1,' "$report")"

run_program alsa "$MEDIA_DEVICES" clear
for game in Rocksmith.exe ROCKSMITH2014.EXE; do
  start_program "$game"
  check "$game running: refused without a code" "1 $refusal" "$(install | tr -d '\r')"
  check "$game running: no device" "" "$(devices)"
  stop_programs
done

# The whole --install road: a build whose table matches the signed test payload, in
# this prefix once it trusts the test root. No cable endpoints appear under Wine,
# so the wait runs out its 30 s; the baseline (no audio card) needs no restore.
fixture=$build/tests/payload/fixture
run_program alsa "$bin/trust_test_root.exe" "$(winpath "$fixture/pki/trusted_root.der")"
check "test root trusted" 0 "$code"
cp -r "$fixture/payload" "$WORK_DIR/package"  # a copy: the build's package stays as generated
run_program alsa "$bin/driver_setup_testpayload.exe" --install "$(winpath "$WORK_DIR/package")" "$(winpath "$report")"
empty='["","","","","",""]'
check "--install: report" \
  "{\"status\":\"installed_restart_required\",\"error\":\"\",\"existing_devices\":0,\"defaults_before\":$empty,\"defaults_after\":$empty}" \
  "$(contents "$report")"
# A Unix exit status keeps only the low byte of Windows' 3010.
check "--install: exit code" $((3010 & 0xFF)) "$code"
check "--install: the cable device" "$cable_line" "$(devices)"

# --uninstall removes what --install marked, and nothing else. Beside the new
# cable: another product's (no mark) and one that an installation cut short
# before its driver left behind, marked and without a driver.
run_program alsa "$MEDIA_DEVICES" add VBAudioVACWDM
run_program alsa "$MEDIA_DEVICES" add --marked VBAudioVACWDM
check "three cable devices" 3 "$(devices | wc -l)"
others_line=$'ROOT\\MEDIA\\0001\ttest device\tVBAudioVACWDM'
final() { echo "{\"status\":\"$1\",\"error\":\"$2\",\"existing_devices\":$3,\"defaults_before\":$empty,\"defaults_after\":$empty}"; }
uninstall() { run_program alsa "$DRIVER_SETUP" --uninstall "$(winpath "$report")"; echo "$code $(contents "$report")"; }
# Wine's driver installation stages nothing in the driver store.
oem_infs() { find "$prefix/drive_c/windows/inf" -iname 'oem*.inf' | wc -l; }
check "no oem INF in Wine's INF folder" 0 "$(oem_infs)"

start_program Rocksmith2014.exe
check "--uninstall while the game runs: refused" \
  "1 $(final error "Close Rocksmith before removing the virtual audio driver; no device was changed" 3)" "$(uninstall)"
check "--uninstall while the game runs: no device removed" 3 "$(devices | wc -l)"
stop_programs

check "--uninstall" "0 $(final uninstalled "" 3)" "$(uninstall)"
check "--uninstall: another product's device is left" "$others_line" "$(devices)"
# Another product's cable, not started under Wine, is still refused as before.
run_program alsa "$DRIVER_SETUP" --install "$(winpath "$WORK_DIR/none")" "$(winpath "$report")"
check "--install beside another product's cable: refused" 1 \
  "$(grep -c '"error":"Existing VB-CABLE is disabled, disconnected or has a problem; no device was changed (Windows error [0-9]*)"' "$report")"
check "--uninstall again: nothing of ours" "0 $(final uninstalled "" 1)" "$(uninstall)"
check "--uninstall again: another product's device is left" "$others_line" "$(devices)"

# Two changing runs at once, as two processes: the --uninstall started while an
# --install runs waits for the machine lock until the --install has written
# its final report, then finds and removes what it installed.
run_program alsa "$MEDIA_DEVICES" clear
first=$WORK_DIR/first.json
AUDIO=alsa "$WINE_RUN_SCRIPT" "$prefix" "$bin/driver_setup_testpayload.exe" --install \
  "$(winpath "$WORK_DIR/package")" "$(winpath "$first")" >/dev/null 2>&1 &
installing=$!
for _ in $(seq 300); do grep -q '"status":"installing"' "$first" 2>/dev/null && break; sleep 0.1; done
check "the first run is installing" 1 "$(grep -c '"status":"installing"' "$first")"
check "--uninstall beside it: waits, then removes the new cable" "0 $(final uninstalled "" 1)" "$(uninstall)"
check "--install had ended before" 1 "$(grep -c '^{"status":"installed_restart_required"' "$first")"
wait "$installing"
check "no cable device left" "" "$(devices)"
finish
