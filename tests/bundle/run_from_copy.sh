#!/usr/bin/env bash
# Runs a copy of the bundle, out of the build tree, as the hosted Windows job
# runs it: every unit test executable with GoogleTest's XML output, the kit
# plainly, then the kit with the test package, --install-cable and
# --change-defaults (which installs the cable and removes it again), a
# driver_setup built for the test package standing in for the kit's own. In a Wine world of its own whose machine Root store trusts the
# test root, as the job trusts it with certutil.
set -u
copy=$(mktemp -d /tmp/bundle.XXXXXX)
trap '"$WINE_PREFIX_SCRIPT" down "$STATE_DIR"; rm -rf "$copy"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { "$WINE_RUN_SCRIPT" "$STATE_DIR/prefix" "$@"; }
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

cp -r "$BUNDLE_DIR/." "$copy/" || fail "cannot copy the bundle"
fixture=$copy/$FIXTURE_IN_BUNDLE kit=$copy/kit out=$copy/out
# The build tree is still there while the copy runs: a path into it, baked in
# as UTF-8 or UTF-16 with either separator, would be followed unnoticed.
baked=$(python3 - "$SOURCE_DIR" "$BUILD_DIR" "$copy" <<'PY'
import pathlib, sys
needles = [form for folder in sys.argv[1:3] for form in
           (folder.encode(), folder.encode("utf-16-le"), folder.replace("/", "\\").encode("utf-16-le"))]
for path in pathlib.Path(sys.argv[3]).rglob("*"):
    if path.is_file() and any(needle in path.read_bytes() for needle in needles):
        print(path.name)
PY
)
[ -z "$baked" ] || fail "build-machine paths baked into: $baked"
"$WINE_PREFIX_SCRIPT" up "$STATE_DIR" || fail "the Wine world did not start"
run "$TRUST_TEST_ROOT" "$(windows_path "$fixture/pki/trusted_root.der")" >/dev/null || fail "the test root is not trusted"
mkdir -p "$out" && cd "$out" || fail "no output folder"  # no test may lean on the folder it starts in

for test in "$copy/$BIN_IN_BUNDLE"/*_tests.exe; do
  name=$(basename "$test" .exe) start=$SECONDS
  run "$test" --gtest_output="xml:$(windows_path "$out/$name.xml")" >"$name.log" 2>&1 || { cat "$name.log"; fail "$name"; }
  head -3 "$name.xml" | grep -q 'failures="0" disabled="0" errors="0"' || fail "$name: its XML does not say that all passed"
  # Only what Wine cannot show is skipped, and only on Windows.
  ! grep -q 'result="skipped"' "$name.xml" || fail "$name skipped a test under Wine"
  echo "$name: $(grep -c '<testcase ' "$name.xml") tests in $((SECONDS - start)) s"
done

start=$SECONDS
AUDIO=pulse WINEDLLOVERRIDES="$PLANTED_NAMES=n,b" run "$kit/windows_check.exe" >kit.txt 2>/dev/null
status=$?
cat kit.txt
((status == 0)) || fail "the kit, run plainly"
grep -q '^SKIP install_cable: ' kit.txt || fail "the kit installed the cable unasked"
grep -q '^SKIP uninstall_cable: removes only a cable that install_cable installed' kit.txt ||
  fail "the kit ran a removal unasked"
grep -q '^PASS console_windows: ' kit.txt || fail "the kit saw a console window, or none it could"
echo "the kit, plainly: $((SECONDS - start)) s"

start=$SECONDS
cp "$TEST_DRIVER" "$kit/driver_setup.exe" || fail "no test-package driver_setup"
AUDIO=pulse WINEDLLOVERRIDES="$PLANTED_NAMES=n,b" run "$kit/windows_check.exe" \
  --package "$(windows_path "$fixture/payload")" --install-cable --change-defaults >kit_cable.txt 2>/dev/null
status=$?
cat kit_cable.txt
((status == 0)) || fail "the kit with --install-cable"
grep -q '^PASS verify_package' kit_cable.txt || fail "the test package was not verified"
grep -q '^PASS install_cable: installed_restart_required, exit 3010; one cable device, not started' kit_cable.txt ||
  fail "the cable check did not pass as it must under Wine"
grep -q '^PASS uninstall_cable: uninstalled, exit 0; no cable device left' kit_cable.txt ||
  fail "the removal check did not pass as it must under Wine"
grep -q "^SKIP uninstall_cable_package: Wine's driver installation adds no oem INF" kit_cable.txt ||
  fail "the package check did not say why Wine cannot show it"
echo "the kit with --install-cable: $((SECONDS - start)) s"
