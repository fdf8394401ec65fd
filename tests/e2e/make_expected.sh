#!/usr/bin/env bash
# Rewrites the expected reports of the end-to-end report test
# (tests/e2e/reports_test.cpp) from the current program.
#
#   tests/e2e/make_expected.sh R7_BINARY [ANSWER ...]
#
# For every menu answer (all of them when none is named) the program runs in a
# fresh working directory (installation data copied from data/, published data
# linked from $R7_DATA or data/published) with the answer as its standard input,
# or with the lines of expected/ANSWER.in when that file exists (the scripted
# detailed dialog of answer 0). The report lines of the terminal are written to
# expected/ANSWER.txt: everything after the line "  <R7>   Computation
# started ...", the line naming the output file and the empty line of the run
# start; for the info answer 111 everything after the menu question. The digits
# and blanks of the two computing times are masked with '#', as the test masks
# them.
#
# The files are the program's own output: read every rewritten report before
# accepting it (git diff tests/e2e/expected) - the test only proves that the
# program still prints what was reviewed.
set -euo pipefail

if [ $# -lt 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 R7_BINARY [ANSWER ...]" >&2
  exit 2
fi
bin="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
expected="$here/expected"
data="${R7_DATA:-$root/data/published}"
shift

# Keep this list equal to the answers of reports_test.cpp. Not -804: the
# two-pass series run takes about two minutes.
all="1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22
 170 171 180 181 190 191 192 193 194 195 200 201 202 210 211 212 213 220 221
 230 231 232 240 241 242 250 251 260 270 271 280 281
 300 301 310 311 320 321 322 323 330 331 332 333 334 335 338
 370 371 372 373 380 381 390 391 392 400 401 402
 410 411 412 413 414 415 416 417 418 419 420 421 422 423 424 425 426 427 428 429
 430 431 432 440 441 442 450 460 461 470 471 480 481 490 491 492
 500 501 502 510 511 512 517 518 519 999 111 0"
answers="${*:-$all}"

one() {
  local a="$1" dir t0 t1 rc=0
  dir="$(mktemp -d)"
  for f in "$root"/data/*; do [ -f "$f" ] && cp "$f" "$dir"/; done
  for f in "$data"/*; do [ -e "$dir/$(basename "$f")" ] || ln -s "$f" "$dir"/; done
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
export -f one
export bin root expected data
export OMP_WAIT_POLICY="${OMP_WAIT_POLICY:-passive}"

# Two at a time: the machine has two cores.
printf '%s\n' $answers | xargs -P 2 -I{} bash -c 'one {}'
