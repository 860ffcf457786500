#!/usr/bin/env bash
# Measures what the suite runs of the programs' own code: builds the programs
# and the suite with gcov counters (preset coverage, folder build/coverage; the
# normal build is left alone), runs the suite under Wine, and prints per product
# file (common/, driver_setup/, updater/) and in total the lines and branches
# run, the branches once with and once without exception edges, then the lines
# never run and the branches never taken (exception edges left out).
# Exit status: CTest's, so a failing test is not taken for a measurement.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD out=$PWD/build/coverage
started=$SECONDS
scripts/install-deps.sh tests
[ -f "$out/CMakeCache.txt" ] || cmake --preset coverage >/dev/null
cmake --build --preset coverage
# Counts left by an earlier run would add to this one's.
find "$out" -name '*.gcda' -delete
# Left out: these two build programs of their own, without counters, so they
# add nothing here; and the release test compares its programs with the
# suite's byte for byte, which the counters change. The bundle's run refuses
# executables that name a build folder, and counted ones name where their
# counts go; its programs are the ones windows_check_kit runs.
status=0
ctest --preset coverage -E '^(release_signed_and_reproducible|programs_build_with_clang|windows_bundle_runs_from_a_copy)$' ||
  status=$?

# A program that crashed or was killed wrote no counts: only ended runs count.
# gcov reads each object's counts in a folder of its own (objects share
# headers), as text for gcovr and as JSON for the exception edges it marks.
# The Wine prefixes' drive links (dosdevices/z: is /) are not searched.
rm -rf "$out/gcov"
i=0
while IFS= read -r counts; do
  i=$((i + 1)) && mkdir -p "$out/gcov/$i"
  for format in "" --json-format; do
    (cd "$out/gcov/$i" && x86_64-w64-mingw32-gcov-posix -b -c -p $format -o "$(dirname "$counts")" "$counts" >/dev/null 2>&1)
  done
done < <(find "$out" -name dosdevices -prune -o -name '*.gcda' -not -path '*/googletest/*' -print)
python3 scripts/mark-exception-edges.py "$out"/gcov/*
gcovr_run() {
  gcovr --root "$root" --use-gcov-files --keep --filter "$root/(common|driver_setup|updater)/" "$@" "$out/gcov"
}
gcovr_run --json-summary "$out/summary-all.json"
gcovr_run --exclude-throw-branches --json-summary "$out/summary.json" --json "$out/detail.json"

python3 - "$root" "$out" <<'EOF'
import json, sys
root, out = sys.argv[1:]
every = json.load(open(f"{out}/summary-all.json"))
plain = json.load(open(f"{out}/summary.json"))
detail = json.load(open(f"{out}/detail.json"))

def figure(covered, total):
    return f"{covered:>4}/{total:<4} {100.0 * covered / total if total else 100.0:5.1f} %"

with_exceptions = {f["filename"]: f for f in every["files"]}
print(f"\n{'file':<48} {'lines':<17}   {'branches':<17}   branches without exception edges")
for f in sorted(plain["files"], key=lambda f: f["filename"]):
    e = with_exceptions[f["filename"]]
    print(f"{f['filename']:<48} {figure(f['line_covered'], f['line_total'])}   "
          f"{figure(e['branch_covered'], e['branch_total'])}   {figure(f['branch_covered'], f['branch_total'])}")
print(f"{'total':<48} {figure(plain['line_covered'], plain['line_total'])}   "
      f"{figure(every['branch_covered'], every['branch_total'])}   "
      f"{figure(plain['branch_covered'], plain['branch_total'])}")

def ranges(numbers):
    spans = []
    for n in numbers:
        if spans and spans[-1][1] == n - 1:
            spans[-1][1] = n
        else:
            spans.append([n, n])
    return ",".join(str(a) if a == b else f"{a}-{b}" for a, b in spans)

print("\nlines never run:")
for f in sorted(detail["files"], key=lambda f: f["file"]):
    lines = [l["line_number"] for l in f["lines"] if not l["gcovr/noncode"] and l["count"] == 0]
    if lines:
        print(f"  {f['file']}: {ranges(lines)}")
print("\nbranches never taken, exception edges left out (file:line: not taken/of the line's, the line):")
for f in sorted(detail["files"], key=lambda f: f["file"]):
    source = open(f"{root}/{f['file']}").read().splitlines()
    for l in f["lines"]:
        missed = sum(1 for b in l["branches"] if b["count"] == 0)
        if missed:
            text = source[l["line_number"] - 1].strip()
            print(f"  {f['file']}:{l['line_number']}: {missed}/{len(l['branches'])}  {text}")
EOF
echo "coverage: $((SECONDS - started)) s"
exit "$status"
