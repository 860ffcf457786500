# Shared by the end-to-end scripts: runs Windows programs under Wine and checks
# what they leave behind. Expects WINE_RUN_SCRIPT, WINE_STATE_DIR and WORK_DIR.
set -u
# Paths with non-ASCII names are written with printf's \u escapes, which need a
# UTF-8 locale; a debian:12 container sets none.
export LC_ALL=C.UTF-8
passed=0 failed=0
prefix=${PREFIX:-$WINE_STATE_DIR/prefix}
rm -rf "$WORK_DIR" && mkdir -p "$WORK_DIR"
# Every report that a run leaves in WORK_DIR is kept here as it was right after
# the run; finish() holds them all against docs/report.schema.json.
report_root=$WORK_DIR reports=$WORK_DIR/.reports
mkdir -p "$reports" && touch "$reports/.stamp"

# The Windows name of a Unix path (Wine maps / to Z:).
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# run_program AUDIO PROGRAM ARGS...: sets $code, $out, $err; runs in $WORK_DIR.
run_program() {
  local audio=$1; shift
  (cd "$WORK_DIR" && AUDIO=$audio "$WINE_RUN_SCRIPT" "$prefix" "$@" >"$WORK_DIR/.out" 2>"$WORK_DIR/.err")
  code=$?
  out=$(cat "$WORK_DIR/.out") err=$(cat "$WORK_DIR/.err")
  keep_reports
}

# keep_reports: copies the files below WORK_DIR (not the Wine prefix) that
# changed since the last call and begin as both report forms do. It keeps no
# count of its own: tests call run_program inside $(...) too.
keep_reports() {
  local file head
  touch "$reports/.next"
  while IFS= read -r -d '' file; do
    IFS= read -r -n 10 head <"$file"
    [ "$head" == '{"status":' ] && cp "$file" "$(mktemp --suffix="-${file##*/}" "$reports/XXXXXX")"
  done < <(find "$report_root" \( -path "$reports" -o -path "$prefix" \) -prune -o -type f -newer "$reports/.stamp" -print0)
  mv "$reports/.next" "$reports/.stamp"
}

# check NAME EXPECTED ACTUAL
check() {
  if [ "$2" == "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    # The line in the test script itself, however deep the helpers that called this.
    local depth=$((${#BASH_LINENO[@]} - 2))
    printf 'FAILED %s (line %s)\n  expected: %s\n  actual:   %s\n' "$1" "${BASH_LINENO[$depth]}" "$2" "$3"
  fi
}

# The file's bytes, or <missing>.
contents() { if [ -f "$1" ]; then cat "$1"; else echo '<missing>'; fi; }

finish() {
  keep_reports  # also those of runs that did not go through run_program
  local kept=("$reports"/*)
  if [ -e "${kept[0]}" ]; then
    check "${#kept[@]} reports meet docs/report.schema.json" "" \
      "$(/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/../tools/check_reports.py" "${kept[@]}")"
  fi
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
