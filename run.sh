#!/usr/bin/env bash
# Builds the program if needed, prepares a working directory and starts r7 in it
# with the caller's standard input and output.
#   ./run.sh [DIR] [--] [ARGS]   DIR defaults to work/ in this checkout; ARGS go
#                                to r7 (for example: ./run.sh 11, ./run.sh 11 --ut,
#                                ./run.sh /tmp/r7 -- --help)
# An argument that is a number (a menu answer such as 11 or -804) or an option
# (-...) starts ARGS; any other first argument names the directory (write ./11
# for a directory called 11).
# The published data (VSOP87 files, invsop1.t, invsop3.t) are linked from this
# checkout's data/published, or from the folder named by the environment variable R7_DATA.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
dir="$here/work"
is_arg() { [[ "$1" =~ ^[-+]?[0-9]+$ || "$1" == -* ]]; }
if [ $# -gt 0 ] && ! is_arg "$1"; then
  dir="$1"
  shift
fi
if [ $# -gt 0 ] && [ "$1" = "--" ]; then
  shift
fi
data="${R7_DATA:-$here/data/published}"
build="$here/build-release"
r7="$build/r7"

# R7_BINARY names a program that is started as it is, without a build (the tests
# start a fresh clone with the program they have built already).
if [ -n "${R7_BINARY:-}" ]; then
  r7="$R7_BINARY"
elif [ ! -x "$build/r7" ] || [ -n "$(find "$here/src" "$here/CMakeLists.txt" -newer "$build/r7" -print -quit 2>/dev/null)" ]; then
  {
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DR7_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" --target r7 -j "$(nproc)" >/dev/null
  } </dev/null >&2 || { echo "run.sh: the build failed" >&2; exit 1; }
fi

mkdir -p "$dir"
for f in "$here"/data/*; do
  [ -f "$f" ] || continue # data/published is linked below, not copied
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
exec "$r7" "$@"
