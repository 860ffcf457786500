#!/usr/bin/env bash
# Both programs beside DLLs named like the libraries that they and the system
# components they use load, with Wine told to take a DLL of those names from
# the program's folder first, as Windows does for every library that is not a
# known DLL. Nothing may be loaded from there, and every answer must be the
# one the programs give without the planted DLLs.
source "$(dirname "$0")/lib.sh"
# PLANTED_NAMES: the libraries' names, separated by commas.
overrides="$PLANTED_NAMES=n,b"
beside=$WORK_DIR/beside
mkdir -p "$beside"
for name in ${PLANTED_NAMES//,/ }; do cp "$PLANTED_LIBRARY" "$beside/$name.dll"; done
cp "$DRIVER_SETUP" "$TEST_DRIVER" "$TEST_DRIVER_UNTRUSTED" "$UPDATER" "$beside/"

# same NAME EXIT AUDIO PROGRAM ARGS...: driver_setup from the build and from
# beside the plants, each with a report of its own; the answers must be equal.
same() {
  local name=$1 exit=$2 audio=$3 program=$4
  shift 4
  run_program "$audio" "$program" "$@" "$(winpath "$WORK_DIR/$name.json")"
  check "$name: exit code" "$exit" "$code"
  local plain="$code $(contents "$WORK_DIR/$name.json")"
  WINEDLLOVERRIDES=$overrides run_program "$audio" "$beside/${program##*/}" "$@" "$(winpath "$WORK_DIR/$name.beside.json")"
  check "$name: same answer beside the plants" "$plain" "$code $(contents "$WORK_DIR/$name.beside.json")"
}

same probe 0 pulse "$DRIVER_SETUP" --probe
# The test builds' tables match the generated payload: the digests pass, then
# the catalog goes through Windows' trust check, trusted or not.
cp -r "$FIXTURE/payload" "$WORK_DIR/package"  # copies: the build's package stays as generated
same verify 0 alsa "$TEST_DRIVER" --verify "$(winpath "$WORK_DIR/package")"
cp -r "$FIXTURE/payload" "$WORK_DIR/untrusted"
cp "$FIXTURE/catalogs/untrusted.cat" "$WORK_DIR/untrusted/vbaudio_cable64_win10.cat"
same install_untrusted 1 alsa "$TEST_DRIVER_UNTRUSTED" --install "$(winpath "$WORK_DIR/untrusted")"

# The updater: a whole update, and the message box of a wrong digest.
drive=$prefix/drive_c/beside_update
mkdir -p "$drive"
cp "$APP_STANDIN" "$drive/Lumetta.exe"
cp "$INSTALLER_STANDIN" "$drive/LumettaSetup.exe"
digest=$(sha256sum "$drive/LumettaSetup.exe" | cut -d' ' -f1)
boxes=$WORK_DIR/boxes.txt stop=$WORK_DIR/stop
: >"$boxes"
"$WINE_RUN_SCRIPT" "$prefix" "$BOX_ANSWERER" "$(winpath "$boxes")" "$(winpath "$stop")" >/dev/null 2>&1 </dev/null &
answerer=$!
update() {
  rm -f "$drive/Lumetta.exe.starts"
  WINEDLLOVERRIDES=$overrides run_program alsa "$beside/updater.exe" \
    'C:\beside_update\LumettaSetup.exe' 'C:\beside_update\Lumetta.exe' "" "$1"
  for _ in $(seq 100); do [ -f "$drive/Lumetta.exe.starts" ] && break; sleep 0.1; done
}
update "$digest"
check "update: exit code, installer, restart" "0 args=/S 1" \
  "$code $(tr -d '\r' <"$drive/LumettaSetup.exe.log" | head -1) $(grep -c . "$drive/Lumetta.exe.starts")"
update "${digest^^}"
check "wrong digest: exit code, message, restart" "6 The update could not be verified. 1" \
  "$code $(tr -d '\r' <"$boxes") $(grep -c . "$drive/Lumetta.exe.starts")"
# A system library that is missing fails the step that needs it, as its first
# call failing would: here Wine is told that bcrypt does not exist.
WINEDLLOVERRIDES=bcrypt=d run_program alsa "$DRIVER_SETUP" --verify "$(winpath "$WORK_DIR/package")" "$(winpath "$WORK_DIR/no_bcrypt.json")"
check "no bcrypt: --verify" '1 {"status":"error","error":"SHA256 unavailable"' \
  "$code $(contents "$WORK_DIR/no_bcrypt.json" | sed 's/,"existing_devices".*//')"
: >"$boxes"
WINEDLLOVERRIDES=bcrypt=d run_program alsa "$UPDATER" 'C:\beside_update\LumettaSetup.exe' 'C:\beside_update\Lumetta.exe' "" "$digest"
check "no bcrypt: update not verified" "6 The update could not be verified." "$code $(tr -d '\r' <"$boxes")"
touch "$stop"
wait "$answerer"

check "nothing loaded from beside the programs" "" "$(cat "$beside"/*.loaded 2>/dev/null)"
finish
