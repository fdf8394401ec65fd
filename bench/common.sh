# Shared parts of the whole-run timing scripts (options.sh, studies.sh,
# threads.sh): their common options, the published data, the Release build, the
# working directory, one timed run and the statistics. Sourced, not run; the
# scripts that write the e2e expected reports and the figures use the working
# directory from here too. The functions below bench_options expect $here (the
# repository) and $data (the published data), as bench_options sets them.

# The repository this file belongs to.
r7_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The published data: the folder named by R7_DATA, else data/published of the
# repository. Ends the script with a message when it is missing; otherwise sets
# data to its absolute path.
find_data() {
  data="${R7_DATA:-$r7_root/data/published}"
  [ -d "$data" ] || { echo "$(basename "$0"): published data not found in $data (set R7_DATA)" >&2; exit 1; }
  data="$(cd "$data" && pwd)"
}

# The options every timing script takes, over the defaults the script has set:
# --runs N, --long-runs N (where the script has a default for long_runs),
# --only LIST, --build DIR (default build-bench of the repository) and
# -h/--help, which prints the script's opening comment. An option that is none
# of these goes to the script's own_option ARGS..., when it has one: it sets
# took to the number of arguments it used, or returns 1 for an unknown option.
# Then sets here (the repository) and data (find_data).
bench_options() {
  local script took
  script="$(basename "$0")"
  here="$r7_root"
  build="$here/build-bench"
  while [ $# -gt 0 ]; do
    took=0
    case "$1" in
      --runs) runs="$2"; took=2 ;;
      --long-runs) [ -n "${long_runs+set}" ] && { long_runs="$2"; took=2; } ;;
      --only) only="$2"; took=2 ;;
      --build) build="$(realpath -m "$2")"; took=2 ;;
      -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    esac
    if [ "$took" = 0 ] && ! { declare -F own_option >/dev/null && own_option "$@"; }; then
      echo "$script: unknown argument $1 (see --help)" >&2
      exit 2
    fi
    shift "$took"
  done
  find_data
}

# Builds r7 in Release in the folder $1 when it is missing or a source is newer.
build_r7() {
  local build="$1"
  if [ ! -x "$build/r7" ] || [ -n "$(find "$here/src" "$here/CMakeLists.txt" -newer "$build/r7" -print -quit 2>/dev/null)" ]; then
    echo "building r7 (Release) in $build ..." >&2
    {
      cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DR7_BUILD_TESTS=OFF >/dev/null
      cmake --build "$build" --target r7 -j 2 >/dev/null
    } </dev/null || { echo "the build of r7 failed" >&2; return 1; }
  fi
}

# A fresh working directory $1 as run.sh prepares one: the installation data
# copied, the published data linked. $2, when given, replaces inparm.t.
prepare_dir() {
  local dir="$1" parm="${2:-}" f name
  rm -rf "$dir"
  mkdir -p "$dir"
  for f in "$r7_root"/data/*; do [ -f "$f" ] && cp "$f" "$dir"/; done
  [ -n "$parm" ] && cp "$parm" "$dir/inparm.t"
  for f in "$data"/*; do
    name="$(basename "$f")"
    case "$name" in README.md|*.txt) continue ;; esac
    ln -s "$f" "$dir/$name"
  done
}

# One run in $1 with the menu answer $2: prints "wall_ms cpu_s status". The
# wall time is that of the whole process; the processor time (all threads) is
# the one the program reports in its closing lines ("-" when there are none).
timed_run() {
  local dir="$1" answer="$2" t0 t1 rc cpu
  t0=$(date +%s%N)
  set +e
  (cd "$dir" && echo "$answer" | "$r7" >terminal.txt 2>&1)
  rc=$?
  set -e
  t1=$(date +%s%N)
  cpu=$(sed -n 's/.*CPU time *\([0-9]*\): *\([0-9]*\): *\([0-9.]*\).*/\1 \2 \3/p' "$dir/terminal.txt" |
        awk 'END { if (NR) printf "%.3f", $1 * 3600 + $2 * 60 + $3; else printf "-" }')
  echo "$(( (t1 - t0) / 1000000 )) $cpu $rc"
}

# Reads lines "wall_ms cpu_s status" and prints "median min max cpu_median status"
# (seconds; the last non-zero status, else 0).
summarise() {
  local rows wall cpu st
  rows="$(cat)"
  wall="$(awk '{ print $1 }' <<<"$rows" | sort -n | awk '
    { t[NR] = $1 }
    END { m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
          printf "%.3f %.3f %.3f", m / 1000, t[1] / 1000, t[NR] / 1000 }')"
  cpu="$(awk '$2 != "-" { print $2 }' <<<"$rows" | sort -g | awk '
    { c[NR] = $1 }
    END { if (!NR) { printf "-"; exit }
          printf "%.2f", (NR % 2) ? c[(NR + 1) / 2] : (c[NR / 2] + c[NR / 2 + 1]) / 2 }')"
  st="$(awk '$3 != 0 { s = $3 } END { print s + 0 }' <<<"$rows")"
  echo "$wall $cpu $st"
}

machine_line() {
  local rev
  rev="$(git -C "$here" log -1 --format=%h 2>/dev/null || true)"
  [ -n "$rev" ] && [ -n "$(git -C "$here" status --porcelain -- src 2>/dev/null)" ] && rev="$rev + local changes"
  echo "# $(date '+%Y-%m-%d %H:%M %Z'); $(nproc --all) cores; $(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -1); sources ${rev:-?}; threads ${OMP_NUM_THREADS:-default}"
}
# Sets r7 to the program under test: the one R7_BINARY names, timed as it is
# (for example an older build), else the build in $build.
program_under_test() {
  if [ -n "${R7_BINARY:-}" ]; then
    r7="$(realpath -m "$R7_BINARY")"
  else
    build_r7 "$build" || exit 1
    r7="$build/r7"
  fi
}

# A scratch folder $scratch for the working directories of the runs, removed
# when the script ends; $1 names it.
make_scratch() {
  scratch="$(mktemp -d "${TMPDIR:-/tmp}/r7-$1.XXXXXX")"
  trap 'rm -rf "$scratch"' EXIT
}

# The start of a script that times whole runs: the wait policy run.sh sets
# (passive unless the caller sets it), the program under test ($r7) and the
# scratch folder ($1 names it).
bench_setup() {
  export OMP_WAIT_POLICY="${OMP_WAIT_POLICY:-passive}"
  program_under_test
  make_scratch "$1"
}

# One run of program $1 in a fresh working directory $scratch/w with
# OMP_NUM_THREADS=$2 (empty: the runtime's choice), the standard input $3 (a
# printf format) and the arguments after it; the terminal output stays in
# $scratch/w/terminal.txt. Prints the wall time [ms].
run_case() {
  local prog="$1" threads="$2" input="$3" t0 t1
  shift 3
  prepare_dir "$scratch/w"
  t0=$(date +%s%N)
  (
    cd "$scratch/w"
    if [ -n "$threads" ]; then export OMP_NUM_THREADS="$threads"; else unset OMP_NUM_THREADS; fi
    printf -- "$input" | "$prog" "$@" >terminal.txt 2>&1
  ) || echo "${0##*/}: $prog $* exited with status $?" >&2
  t1=$(date +%s%N)
  echo $(( (t1 - t0) / 1000000 ))
}

# The dialog of the long scan: Mercury transits by the detailed dialog with the
# combination of short and full series, years -13000 to 17000.
scan_input='0\n3\n1\n1\n3\n1\n1\n-13000\n17000\n1\n1\n'

load_now() { cut -d' ' -f1-3 /proc/loadavg; }
