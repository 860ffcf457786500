#!/usr/bin/env bash
# Installs what is missing on Debian 12; safe to run again:
#   install-deps.sh [tests] [release]
# Always what building and running the programs under Wine need; "tests" adds
# the test tools and the second compiler, "release" the signing tool.
set -euo pipefail
tests=0
packages=(cmake make g++-mingw-w64-x86-64-posix binutils wine64 googletest pulseaudio pulseaudio-utils xvfb xdotool)
for extra in "$@"; do
  case $extra in
    tests) packages+=(openssl osslsigncode python3 python3-jsonschema clang-16 lld-16 gcovr); tests=1 ;;
    release) packages+=(osslsigncode) ;;
    *) echo "install-deps.sh: unknown group $extra" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The workflow's validator (tests) runs on Node: Debian's, unless a node is there already.
((tests)) && ! command -v npm >/dev/null && missing+=(nodejs npm)
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Pinned; its schema is bundled, so checking needs no network.
validator=(@action-validator/cli@0.6.0 @action-validator/core@0.6.0)
if ((tests)) && ! npm ls -g "${validator[@]}" >/dev/null 2>&1; then
  echo "Installing: ${validator[*]}"
  npm install -g --no-audit --no-fund "${validator[@]}" >/dev/null
fi
