#!/usr/bin/env bash
# Wall time of the book options (and optionally of every coded menu answer),
# each measured as a whole run of the program: a fresh working directory
# prepared as run.sh prepares one, then `echo N | r7`.
#
#   bench/options.sh [--runs N] [--long-runs N] [--all] [--only "A B ..."]
#                    [--build DIR] [--threads N] [--keep DIR]
#
#   --runs N        runs per answer (default 5)
#   --long-runs N   runs for the two-pass series run -804 (default 3)
#   --all           every coded answer of the menu, not only 1 to 20 and -804
#   --only LIST     just these answers
#   --build DIR     build folder (default build-bench beside this script's repo)
#   --threads N     OpenMP threads of the program (OMP_NUM_THREADS; default:
#                   the runtime's choice, one per core)
#   --keep DIR      keep the working directory of the last run of each answer
#                   in DIR/<answer> (to look at the reports)
#
# Prints one row per answer: answer, menu label, exit status, median, min and
# max wall time in seconds, and the median processor time (all threads) that
# the program reports in its closing lines. R7_DATA names the folder of the
# published data (default data/published). The machine's load is printed
# before and after, because other work on the machine inflates the times.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
runs=5
long_runs=3
all=0
only=""
keep=""

own_option() {
  case "$1" in
    --all) all=1; took=1 ;;
    --threads) export OMP_NUM_THREADS="$2"; took=2 ;;
    --keep) keep="$2"; took=2 ;;
    *) return 1 ;;
  esac
}
bench_options "$@"
case "$runs$long_runs" in *[!0-9]*) echo "options.sh: --runs and --long-runs take whole numbers" >&2; exit 2 ;; esac
[ "$runs" -ge 1 ] && [ "$long_runs" -ge 1 ] || { echo "options.sh: at least one run" >&2; exit 2; }

build_r7 "$build" || exit 1
r7="$build/r7"

# The menu labels of the book options, as the menu prints them.
declare -A label=(
  [1]="3D Mer at aph"   [2]="2D Mer at aph"   [3]="constell 3088"  [4]="1.5 days 3088"
  [5]="near aphelion"   [6]="3D Mer at per"   [7]="Keplers equ"    [8]="constell 3088"
  [9]="1.5 days 3088"   [10]="F minimized"    [11]="Mercury tr"    [12]="Venus tr"
  [13]="syzygy 3 pl"    [14]="syzygy 4 pl"    [15]="TYMT test"     [16]="GPS m km"
  [17]="Map mm km"      [18]="GPS log3"       [19]="Map log3"      [20]="24000 y."
  [-804]="series file (two passes)" [999]="edited set of inedit.t"
)
declare -A group=(
  [1]=Giza [2]=Giza [3]=Giza [4]=Giza [5]=Giza
  [6]=chambers [7]=chambers [8]=chambers [9]=chambers [10]=chambers
  [11]=transits [12]=transits [13]=syzygy [14]=syzygy [15]=transits
  [16]=Teotihuacan [17]=Teotihuacan [18]=Teotihuacan [19]=Teotihuacan [20]=Teotihuacan
  [-804]=transits
)

# Coded answers: the record sets of inparm.t name the answers that choose them
# on their second free line ("menu answer 230" / "menu answers 3, 240, 417").
declare -A title=()
coded=()
while IFS='|' read -r set ttl answers; do
  for a in $answers; do
    title[$a]="($set) $ttl"
    coded+=("$a")
  done
done < <(awk 'NR >= 12 && (NR - 12) % 10 == 7 { t = $0; sub(/^ *\( *[0-9]+\) */, "", t) }
              NR >= 12 && (NR - 12) % 10 == 8 && /menu answers? -?[0-9]/ {
                s = $0; sub(/^.*menu answers? */, "", s); gsub(/,/, " ", s)
                printf "%d|%s|%s\n", int((NR - 12) / 10) + 1, t, s }' "$here/data/inparm.t")

if [ -n "$only" ]; then
  answers=($only)
elif [ "$all" = 1 ]; then
  answers=($(printf '%s\n' "${coded[@]}" 999 | awk '!seen[$0]++' | sort -n))
else
  answers=($(seq 1 20) -804)
fi

make_scratch options

machine_line
echo "# load average before: $(load_now); runs per answer: $runs (-804: $long_runs)"
printf '%6s  %-58s %4s %8s %8s %8s %8s\n' answer label exit median min max cpu
for a in "${answers[@]}"; do
  n="$runs"
  [ "$a" = -804 ] && n="$long_runs"
  if [ -n "${label[$a]:-}" ] && [ "$a" != 999 ]; then
    lab="${group[$a]:-}: ${label[$a]}"
  elif [ -n "${title[$a]:-}" ]; then
    lab="${title[$a]}"
  else
    lab="${label[$a]:-?}"
  fi
  rows=""
  for ((i = 1; i <= n; i++)); do
    dir="$scratch/w"
    prepare_dir "$dir"
    rows+="$(timed_run "$dir" "$a")"$'\n'
    if [ -n "$keep" ] && [ "$i" = "$n" ]; then
      mkdir -p "$keep"
      rm -rf "${keep:?}/$a"
      cp -rP "$dir" "$keep/$a"
    fi
  done
  read -r med mn mx cpu status < <(printf '%s' "$rows" | summarise)
  printf '%6s  %-58.58s %4s %8s %8s %8s %8s\n' "$a" "$lab" "$status" "$med" "$mn" "$mx" "$cpu"
done
echo "# load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
