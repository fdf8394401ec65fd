#!/usr/bin/env bash
# Wall time of the Giza and chamber book options 1 to 10 with the short series,
# the combination (short series searches, full series confirms) and the full
# series, and of a Mercury-transit scan over 1000 years with each of the three.
#
#   bench/studies.sh [--runs N] [--build DIR] [--threads N] [--scan-bench]
#                    [--only "A B ..."]
#
#   --runs N       runs per variant (default 3)
#   --build DIR    build folder (default build-bench beside this script's repo)
#   --threads N    OpenMP threads of the program (OMP_NUM_THREADS)
#   --scan-bench   also build and run bench/scan_bench.cpp (Google Benchmark)
#   --only LIST    just these book options (1 to 10; "scan" for the transit scan)
#
# Each variant is the book option's record set with record A (ephemeris, full
# flag, combi flag) changed in a scratch copy of inparm.t, and record F where
# the dialog would ask a different number of tolerances. A variant is run only
# when the detailed dialog could produce the same set; otherwise the row says
# "n/a" and why. The transit scan is record set 11 over the years 2000 to 3000
# (contacts and phases in TT); its full-series row is a record set only, as the
# dialog offers the full series for transits only as the combination.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
runs=3
scan_bench=0
only="1 2 3 4 5 6 7 8 9 10 scan"

own_option() {
  case "$1" in
    --threads) export OMP_NUM_THREADS="$2"; took=2 ;;
    --scan-bench) scan_bench=1; took=1 ;;
    *) return 1 ;;
  esac
}
bench_options "$@"
case "$runs" in ''|*[!0-9]*) echo "studies.sh: --runs takes a whole number" >&2; exit 2 ;; esac

build_r7 "$build" || exit 1
r7="$build/r7"

make_scratch studies
parm="$here/data/inparm.t"

# Record r (A=0 ... G=6) of record set n, as its values.
record() { sed -n "$((10 * $1 + 2 + $2))p" "$parm"; }

# Writes to $4 a copy of inparm.t whose set $1 has record A $2 and record F $3
# (in the layouts the program writes them).
variant_file() {
  local n="$1" a="$2" f="$3" out="$4"
  awk -v la=$((10 * n + 2)) -v lf=$((10 * n + 7)) -v a="$a" -v f="$f" '
    NR == la { split(a, v, " "); printf "%3d%3d%3d%3d%3d\n", v[1], v[2], v[3], v[4], v[5]; next }
    NR == lf { split(f, v, " "); printf "%8.3f%8.3f%8.3f%8.3f\n", v[1], v[2], v[3], v[4]; next }
    { print }' "$parm" > "$out"
}

# Same, with record E replaced by the years $5 and $6.
variant_years() {
  local n="$1" from="$5" to="$6" out="$4"
  variant_file "$1" "$2" "$3" "$out.tmp"
  awk -v le=$((10 * n + 6)) -v y1="$from" -v y2="$to" '
    NR == le { split($0, v, " "); printf "%13.5f%13.5f%13.5f%15.5f\n", y1, y2, v[3], v[4]; next }
    { print }' "$out.tmp" > "$out"
  rm -f "$out.tmp"
}

# Whether the detailed dialog can give set n with the series kind k (short,
# combi, full): prints nothing when it can, else the reason.
why_not() {
  local n="$1" k="$2" main passage sun constellation frame
  read -r main _ _ _ _ <<<"$(record "$n" 0)"
  read -r frame _ <<<"$(record "$n" 1)"
  read -r _ passage _ <<<"$(record "$n" 2)"
  read -r sun _ _ constellation <<<"$(record "$n" 3)"
  if [ "$main" = 2 ] && [ "$sun" -le 2 ]; then
    echo "the chambers' 2D Sun point is offered with Kepler orbits only"; return
  fi
  case "$k" in
    short)
      [ "$frame" = 1 ] || echo "the short series alone always uses the ecliptic of date" ;;
    combi)
      if [ "$passage" != 1 ] && [ "$passage" != 2 ] && [ "$passage" != 5 ]; then
        echo "the combination offers the passages aphelion, perihelion and free only"
      elif [ "$constellation" != 15 ]; then
        echo "the combination scans a range of years: no predefined constellation"
      fi ;;
    full)
      if [ "$passage" = 5 ]; then
        echo "the full series offers no free passage (F minimised run)"
      elif [ "$passage" -le 2 ] && [ "$constellation" = 15 ]; then
        echo "the full series at a passage takes one k-number, not a range of years"
      fi ;;
  esac
}

# Record A and F of set n for the series kind k, as the dialog would fill them.
records_for() {
  local n="$1" k="$2" m c ts tf fc fp passage
  read -r m c _ _ _ <<<"$(record "$n" 0)"
  read -r _ passage _ <<<"$(record "$n" 2)"
  read -r ts tf fc fp <<<"$(record "$n" 5)"
  case "$k" in
    short) A="$m $c 1 0 0" ;;
    combi) A="$m $c 1 0 1" ;;
    full) A="$m $c 2 1 0" ;;
  esac
  # One tolerance is asked unless the combination or a free passage asks two;
  # the combination's full-series tolerance defaults to the short one.
  if [ "$k" = combi ]; then
    awk -v t="$tf" 'BEGIN { exit !(t + 0 == 0) }' && tf="$ts"
  elif [ "$passage" != 5 ]; then
    tf=0
  fi
  F="$(printf '%.3f %.3f %.3f %.3f' "$ts" "$tf" "$fc" "$fp")"
}

kind_of() {
  local e f c
  read -r _ _ e f c <<<"$(record "$1" 0)"
  if [ "$e" = 3 ]; then echo kepler
  elif [ "$e" = 2 ]; then echo full
  elif [ "$c" = 1 ]; then echo combi
  else echo short; fi
}

# Times the variant in file $1 with answer $2: prints "median min max cpu status".
time_variant() {
  local file="$1" answer="$2" rows="" i
  for ((i = 1; i <= runs; i++)); do
    prepare_dir "$scratch/w" "$file"
    rows+="$(timed_run "$scratch/w" "$answer")"$'\n'
  done
  printf '%s' "$rows" | summarise
}

machine_line
echo "# load average before: $(load_now); runs per variant: $runs"
echo "# wall time in seconds: median [min-max] (processor time of all threads); * = the book option itself"
notes=()
for n in $only; do
  [ "$n" = scan ] && continue
  title="$(sed -n "$((10 * n + 9))p" "$parm" | sed 's/^ *//')"
  own="$(kind_of "$n")"
  echo "$title"
  for k in short combi full; do
    reason="$(why_not "$n" "$k")"
    mark=" "
    [ "$k" = "$own" ] && mark="*"
    if [ -n "$reason" ]; then
      printf '   %-6s  n/a: %s\n' "$k" "$reason"
      continue
    fi
    records_for "$n" "$k"
    variant_file "$n" "$A" "$F" "$scratch/inparm.t"
    read -r med mn mx cpu st < <(time_variant "$scratch/inparm.t" "$n")
    printf '  %s%-6s  %8s [%s-%s] (%s)%s   A=%s F=%s\n' "$mark" "$k" "$med" "$mn" "$mx" "$cpu" \
      "$([ "$st" != 0 ] && echo " exit $st")" "$A" "$F"
  done
  if [ "$own" = kepler ]; then
    read -r med mn mx cpu st < <(time_variant "$parm" "$n")
    printf '  *%-6s  %8s [%s-%s] (%s)%s\n' kepler "$med" "$mn" "$mx" "$cpu" "$([ "$st" != 0 ] && echo " exit $st")"
  fi
done

if [[ " $only " == *" scan "* ]]; then
  echo "Mercury-transit scan 2000-3000, contacts and phases in TT (record set 11, answer 11)"
  for k in short combi full; do
    records_for 11 "$k"
    variant_years 11 "$A" "$F" "$scratch/inparm.t" 2000 3000
    read -r med mn mx cpu st < <(time_variant "$scratch/inparm.t" 11)
    found="$(sed -n 's/.*Detected transits *: *\([0-9]*\).*/\1/p' "$scratch/w/terminal.txt")"
    printf '   %-6s  %8s [%s-%s] (%s)%s   %s transits%s\n' "$k" "$med" "$mn" "$mx" "$cpu" \
      "$([ "$st" != 0 ] && echo " exit $st")" "${found:-?}" \
      "$([ "$k" = full ] && echo '  (record set only)')"
  done
fi
echo "# load average after: $(load_now)"

if [ "$scan_bench" = 1 ]; then
  echo "building scan_bench in $build ..." >&2
  {
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DR7_BUILD_TESTS=OFF -DR7_BUILD_BENCH=ON >/dev/null
    cmake --build "$build" --target scan_bench -j 2 >/dev/null
  } </dev/null || { echo "studies.sh: the build of scan_bench failed" >&2; exit 1; }
  echo "# scan_bench (in-process, no loading time): ephem 0 short, 1 combination, 2 full; load $(load_now)"
  "$build/scan_bench" 2>/dev/null | grep -E '^(BM_|-|Benchmark)'
fi
