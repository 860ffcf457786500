#!/usr/bin/env bash
# Makes or tears down the test run's Wine world: wine-prefix.sh up|down STATE_DIR
# up: a fresh prefix (STATE_DIR/prefix), Xvfb on a free display, a PulseAudio
#     server with null sinks; down: stops all of them by pid or by prefix.
set -u
cmd=$1 state=$2
prefix=$state/prefix
export WINEPREFIX=$prefix WINEDEBUG=-all
stop_pid() { [ -f "$1" ] && kill "$(cat "$1")" 2>/dev/null; rm -f "$1"; }

down() {
  /usr/lib/wine/wineserver -k 2>/dev/null
  stop_pid "$state/pulse.pid"
  stop_pid "$state/xvfb.pid"
  rm -f "$state/display"
}

up() {
  down
  rm -rf "$prefix" "$state/pulse-runtime" && mkdir -p "$state"
  # Wine's desktop keeps the display it started with: X comes first.
  Xvfb -displayfd 1 -nolisten tcp -screen 0 1024x768x24 >"$state/display.out" 2>/dev/null &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 100); do [ -s "$state/display.out" ] && break; sleep 0.1; done
  tr -d '\n' <"$state/display.out" >"$state/display"
  mkdir -m 700 "$state/pulse-runtime"
  XDG_RUNTIME_DIR=$state/pulse-runtime pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --disallow-exit -L module-native-protocol-unix \
    -L "module-null-sink sink_name=spk sink_properties=device.description=Speakers" \
    -L "module-null-sink sink_name=cab sink_properties=device.description=Headphones" \
    >"$state/pulse.log" 2>&1 &
  echo $! >"$state/pulse.pid"
  DISPLAY=":$(cat "$state/display")" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || exit 1
  # A crashing program must end at once with its exception code, not start a
  # debugger. Only the Debugger value goes: without the whole AeDebug key Wine
  # still starts winedbg, which holds the crashed program until a time-out.
  /usr/lib/wine/wine64 reg.exe delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1
  /usr/lib/wine/wine64 reg.exe add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  for _ in $(seq 50); do [ -S "$state/pulse-runtime/pulse/native" ] && return 0; sleep 0.1; done
  echo "PulseAudio did not start: $(cat "$state/pulse.log")" >&2; exit 1
}

"$cmd"
