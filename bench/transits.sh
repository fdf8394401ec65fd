#!/usr/bin/env bash
# Whole runs of the transit engine and of the runs that compute almost nothing,
# on one thread and on two, as run.sh starts the program (OMP_WAIT_POLICY=passive
# unless set by the caller):
#
#   mer          Mercury transits 1000-3000, contacts (detailed dialog, the
#                combination of short and full series, phases, TT)
#   ven          the same for Venus
#   merlong      Mercury transits -13000..17000
#   venlong      Venus transits -13000..17000
#   -804         the series file run (both passes)
#   16, 111      Teotihuacan (GPS distances) and the info text
#
#   [R7_BINARY=PROGRAM] bench/transits.sh [--runs N] [--long-runs N] [--only "NAME ..."]
#                                         [--build DIR] [--baseline PROGRAM]
#
# --runs N runs per case and thread count (default 7), --long-runs N for
# merlong, venlong and -804 (default 3). --baseline PROGRAM times an older
# build as well, each of its runs right after the corresponding run of the
# program under test, so that both see the same load. Every run has a fresh
# working directory prepared as run.sh prepares one. Prints the processor
# model, the load average before and after, and per case and thread count the
# median, min and max wall time in seconds.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
runs=7
long_runs=3
only="mer ven merlong venlong -804 16 111"
baseline=""

own_option() {
  case "$1" in
    --baseline) baseline="$(realpath -m "$2")"; took=2 ;;
    *) return 1 ;;
  esac
}
bench_options "$@"
bench_setup transits

# The standard input of a case: the detailed dialog (study 3, the planet,
# "full v.", phases, Gregorian calendar, TT, the years, normal output,
# terminal) or a menu answer.
input_of() {
  case "$1" in
    mer) echo '0\n3\n1\n1\n3\n1\n1\n1000\n3000\n1\n1\n' ;;
    ven) echo '0\n3\n2\n1\n3\n1\n1\n1000\n3000\n1\n1\n' ;;
    merlong) echo "$scan_input" ;;
    venlong) echo '0\n3\n2\n1\n3\n1\n1\n-13000\n17000\n1\n1\n' ;;
    *) echo "$1\n" ;;
  esac
}

# One run of case $2 by program $1 with $3 threads; prints the wall time [ms].
one_run() { run_case "$1" "$3" "$(input_of "$2")"; }

# Median, min and max [s] of the wall times [ms] on standard input.
stats() {
  sort -n | awk '{ t[NR] = $1 }
    END { m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
          printf "%7.3f %7.3f %7.3f", m / 1000, t[1] / 1000, t[NR] / 1000 }'
}

machine_line
echo "# OMP_WAIT_POLICY=$OMP_WAIT_POLICY"
echo "# program: $r7${baseline:+; baseline: $baseline}"
echo "# load average before: $(load_now)"
printf '%-8s %3s %4s %23s' case thr runs "median     min     max"
[ -n "$baseline" ] && printf ' %25s' "baseline: median min max"
printf '\n'
for name in $only; do
  n="$runs"
  case "$name" in merlong|venlong|-804) n="$long_runs" ;; esac
  for threads in 1 2; do
    new=""; old=""
    for ((i = 1; i <= n; i++)); do
      new+="$(one_run "$r7" "$name" "$threads")"$'\n'
      [ -n "$baseline" ] && old+="$(one_run "$baseline" "$name" "$threads")"$'\n'
    done
    printf '%-8s %3s %4s %23s' "$name" "$threads" "$n" "$(printf '%s' "$new" | stats)"
    [ -n "$baseline" ] && printf ' %25s' "$(printf '%s' "$old" | stats)"
    printf '\n'
  done
done
echo "# load average after: $(load_now)"
