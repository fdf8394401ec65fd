#!/usr/bin/env bash
# Whole runs with one thread against all cores, in alternating pairs, as run.sh
# starts the program (OMP_WAIT_POLICY=passive unless set by the caller): the
# transit answers 11, 21 and 12, the long Mercury transit scan -13000..17000
# with the combination of short and full series (through the detailed dialog),
# and the series file run -804. Prints per run the median wall time with
# OMP_NUM_THREADS=1 and with the default thread count, and their ratio; then
# the break-even of the split series sum (vsop_bench, BM_SplitSum) when the
# benchmarks are built.
#
#   [R7_BINARY=PROGRAM] bench/threads.sh [--runs N] [--long-runs N] [--only "NAME ..."] [--build DIR]
#
# NAME is one of 11 21 12 scan -804 (default all). --runs N pairs for the
# answers (default 5), --long-runs N pairs for scan and -804 (default 3).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
runs=5
long_runs=3
only="11 21 12 scan -804"
bench_options "$@"
bench_setup threads

# One run of NAME with OMP_NUM_THREADS=$2 (empty: the default); prints wall ms.
one_run() {
  local input
  case "$1" in scan) input="$scan_input" ;; *) input="$1\n" ;; esac
  run_case "$r7" "$2" "$input"
}

median() { sort -n | awk '{ t[NR] = $1 } END { m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.3f", m / 1000 }'; }

machine_line
echo "# OMP_WAIT_POLICY=$OMP_WAIT_POLICY; load average before: $(load_now)"
printf '%-6s %6s %10s %10s %7s\n' run pairs "1 thread" "all cores" ratio
for name in $only; do
  n="$runs"
  case "$name" in scan|-804) n="$long_runs" ;; esac
  one=""; all=""
  for ((i = 1; i <= n; i++)); do
    one+="$(one_run "$name" 1)"$'\n'
    all+="$(one_run "$name" "")"$'\n'
  done
  m1="$(printf '%s' "$one" | median)"; ma="$(printf '%s' "$all" | median)"
  printf '%-6s %6s %10s %10s %7s\n' "$name" "$n" "$m1" "$ma" "$(awk -v a="$m1" -v b="$ma" 'BEGIN { printf "%.2f", a / b }')"
done
echo "# load average after: $(load_now)"

if [ -x "$build/vsop_bench" ]; then
  echo "# break-even of the split sum (smallest number of terms at which all cores beat one):"
  "$build/vsop_bench" --benchmark_filter=BM_SplitSum --benchmark_min_time=0.1 --benchmark_format=csv 2>/dev/null |
    awk -F, '/BM_SplitSum/ { split($1, f, "[/:]"); n = f[3]; thr = f[5]; t[n, thr] = $3; if (!(n in seen)) { seen[n] = 1; ns[++k] = n } }
             END { for (i = 1; i <= k; i++) if (t[ns[i], 0] < t[ns[i], 1]) { print "#   " ns[i] " terms"; exit } print "#   none up to " ns[k] " terms" }'
fi
