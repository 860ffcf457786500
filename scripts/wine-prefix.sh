#!/usr/bin/env bash
# Makes or tears down the test run's Wine world: wine-prefix.sh up|down STATE_DIR
# up: a fresh prefix (STATE_DIR/prefix), Xvfb on a free display, a PulseAudio
#     server with null sinks; down: stops all of them by pid or by prefix.
# PulseAudio's runtime folder (its socket) is a short folder under /tmp, named
# in STATE_DIR/pulse-runtime: a Unix socket path holds at most 107 bytes, and
# the build tree may be deep.
set -u
# Wine converts Unix file names by the locale: UTF-8, whatever the caller set.
export LC_ALL=C.UTF-8
cmd=$1 state=$2
prefix=$state/prefix
export WINEPREFIX=$prefix WINEDEBUG=-all
# Stops the process and waits (at most 5 s) until it has ended, so that nothing
# of it still changes PulseAudio's runtime folder while that is removed.
stop_pid() {
  [ -f "$1" ] || return 0
  local pid
  pid=$(cat "$1") && rm -f "$1"
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
}

down() {
  # -k only asks the server to end: wait until it and its programs, clients of
  # PulseAudio, are gone before PulseAudio and its folder go.
  /usr/lib/wine/wineserver -k 2>/dev/null
  timeout 10 /usr/lib/wine/wineserver -w 2>/dev/null
  stop_pid "$state/pulse.pid"
  stop_pid "$state/xvfb.pid"
  if [ -f "$state/pulse-runtime" ]; then
    rm -rf "$(cat "$state/pulse-runtime")"
    rm -f "$state/pulse-runtime"
  fi
  rm -f "$state/display" "$state/display.out" "$state/keeper"
}

# A world that fails to start stops what it had started before it says so.
fail() { echo "$1" >&2; down; exit 1; }

# Xvfb on a free display, named in STATE_DIR/display and exported. An X server
# that ends before it names its display gets two more tries.
start_x() {
  local pid
  for _ in 1 2 3; do
    # Gone first: the redirection below empties it only once Xvfb's shell has forked.
    rm -f "$state/display.out"
    Xvfb -displayfd 1 -nolisten tcp -screen 0 1024x768x24 >"$state/display.out" 2>"$state/xvfb.log" &
    pid=$! && echo $pid >"$state/xvfb.pid"
    for _ in $(seq 100); do
      [ -s "$state/display.out" ] && break
      kill -0 $pid 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$state/display.out" ]; then
      tr -d '\n' <"$state/display.out" >"$state/display"
      export DISPLAY=":$(cat "$state/display")"
      return 0
    fi
    stop_pid "$state/xvfb.pid"
  done
  return 1
}

# Wine starts its desktop process (explorer.exe /desktop) when a program first
# needs a window and waits at most 10 s for it; a desktop that comes later, as
# on a loaded machine, or that finds no display, leaves every window of the
# world without a display driver ("nodrv_CreateWindow": a message box returns
# at once, unseen). So the desktop is started here, by a cmd.exe whose console
# makes it, and checked from outside Wine: a working desktop has windows on
# the X display. That cmd.exe waits on a FIFO it holds open itself and keeps
# the desktop for the world's lifetime (Wine closes it a second after its last
# user has gone); wineserver -k ends both.
desktop_up() {
  rm -f "$state/keeper" && mkfifo "$state/keeper"
  /usr/lib/wine/wine64 cmd.exe <>"$state/keeper" >/dev/null 2>&1 &
  for _ in $(seq 200); do
    xdotool search --classname explorer.exe >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

up() {
  down
  rm -rf "$prefix" && mkdir -p "$state"
  # Wine's desktop keeps the display it started with: X comes first.
  start_x || fail "Xvfb did not start: $(cat "$state/xvfb.log")"
  local runtime
  runtime=$(mktemp -d /tmp/pulse.XXXXXX) || fail "no runtime folder for PulseAudio"
  echo "$runtime" >"$state/pulse-runtime"
  XDG_RUNTIME_DIR=$runtime pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --disallow-exit -L module-native-protocol-unix \
    -L "module-null-sink sink_name=spk sink_properties=device.description=Speakers" \
    -L "module-null-sink sink_name=cab sink_properties=device.description=Headphones" \
    >"$state/pulse.log" 2>&1 &
  echo $! >"$state/pulse.pid"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || fail "Wine did not start"
  # A crashing program must end at once with its exception code, not start a
  # debugger. Only the Debugger value goes: without the whole AeDebug key Wine
  # still starts winedbg, which holds the crashed program until a time-out.
  /usr/lib/wine/wine64 reg.exe delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1
  /usr/lib/wine/wine64 reg.exe add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  # A desktop that found no display gets a new X server and another try.
  local attempt
  for attempt in 1 2 3; do
    desktop_up && break
    ((attempt < 3)) || fail "Wine's desktop did not start"
    /usr/lib/wine/wineserver -k 2>/dev/null
    timeout 10 /usr/lib/wine/wineserver -w 2>/dev/null
    stop_pid "$state/xvfb.pid"
    start_x || fail "Xvfb did not start: $(cat "$state/xvfb.log")"
  done
  for _ in $(seq 50); do [ -S "$runtime/pulse/native" ] && return 0; sleep 0.1; done
  fail "PulseAudio did not start: $(cat "$state/pulse.log")"
}

"$cmd"
