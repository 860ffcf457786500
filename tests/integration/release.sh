#!/usr/bin/env bash
# The release command, run from a copy of the sources in folders of other names:
# unsigned, its programs have the suite's own bytes; signed with a certificate
# made here, they verify against its root, give those bytes back without their
# signature, are refused by Windows' trust check under Wine until the root is
# trusted (in a prefix of this test's own) and accepted after, and still run.
source "$(dirname "$0")/lib.sh"
copy=$(mktemp -d /tmp/release-sources-XXXXXX)
world=$WORK_DIR/wine
trap '"$WINE_PREFIX_SCRIPT" down "$world"; rm -rf "$copy"' EXIT
tar -C "$SOURCE_DIR" --exclude=./build --exclude=./.git --exclude=./release -cf - . | tar -C "$copy" -xf -
programs=("$DRIVER_SETUP" "$UPDATER")
version=$(sed -n 's/^project(.* VERSION \([0-9.]*\).*/\1/p' "$SOURCE_DIR/CMakeLists.txt")
folder=$WORK_DIR/out/lumetta-helpers-$version
same_bytes() { cmp -s "$1" "$2" && echo same || echo different; }

said=$("$copy/scripts/release.sh" --out "$WORK_DIR/out")
check "the release says it is unsigned" 1 "$(grep -c '^unsigned: ' <<<"$said")"
check "the release folder" "SHA256SUMS driver_setup.exe updater.exe" "$(cd "$folder" && echo *)"
for program in "${programs[@]}"; do
  check "unsigned ${program##*/}: the suite's bytes" same "$(same_bytes "$folder/${program##*/}" "$program")"
done

# A throw-away root and code-signing certificate, in a PKCS#12 file.
pki=$WORK_DIR/pki
"$SOURCE_DIR/tests/tools/make_code_signer.sh" "$pki" release "Release test"
openssl pkcs12 -export -inkey "$pki/release_signer.key" -in "$pki/release_signer.pem" -certfile "$pki/release_root.pem" \
  -passout pass:throw-away -out "$pki/release.p12"

said=$(SIGN_PASSWORD=throw-away "$copy/scripts/release.sh" --pkcs12 "$pki/release.p12" --out "$WORK_DIR/out")
check "the release says it is signed" 1 "$(grep -c '^signed (Authenticode, SHA-256)' <<<"$said")"
check "the release says what the signed updater runs" 1 "$(grep -c '^the signed updater.exe runs only installers' <<<"$said")"
check "SHA256SUMS verifies" ok "$(cd "$folder" && sha256sum --quiet -c SHA256SUMS && echo ok)"
for program in "${programs[@]}"; do
  name=${program##*/}
  osslsigncode verify -CAfile "$pki/release_root.pem" -in "$folder/$name" >"$WORK_DIR/$name.verify" 2>&1
  check "$name: signature verifies against the test root" 0 $?
  check "$name: SHA-256 digest" 1 "$(grep -m1 -c 'Message digest algorithm *: SHA256' "$WORK_DIR/$name.verify")"
  osslsigncode remove-signature -in "$folder/$name" -out "$WORK_DIR/$name.unsigned" >/dev/null
  check "$name without its signature: the suite's bytes" same "$(same_bytes "$WORK_DIR/$name.unsigned" "$program")"
done

"$WINE_PREFIX_SCRIPT" up "$world" || exit 1
prefix=$world/prefix
verdicts() {
  local name
  for name in driver_setup.exe updater.exe; do
    run_program alsa "$SIGNATURE_VERDICT" "$(winpath "$folder/$name")"
    printf '%s ' "${out%$'\r'}"
  done
}
# CERT_E_UNTRUSTEDROOT: a chain that ends in a root this machine does not trust.
check "WinVerifyTrust before the root is trusted" "0x800b0109 0x800b0109 " "$(verdicts)"
run_program alsa "$TRUST_TEST_ROOT" "$(winpath "$pki/release_root.der")"
# The tool's own words on a failure, which is otherwise seen only as its code.
check "the test root is trusted" 0 "$code$( ((code)) && echo ": $out")"
check "WinVerifyTrust once it is" "0x00000000 0x00000000 " "$(verdicts)"

run_program alsa "$folder/driver_setup.exe" --probe "$(winpath "$WORK_DIR/probe.json")"
beginning='{"status":"probe","error":"",'
check "the signed driver_setup.exe answers --probe" "0 $beginning" "$code $(head -c ${#beginning} "$WORK_DIR/probe.json")"
finish
