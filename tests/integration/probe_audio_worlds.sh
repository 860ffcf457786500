#!/usr/bin/env bash
# driver_setup --probe in the three audio worlds that Wine can give.
source "$(dirname "$0")/lib.sh"
empty='["","","","","",""]'
report=$WORK_DIR/report.json

# No audio driver: the enumerator cannot be created, before or after.
run_program none "$DRIVER_SETUP" --probe "$(winpath "$report")"
check "no driver: exit" 1 "$code"
check "no driver: report" \
  "{\"status\":\"error\",\"error\":\"Cannot enumerate default audio endpoints\",\"existing_devices\":0,\"defaults_before\":$empty,\"defaults_after\":" \
  "$(contents "$report")"

# ALSA without a card: every default is missing, which is no error.
run_program alsa "$DRIVER_SETUP" --probe "$(winpath "$report")"
check "no card: exit" 0 "$code"
check "no card: exact bytes" \
  "{\"status\":\"probe\",\"error\":\"\",\"existing_devices\":0,\"defaults_before\":$empty,\"defaults_after\":$empty}" \
  "$(contents "$report")"
check "no card: no line break at the end" "7d" "$(tail -c1 "$report" | od -An -tx1 | tr -d ' ')"

# A PulseAudio server with null sinks: real endpoint identities, unchanged by a probe.
run_program pulse "$DRIVER_SETUP" --probe "$(winpath "$report")"
check "pulse: exit" 0 "$code"
check "pulse: prints nothing" "" "$out$err"
verdict=$(python3 - "$report" <<'PY'
import json, re, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
render = re.compile(r"^\{0\.0\.0\.00000000\}\.\{[0-9A-F-]{36}\}$")
capture = re.compile(r"^\{0\.0\.1\.00000000\}\.\{[0-9A-F-]{36}\}$")
before = r["defaults_before"]
problems = []
if list(r) != ["status", "error", "existing_devices", "defaults_before", "defaults_after"]: problems.append("keys")
if r["status"] != "probe" or r["error"] != "" or r["existing_devices"] != 0: problems.append("status")
if not all(render.match(s) for s in before[:3]): problems.append("render slots %r" % before[:3])
if not all(capture.match(s) for s in before[3:]): problems.append("capture slots %r" % before[3:])
if len(set(before[:3])) != 1: problems.append("one device is the default for all render roles")
if r["defaults_after"] != before: problems.append("after differs from before")
print("; ".join(problems) or "ok")
PY
)
check "pulse: endpoint identities" ok "$verdict"
finish
