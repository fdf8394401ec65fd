#!/usr/bin/env bash
# Rewrites the expected reports of tests/e2e/reports_test.cpp from the program:
#   tests/e2e/make_expected.sh R7_BINARY [ANSWER ...]   (none: every expected/*.txt)
# Each answer (or the dialog in expected/ANSWER.in) runs in a fresh directory;
# the terminal's report lines go to expected/ANSWER.txt, the computing times
# masked with '#' as the test masks them. Read every rewritten report
# (git diff tests/e2e/expected) before accepting it.
set -euo pipefail

if [ $# -lt 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 R7_BINARY [ANSWER ...]" >&2
  exit 2
fi
bin="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
expected="$here/expected"
source "$root/bench/common.sh"
find_data
shift

# The answers the report test reads from expected/ (their order does not matter).
if [ $# -gt 0 ]; then
  answers="$*"
else
  answers="$(for f in "$expected"/*.txt; do basename "$f" .txt; done | sort -n)"
fi

one() {
  local a="$1" dir t0 t1 rc=0
  dir="$(mktemp -d)"
  prepare_dir "$dir"
  if [ -f "$expected/$a.in" ]; then cp "$expected/$a.in" "$dir/.stdin"; else echo "$a" > "$dir/.stdin"; fi
  t0=$(date +%s.%N)
  (cd "$dir" && timeout 300 "$bin" < .stdin > .stdout 2> .stderr) || rc=$?
  t1=$(date +%s.%N)
  awk '
    function mask(s, key,   i, j, head, tail, field, rest) {
      i = index(s, key); if (i == 0) return s
      head = substr(s, 1, i + length(key) - 1); tail = substr(s, i + length(key))
      j = index(tail, " --"); if (j == 0) j = length(tail) + 1
      field = substr(tail, 1, j - 1); rest = substr(tail, j)
      gsub(/[0-9 ]/, "#", field); return head field rest
    }
    state == 2 { $0 = mask($0, "CPU time"); $0 = mask($0, "run time"); print; next }
    state == 1 { if ($0 == "         Output file: \"out.txt\"") next; state = 2; next }
    /^  <R7>   Computation started \.\.\.$/ { state = 1; next }
    /\(1\.\.20 or book options\) : $/ { menu = NR }
    { lines[NR] = $0 }
    END { if (state == 0) for (i = menu + 1; i <= NR; i++) print lines[i] }
  ' "$dir/.stdout" > "$expected/$a.txt"
  printf '%6s %7.2f s wall %s  status %d%s\n' "$a" "$(echo "$t1 - $t0" | bc)" \
    "$(grep -o 'CPU time.*' "$dir/.stdout" | head -1)" "$rc" \
    "$([ -s "$dir/.stderr" ] && echo "  STDERR: $(head -c 200 "$dir/.stderr" | tr '\n' ' ')")"
  rm -rf "$dir"
}
export -f one prepare_dir
export bin root expected data r7_root
export OMP_WAIT_POLICY="${OMP_WAIT_POLICY:-passive}"

# Two at a time: the machine has two cores.
printf '%s\n' $answers | xargs -P 2 -I{} bash -c 'one {}'
