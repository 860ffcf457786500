#!/usr/bin/env bash
# driver_setup --restore on Wine's real endpoints, in PulseAudio servers of its
# own whose null sinks carry the cable's adapter name (Wine lists each sink and
# its monitor source as an active endpoint named after the sink's description).
# Wine has no audio policy object: only a wanted set equal to the current
# defaults can succeed here; applying a default is shown by the unit tests.
source "$(dirname "$0")/lib.sh"
servers=() runtimes=()
# Each server has ended before its runtime folder is removed.
trap 'for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null; done; wait "${servers[@]}"; rm -rf "${runtimes[@]}"' EXIT
declare -A runtime_of

# start_world NAME DESCRIPTION...: a server with one null sink per description.
# Its runtime folder, which holds its socket, is a short one under /tmp (a Unix
# socket path holds at most 107 bytes). Wine keeps an endpoint's name in the
# prefix under the sink's name and rereads it at each enumeration: sink names
# unique to this test keep the worlds, and the suite's, from renaming each other.
start_world() {
  local world=$1 runtime; shift
  local modules=(-L module-native-protocol-unix) i=0
  for description in "$@"; do
    modules+=(-L "module-null-sink sink_name=restore_${world}_$((i++)) sink_properties='device.description=\"$description\"'")
  done
  runtime=$(mktemp -d /tmp/pulse.XXXXXX)
  runtimes+=("$runtime")
  runtime_of[$world]=$runtime
  XDG_RUNTIME_DIR=$runtime pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit "${modules[@]}" \
    >"$WORK_DIR/$world.log" 2>&1 &
  servers+=($!)
  for _ in $(seq 50); do [ -S "$runtime/pulse/native" ] && return; sleep 0.1; done
  echo "PulseAudio did not start: $(cat "$WORK_DIR/$world.log")"
}

# The six defaults that --probe reports in WORLD, one a line.
current_defaults() {
  PULSE_RUNTIME=${runtime_of[$1]} run_program pulse "$DRIVER_SETUP" --probe "$(winpath "$WORK_DIR/$1.json")"
  python3 -c 'import json, sys; print("\n".join(json.load(open(sys.argv[1]))["defaults_before"]))' "$WORK_DIR/$1.json"
}
json_array() { local s; s=$(printf '"%s",' "$@"); echo "[${s%,}]"; }
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
final_report() { echo "{\"status\":\"$1\",\"error\":\"$2\",\"existing_devices\":0,\"defaults_before\":$3,\"defaults_after\":$3}"; }

# Two sinks of the cable: their four endpoints settle, the wait ends after about 5 s.
start_world cable "VB-Audio Virtual Cable A" "VB-Audio Virtual Cable B" "Speakers"
mapfile -t ids < <(current_defaults cable)
report=$WORK_DIR/report.json
# restore WORLD SIX-IDS: one --restore in that world; its time in ms in $elapsed.
restore() {
  local world=$1 start; shift
  start=$(now_ms)
  PULSE_RUNTIME=${runtime_of[$world]} run_program pulse "$DRIVER_SETUP" --restore "$@" "$(winpath "$report")"
  elapsed=$(($(now_ms) - start))
}
restore cable "${ids[@]}"
equal_ms=$elapsed
check "equal set: exit" 0 "$code"
check "equal set: report" "$(final_report defaults_restored "" "$(json_array "${ids[@]}")")" "$(contents "$report")"
check "equal set: prints nothing" "" "$out$err"
check "equal set: waited 5 s, not 30 s ($elapsed ms)" yes "$([ "$elapsed" -ge 5000 ] && [ "$elapsed" -lt 20000 ] && echo yes)"

other=("${ids[@]}")
other[1]="{0.0.0.00000000}.{00000000-0000-0000-0000-000000000000}"
restore cable "${other[@]}"
check "other set: exit" 1 "$code"
check "other set: no policy object on Wine" \
  "$(final_report error "Cannot restore Windows audio defaults" "$(json_array "${ids[@]}")")" "$(contents "$report")"
check "other set: waited 5 s first ($elapsed ms)" yes "$([ "$elapsed" -ge 5000 ] && echo yes)"

# Two sinks named exactly and two look-alikes: 2 of the 6 endpoints are the
# cable's, too few, so the wait runs out its 30 s; then the restore still runs.
# After the others, not beside them: --restore runs hold the machine lock in turn.
start_world few "VB-Audio Virtual Cable" "vb-audio virtual cable" "VB-Audio Virtual"
mapfile -t few < <(current_defaults few)
check "few: six defaults" 6 "$(printf '%s\n' "${few[@]}" | grep -c '^{0\.0\.[01]\.00000000}\.{')"
other_ms=$elapsed
restore few "${few[@]}"
check "few: exit" 0 "$code"
check "few: report" "$(final_report defaults_restored "" "$(json_array "${few[@]}")")" "$(contents "$report")"
check "few: waited out 30 s ($elapsed ms)" yes "$([ "$elapsed" -ge 30000 ] && [ "$elapsed" -lt 45000 ] && echo yes)"
echo "runs took: equal set $equal_ms ms, other set $other_ms ms, too few cable endpoints $elapsed ms"
finish
