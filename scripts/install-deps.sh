#!/usr/bin/env bash
# Installs what building and testing need on Debian 12; safe to run again.
set -euo pipefail
packages=(cmake make g++-mingw-w64-x86-64-posix wine64 googletest
          pulseaudio pulseaudio-utils xvfb xdotool openssl osslsigncode python3 binutils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
