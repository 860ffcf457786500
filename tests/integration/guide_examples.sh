#!/usr/bin/env bash
# The examples of docs/integration.md: the guide's C++ is their source word for
# word, and they start the real programs under Wine as the application would.
source "$(dirname "$0")/lib.sh"
bin=$(dirname "$DRIVER_SETUP")
examples=$SOURCE_DIR/docs/examples
# said EXPECTED: as many characters of the example's output, lines joined by |.
said() { tr -d '\r' <<<"$out" | head -c "${#1}" | paste -sd'|'; }

# Each C++ block of the guide stands, whole, in one example file.
quoted=$(python3 - "$SOURCE_DIR/docs/integration.md" "$examples"/* <<'PY'
import re, sys
blocks = re.findall(r"```cpp\n(.*?)```", open(sys.argv[1], encoding="utf-8").read(), re.S)
sources = [open(name, encoding="utf-8").read() for name in sys.argv[2:]]
print(len(blocks), *[b.splitlines()[0] for b in blocks if not any(b in s for s in sources)], sep="\n")
PY
)
check "the guide quotes its examples verbatim" "8" "$quoted"

# Not elevated and without a console: a relative report path is made absolute.
run_program alsa "$bin/guide_start_driver_setup.exe" "$(winpath "$DRIVER_SETUP")" --probe 'reports\probe.json'
expected='exit 0|report {"status":"probe","error":""'
check "--probe: exit code and report" "$expected" "$(said "$expected")"
check "--probe: the report's place" 1 "$(grep -c '"status":"probe"' "$WORK_DIR/reports/probe.json")"

# --install as the user, with spaces in both paths and a folder that ends in a
# backslash: quoted wrongly, driver_setup would count other arguments
# ("Invalid arguments"). Any answer but the rights error ends it there.
run_program alsa "$bin/guide_start_driver_setup.exe" "$(winpath "$DRIVER_SETUP")" --install \
  "$(winpath "$WORK_DIR/no package")\\" "$(winpath "$WORK_DIR/new reports/install.json")"
expected='exit 1|report {"status":"error","error":"Cannot hash driver payload",'
check "--install as the user: exit code and error" "$expected" "$(said "$expected")"

# Wine grants every process the rights, so a stand-in answers the rights error
# to the start without a console and installs when started elevated.
stand_in=$WORK_DIR/stand-in/driver_setup.exe
mkdir -p "$WORK_DIR/stand-in" "$WORK_DIR/package" && cp "$bin/elevation_stand_in.exe" "$stand_in"
for package in missing package; do
  run_program alsa "$bin/guide_start_driver_setup.exe" "$(winpath "$stand_in")" --install \
    "$(winpath "$WORK_DIR/$package")" "$(winpath "$WORK_DIR/reports/$package.json")"
done
check "--install elevated only after the rights error, hidden" \
  "show=none console=no|show=none console=no|show=0 console=yes" "$(tr -d '\r' <"$stand_in.starts" | paste -sd'|')"
expected='exit 3010|report {"status":"installed_restart_required","error":"",'
check "--install elevated: exit code and report" "$expected" "$(said "$expected")"

# The updater example hands its own process over and ends; the updater copy
# waits for it, checks the installer against the digest given in upper case,
# and runs it with /S: the image path matched, or it would have ended with 3.
download=$WORK_DIR/download
mkdir -p "$download" && cp "$bin/updater_installer_standin.exe" "$download/LumettaSetup.exe"
digest=$(sha256sum "$download/LumettaSetup.exe" | cut -d' ' -f1)
run_program alsa "$bin/guide_start_updater.exe" "$(winpath "$UPDATER")" "$(winpath "$download/LumettaSetup.exe")" "${digest^^}"
check "updater example: exit code" 0 "$code"
for _ in $(seq 200); do [ -f "$download/LumettaSetup.exe.log" ] && break; sleep 0.1; done
check "the installer ran with /S" "args=/S" "$(tr -d '\r' <"$download/LumettaSetup.exe.log" 2>/dev/null | head -1)"
check "updater.exe ran from the download folder" yes "$([ -f "$download/updater.exe" ] && echo yes)"
finish
