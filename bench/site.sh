#!/usr/bin/env bash
# Whole transit runs without and with a site (--site giza), in alternating
# runs, with one thread and with all cores, as run.sh starts the program
# (OMP_WAIT_POLICY=passive unless set by the caller): the answers 11, 21 and 12
# (to the terminal and out.txt, out.csv, out.html as their sets say) and the
# long Mercury transit scan -13000..17000 with the combination of short and
# full series (through the detailed dialog, to the terminal only). Prints per
# run and thread count the median wall time without and with the site and
# their ratio, the same of the processor time the program reports (all
# threads; steadier than the wall time on a shared machine), and the number of
# transits.
#
#   [R7_BINARY=PROGRAM] bench/site.sh [--runs N] [--long-runs N] [--only "NAME ..."] [--build DIR]
#
# NAME is one of 11 21 12 scan (default all). --runs N rounds for the answers
# (default 5), --long-runs N rounds for the scan (default 3); a round runs
# without and with the site once.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
runs=5
long_runs=3
only="11 21 12 scan"
bench_options "$@"
bench_setup site

# One run of NAME with OMP_NUM_THREADS=$2 (empty: the default) and the site
# arguments $3; prints the wall ms and the processor seconds of its closing
# lines.
one_run() {
  local name="$1" threads="$2" site="$3" answer input ms
  case "$name" in scan) answer=0; input="$scan_input" ;; *) answer="$name"; input="" ;; esac
  input="${input#0\\n}"
  # shellcheck disable=SC2086
  ms="$(run_case "$r7" "$threads" "$input" "$answer" $site)"
  grep -c "^   at Giza " "$scratch/w/terminal.txt" >"$scratch/count" || true
  echo "$ms $(sed -n 's/.*CPU time *\([0-9]*\): *\([0-9]*\): *\([0-9.]*\).*/\1 \2 \3/p' \
    "$scratch/w/terminal.txt" | awk 'END { printf "%.0f", ($1 * 3600 + $2 * 60 + $3) * 1000 }')"
}

# The median of column $1 of the lines read, ms to s.
median() { awk -v c="$1" '{ print $c }' | sort -n | awk '{ t[NR] = $1 } END { m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.3f", m / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

machine_line
echo "# OMP_WAIT_POLICY=$OMP_WAIT_POLICY; load average before: $(load_now)"
printf '%-6s %7s %6s %9s %9s %6s %9s %9s %6s %8s\n' run threads rounds "wall:" "giza" ratio "cpu:" "giza" ratio transits
for name in $only; do
  n="$runs"
  [ "$name" = scan ] && n="$long_runs"
  for threads in 1 ""; do
    plain=""; site=""
    for ((i = 1; i <= n; i++)); do
      plain+="$(one_run "$name" "$threads" "")"$'\n'
      site+="$(one_run "$name" "$threads" "--site giza")"$'\n'
    done
    wp="$(printf '%s' "$plain" | median 1)"; ws="$(printf '%s' "$site" | median 1)"
    cp="$(printf '%s' "$plain" | median 2)"; cs="$(printf '%s' "$site" | median 2)"
    printf '%-6s %7s %6s %9s %9s %6s %9s %9s %6s %8s\n' "$name" "${threads:-all}" "$n" "$wp" "$ws" "$(ratio "$ws" "$wp")" \
      "$cp" "$cs" "$(ratio "$cs" "$cp")" "$(cat "$scratch/count")"
  done
done
echo "# load average after: $(load_now)"
