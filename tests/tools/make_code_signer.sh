#!/usr/bin/env bash
# Makes a throw-away code-signing pair: make_code_signer.sh DIR NAME SUBJECT [ROOT]
#   DIR/NAME_root.{key,pem,der}  a self-signed root "SUBJECT root"
#   DIR/NAME_signer.{key,pem}    a code-signing certificate "SUBJECT signer" under it
#   DIR/NAME_chain.pem           the signer, then the root
# With ROOT, the NAME of an earlier pair in DIR, no root is made: the signer
# (a new key) is issued under that pair's root.
# The signer is signed with SHA-1: Wine 8 reads a signer's signature hash into
# a 20-byte buffer, and on a longer hash it skips the chain policy and reports
# trust, so only a SHA-1 signer makes Wine's trust check mean something.
set -euo pipefail
dir=$1 name=$2 subject=$3 root=$dir/${4:-$2}_root
mkdir -p "$dir"
cnf=$dir/openssl.cnf
cat >"$cnf" <<'CNF'
[req]
distinguished_name = dn
[dn]
[root]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF
base=$dir/$name
if [ $# -lt 4 ]; then
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$subject root" \
    -config "$cnf" -extensions root -keyout "${base}_root.key" -out "${base}_root.pem" 2>/dev/null
  openssl x509 -in "${base}_root.pem" -outform DER -out "${base}_root.der"
fi
openssl req -new -newkey rsa:2048 -nodes -subj "/CN=$subject signer" \
  -config "$cnf" -keyout "${base}_signer.key" -out "${base}_signer.csr" 2>/dev/null
openssl x509 -req -sha1 -days 3650 -in "${base}_signer.csr" -CA "${root}.pem" \
  -CAkey "${root}.key" -CAcreateserial -extfile "$cnf" -extensions signer \
  -out "${base}_signer.pem" 2>/dev/null
cat "${base}_signer.pem" "${root}.pem" >"${base}_chain.pem"
