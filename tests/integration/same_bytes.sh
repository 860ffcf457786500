#!/usr/bin/env bash
# Builds both programs again from a copy of the sources in folders of other
# names and compares them byte for byte with the suite's own build.
#   same_bytes.sh SOURCE_DIR PROGRAM...
set -eu
source_dir=$1
shift
other=$(mktemp -d /tmp/other-build-XXXXXX)
trap 'rm -rf "$other"' EXIT
mkdir "$other/sources"
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$other/sources" -xf -
cmake -S "$other/sources" -B "$other/out" -DCMAKE_TOOLCHAIN_FILE="$other/sources/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$other/out" --target driver_setup updater -j 2 >/dev/null
status=0
for program in "$@"; do
  if cmp "$program" "$other/out/bin/${program##*/}"; then echo "same bytes: ${program##*/}"; else status=1; fi
done
exit $status
