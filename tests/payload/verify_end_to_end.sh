#!/usr/bin/env bash
# driver_setup --verify end to end, in the prefix whose Root store trusts the
# test root. The test-only builds carry the manifest of the generated payload
# (FIXTURE/payload), with the trusted or the untrusted test catalog in the
# catalog row; the product build carries the real table.
source "$(dirname "$0")/../integration/lib.sh"
hash_mismatch="Driver payload hash mismatch"
unreadable="Cannot hash driver payload"
untrusted="VB-CABLE catalog signature is not trusted"

# fresh NAME: a copy of the generated payload at $WORK_DIR/NAME.
fresh() { cp -r "$FIXTURE/payload" "$WORK_DIR/$1"; }

# verify NAME PROGRAM FOLDER_TEXT EXPECTED_ERROR [CURRENT_DIR]: an empty expected
# error means "verified" and exit 0, any other means "error" and exit 1.
verify() {
  local name=$1 program=$2 folder=$3 error=$4 cwd=${5:-$WORK_DIR}
  local report=$WORK_DIR/${name//[^a-z]/_}.json expected
  if [ -z "$error" ]; then expected='0 {"status":"verified","error":""'; else expected="1 {\"status\":\"error\",\"error\":\"$error\""; fi
  WORK_DIR=$cwd run_program alsa "$program" --verify "$folder" "$(winpath "$report")"
  check "$name" "$expected" "$code $(contents "$report" | sed 's/,"existing_devices".*//')"
}

fresh good
good=$(winpath "$WORK_DIR/good")
verify "unchanged payload" "$TEST_DRIVER" "$good" ""

fresh extras && echo extra >"$WORK_DIR/extras/extra.dll" && mkdir -p "$WORK_DIR/extras/sub/deeper" &&
  cp "$WORK_DIR/extras/readme.txt" "$WORK_DIR/extras/sub/"
verify "extra files and subfolders are ignored" "$TEST_DRIVER" "$(winpath "$WORK_DIR/extras")" ""

fresh missing && rm "$WORK_DIR/missing/vbaudio_cable_xp.sys"
verify "missing last file" "$TEST_DRIVER" "$(winpath "$WORK_DIR/missing")" "$unreadable"

fresh changed && printf '\0' >>"$WORK_DIR/changed/vbMmeCable64_win10.inf"
verify "one byte added" "$TEST_DRIVER" "$(winpath "$WORK_DIR/changed")" "$hash_mismatch"

fresh emptied && : >"$WORK_DIR/emptied/pin_in.ico"
verify "zero-length file" "$TEST_DRIVER" "$(winpath "$WORK_DIR/emptied")" "$hash_mismatch"

fresh first_decides && echo wrong >"$WORK_DIR/first_decides/VBCABLE_ControlPanel.exe" &&
  rm "$WORK_DIR/first_decides/vbaudio_cable_xp.sys"
verify "first row wrong, a later one missing" "$TEST_DRIVER" "$(winpath "$WORK_DIR/first_decides")" "$hash_mismatch"

fresh folder_in_place && rm "$WORK_DIR/folder_in_place/readme.txt" && mkdir "$WORK_DIR/folder_in_place/readme.txt"
verify "folder in place of a file" "$TEST_DRIVER" "$(winpath "$WORK_DIR/folder_in_place")" "$unreadable"

# The untrusted build's catalog row names the catalog signed under a root the prefix does not trust.
fresh untrusted && cp "$FIXTURE/catalogs/untrusted.cat" "$WORK_DIR/untrusted/vbaudio_cable64_win10.cat"
verify "untrusted catalog" "$TEST_DRIVER_UNTRUSTED" "$(winpath "$WORK_DIR/untrusted")" "$untrusted"
echo changed >>"$WORK_DIR/untrusted/vbaudio_cable64_win10.sys"
verify "wrong file and untrusted catalog" "$TEST_DRIVER_UNTRUSTED" "$(winpath "$WORK_DIR/untrusted")" "$hash_mismatch"

# Spellings of the same folder; an empty text and a bare drive mean the current directory.
verify "trailing backslash" "$TEST_DRIVER" "$good\\" ""
verify "trailing slash" "$TEST_DRIVER" "$good/" ""
verify "forward slashes" "$TEST_DRIVER" "${good//\\//}" ""
verify "empty folder text" "$TEST_DRIVER" "" "" "$WORK_DIR/good"
verify "bare drive" "$TEST_DRIVER" "Z:" "" "$WORK_DIR/good"
verify "empty folder text elsewhere" "$TEST_DRIVER" "" "$unreadable"

# The product's own table: generated files are not the package, a missing folder is unreadable.
verify "product build, other contents" "$DRIVER_SETUP" "$good" "$hash_mismatch"
verify "product build, missing folder" "$DRIVER_SETUP" "$(winpath "$WORK_DIR/not_there")" "$unreadable"

# --install checks the folder first: no installing form is written, the final report says why.
install_report=$WORK_DIR/install/report.json
run_program alsa "$DRIVER_SETUP" --install "$good" "$(winpath "$install_report")"
check "install from an unverified folder" "1 {\"status\":\"error\",\"error\":\"$hash_mismatch\",\"existing_devices\":0" \
  "$code $(contents "$install_report" | sed 's/,"defaults_before".*//')"

finish
