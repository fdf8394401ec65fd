#!/usr/bin/env bash
# Builds the program if needed, prepares a working directory and starts r7 in it
# with the caller's standard input and output.
#   ./run.sh [DIR]      DIR defaults to work/ in this checkout
# The published data (VSOP87 files, invsop1.t, invsop3.t) are linked from
# ../shared/data, or from the folder named by the environment variable R7_DATA.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
dir="${1:-$here/work}"
data="${R7_DATA:-$here/../shared/data}"
build="$here/build-release"

if [ ! -x "$build/r7" ] || [ -n "$(find "$here/src" "$here/CMakeLists.txt" -newer "$build/r7" -print -quit 2>/dev/null)" ]; then
  {
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DR7_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" --target r7 -j "$(nproc)" >/dev/null
  } </dev/null >&2 || { echo "run.sh: the build failed" >&2; exit 1; }
fi

mkdir -p "$dir"
for f in "$here"/data/*; do
  name="$(basename "$f")"
  [ -e "$dir/$name" ] || cp "$f" "$dir/$name"
done
if [ -d "$data" ]; then
  for f in "$data"/*; do
    name="$(basename "$f")"
    case "$name" in README.md|*.txt) continue ;; esac
    [ -e "$dir/$name" ] || ln -s "$(cd "$(dirname "$f")" && pwd)/$name" "$dir/$name"
  done
else
  echo "run.sh: published data not found in $data (set R7_DATA)" >&2
fi

cd "$dir"
# Threads that wait for work sleep instead of spinning: the parallel sections are
# short, and spinning threads slow the main thread down (-804: 11.4 s against
# 8.1 s on the 2-core machine of the speed table). A value set by the caller wins.
export OMP_WAIT_POLICY="${OMP_WAIT_POLICY:-passive}"
exec "$build/r7"
