#!/usr/bin/env bash
# updater.exe end to end under Wine: updater_e2e.sh quick|slow|signatures
# Each group makes a Wine world of its own (prefix, Xvfb) in WINE_STATE_DIR, so
# that the 30-second group runs beside the rest. Stand-ins play the application
# and the installer; the box answerer reads and closes every "Lumetta" message box.
source "$(dirname "$0")/../lib.sh"
group=$1
drive=$prefix/drive_c
boxes=$WORK_DIR/boxes.txt
scripts=$(dirname "$WINE_RUN_SCRIPT")

trap '"$scripts/wine-prefix.sh" down "$WINE_STATE_DIR"' EXIT
"$scripts/wine-prefix.sh" up "$WINE_STATE_DIR" || { echo "the Wine world did not start"; exit 1; }

wine_run() { "$WINE_RUN_SCRIPT" "$prefix" "$@"; }
# The C: name of a path below drive_c.
cpath() { local rel=${1#"$drive"/}; echo "C:\\${rel//\//\\}"; }

# A folder with the application and installer stand-ins; the installer ends
# with $2 and is a copy of $3 (by default the plain stand-in).
new_case() {
  case_name=$1
  case_dir=$drive/e2e/$1
  mkdir -p "$case_dir"
  cp "$APP_STANDIN" "$case_dir/Lumetta.exe"
  cp "${3:-$INSTALLER_STANDIN}" "$case_dir/LumettaSetup.exe"
  echo "${2:-0}" >"$case_dir/LumettaSetup.exe.code"
  digest=$(sha256sum "$case_dir/LumettaSetup.exe" | cut -d' ' -f1)
  app=$(cpath "$case_dir/Lumetta.exe")
  app_folder=${app%\\*}
  setup=$(cpath "$case_dir/LumettaSetup.exe")
}

# Starts a stand-in that keeps running for $2 ms; sets app_pid to its Windows process ID.
start_app() {
  rm -f "$1.pid"
  wine_run "$(cpath "$1")" --stay "$2" >/dev/null 2>&1 </dev/null &
  for _ in $(seq 300); do [ -s "$1.pid" ] && break; sleep 0.1; done
  app_pid=$(tr -d '\r\n' <"$1.pid")
}

# Runs updater.exe; sets code, seconds and shown (the texts of its boxes, joined by |).
run_updater() {
  local before start
  before=$(wc -l <"$boxes")
  start=$(date +%s%N)
  timeout 120 "$WINE_RUN_SCRIPT" "$prefix" "${updater_exe:-$UPDATER}" "$@" >/dev/null 2>&1 </dev/null
  code=$?
  seconds=$((($(date +%s%N) - start) / 1000000000))
  shown=$(tail -n +"$((before + 1))" "$boxes" | tr -d '\r' | paste -sd'|')
}

# The application's restarts, a "working folder|command line" line each. A
# restart may still be starting when updater.exe has ended: wait for it a little.
restarts() {
  local file
  for _ in $(seq 100); do
    file=$(find "$case_dir" -maxdepth 1 -iname 'lumetta.exe.starts' | head -1)
    [ -n "$file" ] && break
    sleep 0.1
  done
  [ -n "$file" ] && tr -d '\r' <"$file" | sed 's/^cwd=//; s/\tcmd=/|/'
}
installer_log() { tr -d '\r' <"$case_dir/LumettaSetup.exe.log" 2>/dev/null | paste -sd' '; }

# The file is held shared for reading only while the installer runs: the
# installer cannot write or delete it (32, a sharing violation; Wine alone
# answers 5 to deleting a running program).
installer_ran_held='args=/S write=refused 32 delete=refused 32'

never_restarted=()

refused() {
  local name=$1
  shift
  run_updater "$@"
  check "bad command line, $name: exit code" 2 "$code"
  check "bad command line, $name: messages" "" "$shown"
}

quick_cases() {
  new_case bad_command_lines
  refused "three arguments" "$setup" "$app" 0
  refused "five arguments" "$setup" "$app" 0 "$digest" more
  refused "letter after the ID" "$setup" "$app" 12a "$digest"
  refused "space after the ID" "$setup" "$app" "12 " "$digest"
  refused "update path of 3" a.e "$app" 0 "$digest"
  refused "application path of 3" "$setup" a.e 0 "$digest"
  refused "quote in update path" "${setup%.exe}\"x.exe" "$app" 0 "$digest"
  refused "quote in application path" "$setup" "${app%.exe}\"x.exe" 0 "$digest"
  check "bad command lines: installer run" "" "$(installer_log)"
  never_restarted+=("$case_dir")

  new_case another_program
  cp "$APP_STANDIN" "$case_dir/Other.exe"
  start_app "$case_dir/Other.exe" 20000
  run_updater "$setup" "$app" "$app_pid" "$digest"
  check "another program: exit code" 3 "$code"
  check "another program: messages" "" "$shown"
  check "another program: installer run" "" "$(installer_log)"
  never_restarted+=("$case_dir")

  new_case missing_update
  run_updater "$setup.missing" "$app" 0 "$digest"
  check "missing update: exit code" 5 "$code"
  check "missing update: messages" "" "$shown"
  check "missing update: restarts" "$app_folder|\"$app\"" "$(restarts)"

  new_case wrong_digest
  run_updater "$setup" "$app" 0 "${digest^^}"
  check "digest in upper case: exit code" 6 "$code"
  check "digest in upper case: messages" "The update could not be verified." "$shown"
  check "digest in upper case: installer run" "" "$(installer_log)"
  check "digest in upper case: restarts" "$app_folder|\"$app\"" "$(restarts)"

  new_case installer_ends_0 0
  run_updater "$setup" "$app" "" "$digest"
  check "installer ends with 0: exit code" 0 "$code"
  check "installer ends with 0: messages" "" "$shown"
  check "installer ends with 0: installer" "$installer_ran_held" "$(installer_log)"
  check "installer ends with 0: update file intact" "$digest" "$(sha256sum "$case_dir/LumettaSetup.exe" | cut -d' ' -f1)"
  check "installer ends with 0: restarts" "$app_folder|\"$app\"" "$(restarts)"

  new_case installer_ends_3010 3010
  run_updater "$setup" "$app" "" "$digest"
  check "installer ends with 3010: exit code" 0 "$code"
  check "installer ends with 3010: messages" "" "$shown"
  check "installer ends with 3010: restarts" 1 "$(restarts | wc -l)"

  # ERROR_SUCCESS_REBOOT_INITIATED: it succeeded and is restarting Windows.
  new_case installer_ends_1641 1641
  run_updater "$setup" "$app" "" "$digest"
  check "installer ends with 1641: exit code, messages, restarts" "0||1" "$code|$shown|$(restarts | wc -l)"

  new_case installer_ends_2 2
  run_updater "$setup" "$app" "" "$digest"
  check "installer ends with 2: exit code" 1 "$code"
  check "installer ends with 2: messages" "The update did not complete. Lumetta will reopen." "$shown"
  check "installer ends with 2: installer" "$installer_ran_held" "$(installer_log)"
  check "installer ends with 2: restarts" 1 "$(restarts | wc -l)"

  # Reached through a symbolic link to its folder, which Wine resolves as
  # Windows resolves junctions: the installer is started by the final path.
  new_case linked_folder
  ln -s "$case_dir" "$drive/e2e/link_to_linked_folder"
  run_updater "$(cpath "$drive/e2e/link_to_linked_folder/LumettaSetup.exe")" "$app" "" "$digest"
  check "update file through a link: exit code" 0 "$code"
  check "update file through a link: started by its final path" "$setup" "$(tr -d '\r' <"$case_dir/LumettaSetup.exe.path")"

  # Named with other letter case than its image, and ending about a second
  # after the updater starts: no 30-second wait.
  new_case application_ends_soon
  start_app "$case_dir/Lumetta.exe" 1000
  local shouted=${app^^}
  run_updater "$setup" "$shouted" "$app_pid" "$digest"
  check "application ends soon: exit code" 0 "$code"
  check "application ends soon: waited less than 10 s" 1 "$((seconds < 10))"
  check "application ends soon: installer" "$installer_ran_held" "$(installer_log)"
  check "application ends soon: restarts" "${shouted%\\*}|\"$shouted\"" "$(restarts)"
}

# The publisher check, in a world whose machine Root store trusts the test
# root: updater.exe unsigned and signed, against installer stand-ins signed in
# every way. The digest given is the stand-in's own: only the signature decides.
signatures_cases() {
  local pki=$WORK_DIR/pki variants=$WORK_DIR/variants
  local signer=$SOURCE_DIR/tests/tools/make_code_signer.sh
  mkdir -p "$variants"
  "$signer" "$pki" lumetta "Lumetta test"
  "$signer" "$pki" renewed "Lumetta test" lumetta  # the same subject with another key, as a renewal has
  "$signer" "$pki" other "Other publisher" lumetta
  "$signer" "$pki" stranger "Stranger"
  wine_run "$TRUST_TEST_ROOT" "$(winpath "$pki/lumetta_root.der")" >/dev/null 2>&1
  check "the test root is trusted" 0 "$?"
  sign() { osslsigncode sign -certs "$pki/$1_chain.pem" -key "$pki/$1_signer.key" -h sha256 -in "$2" -out "$3" >/dev/null; }
  cp "$UPDATER" "$variants/unsigned_updater.exe"
  sign lumetta "$UPDATER" "$variants/signed_updater.exe"
  sign stranger "$UPDATER" "$variants/untrusted_updater.exe"
  cp "$INSTALLER_STANDIN" "$variants/unsigned.exe"
  sign renewed "$INSTALLER_STANDIN" "$variants/same_subject.exe"
  sign other "$INSTALLER_STANDIN" "$variants/other_subject.exe"
  sign stranger "$INSTALLER_STANDIN" "$variants/untrusted_root.exe"
  # One byte of the DOS stub's text changed after signing: it still runs.
  cp "$variants/same_subject.exe" "$variants/tampered.exe"
  printf 'X' | dd of="$variants/tampered.exe" bs=1 seek=100 conv=notrunc status=none

  local updater installer expected outcome
  while read -r updater installer expected; do
    new_case "${updater}_${installer}" 0 "$variants/$installer.exe"
    updater_exe=$variants/${updater}_updater.exe run_updater "$setup" "$app" "" "$digest"
    outcome="0||$installer_ran_held|1"
    [ "$expected" == runs ] || outcome="6|The update could not be verified.||1"
    check "$updater updater, $installer installer" "$outcome" "$code|$shown|$(installer_log)|$(restarts | wc -l)"
  done <<'ROWS'
unsigned unsigned runs
unsigned same_subject runs
unsigned other_subject runs
unsigned untrusted_root runs
unsigned tampered runs
signed unsigned refused
signed same_subject runs
signed other_subject refused
signed untrusted_root refused
signed tampered refused
untrusted untrusted_root refused
ROWS
}

slow_cases() {
  new_case application_stays
  start_app "$case_dir/Lumetta.exe" 90000
  run_updater "$setup" "$app" "$app_pid" "$digest"
  check "application stays: exit code" 4 "$code"
  check "application stays: waited 30 s" 1 "$((seconds >= 29 && seconds < 60))"
  check "application stays: messages" "Close Lumetta before installing the update." "$shown"
  check "application stays: installer run" "" "$(installer_log)"
  never_restarted+=("$case_dir")
}

: >"$boxes"
stop=$WORK_DIR/stop-answering
wine_run "$BOX_ANSWERER" "$(winpath "$boxes")" "$(winpath "$stop")" >/dev/null 2>&1 </dev/null &
answerer=$!

"${group}_cases"

# A restart would come at once: a moment's wait lets a wrong one show.
sleep 2
for dir in "${never_restarted[@]}"; do
  check "${dir##*/}: restarts" "" "$(find "$dir" -maxdepth 1 -iname 'lumetta.exe.starts')"
done
touch "$stop"
wait "$answerer"
finish
