#!/usr/bin/env bash
# Runs a Windows program under Wine in the test prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# AUDIO selects the audio world the program sees: alsa (default: no card, no
# server), none (no audio driver at all) or pulse (the suite's private server,
# or the one whose runtime folder PULSE_RUNTIME names). A server's runtime
# folder is a short one under /tmp: its socket must fit a Unix socket path.
set -eu
# Wine converts Unix file names by the locale: UTF-8, whatever the caller set.
export LC_ALL=C.UTF-8
prefix=$1; shift
export WINEPREFIX=$prefix WINEDEBUG=-all
state=$(dirname "$prefix")
[ -f "$state/display" ] && export DISPLAY=":$(cat "$state/display")"
case "${AUDIO:-alsa}" in
  none)  export WINEDLLOVERRIDES="winealsa.drv,winepulse.drv,wineoss.drv=d" ;;
  alsa)  mkdir -p "$state/no-audio-runtime"; chmod 700 "$state/no-audio-runtime"
         export XDG_RUNTIME_DIR="$state/no-audio-runtime" PULSE_SERVER=unix:/nonexistent ;;
  pulse) export XDG_RUNTIME_DIR="${PULSE_RUNTIME:-$(cat "$state/pulse-runtime" 2>/dev/null)}"; unset PULSE_SERVER ;;
esac
exec /usr/lib/wine/wine64 "$@"
