#!/usr/bin/env bash
# Builds the two programs for shipping and gathers them with their SHA-256 sums:
#   scripts/release.sh [--pkcs12 FILE [--password-file FILE] [--timestamp URL]] [--out DIR]
# The folder is DIR/lumetta-helpers-VERSION (DIR defaults to release), VERSION
# read from the programs' version resource. With --pkcs12 both programs are
# signed (Authenticode, SHA-256) before they are summed; the certificate's
# password comes from --password-file or the environment variable
# SIGN_PASSWORD, never from a command line. --timestamp URL has each signature
# timestamped by that RFC 3161 server. A signed updater.exe runs only installers
# that carry a signature Windows trusts from a certificate with the same subject.
set -euo pipefail
usage() { sed -n 3p "$0" | sed 's/^#  */usage: /' >&2; exit 2; }
pkcs12='' password_file='' timestamp='' out=release
while (($#)); do
  (($# >= 2)) || usage
  case $1 in
    --pkcs12) pkcs12=$2 ;;
    --password-file) password_file=$2 ;;
    --timestamp) timestamp=$2 ;;
    --out) out=$2 ;;
    *) usage ;;
  esac
  shift 2
done
[ -n "$pkcs12" ] || [ -z "$password_file$timestamp" ] || usage
cd "$(dirname "$0")/.."
scripts/install-deps.sh release
[ -f build/release/CMakeCache.txt ] || cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
bin=build/release/bin
programs=(driver_setup.exe updater.exe)
version=$(strings -el "$bin/driver_setup.exe" | grep -A1 -x ProductVersion | tail -n 1)
[[ $version =~ ^[0-9]+(\.[0-9]+)+$ ]] || { echo "no version in the version resource of driver_setup.exe" >&2; exit 1; }
folder=$out/lumetta-helpers-$version
rm -rf "$folder" && mkdir -p "$folder"

# osslsigncode reads the password from a file; SIGN_PASSWORD reaches it through
# a pipe that only this shell (printf is a builtin) writes.
sign() {
  local args=(sign -pkcs12 "$pkcs12" -h sha256 -in "$bin/$1" -out "$folder/$1")
  [ -z "$timestamp" ] || args+=(-ts "$timestamp")
  if [ -n "$password_file" ]; then
    osslsigncode "${args[@]}" -readpass "$password_file" >/dev/null
  else
    osslsigncode "${args[@]}" -readpass <(printf '%s' "${SIGN_PASSWORD-}") >/dev/null
  fi
}
for program in "${programs[@]}"; do
  if [ -n "$pkcs12" ]; then sign "$program"; else cp "$bin/$program" "$folder/$program"; fi
done
(cd "$folder" && sha256sum "${programs[@]}" >SHA256SUMS)

echo "$folder"
if [ -z "$pkcs12" ]; then
  echo "unsigned: no code-signing certificate given (--pkcs12)"
elif [ -z "$timestamp" ]; then
  echo "signed (Authenticode, SHA-256), not timestamped: the signatures stop verifying when the certificate expires, and the signed updater.exe then runs no update"
else
  echo "signed (Authenticode, SHA-256), timestamped by $timestamp"
fi
# What the signature changes for the updater's users.
[ -z "$pkcs12" ] || echo "the signed updater.exe runs only installers that carry a signature Windows trusts from a certificate with this certificate's subject"
(cd "$folder" && for file in "${programs[@]}" SHA256SUMS; do printf '%9d  %s\n' "$(stat -c %s "$file")" "$file"; done)
