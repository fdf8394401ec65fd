#!/usr/bin/env bash
# Builds the program and the unit tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them, a few book options and hostile runs;
# any sanitizer report fails.   tests/sanitize.sh SOURCE_DIR BUILD_DIR [DATA_DIR]
# No ThreadSanitizer: libgomp is not instrumented, so TSan reports its own barriers.
set -euo pipefail

src="$(cd "$1" && pwd)"
build="$2"
data="${3:-$src/data/published}"
jobs="${R7_SANITIZE_JOBS:-2}"

flags="-O1 -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer -g"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=0:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export R7_DATA="$data"
# A tenth of the mutation cases: under the sanitizers each costs ten times more.
export R7_FUZZ_PERCENT="${R7_FUZZ_PERCENT:-10}"

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Sanitize -DR7_BUILD_TESTS=ON -DR7_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined,float-cast-overflow" >/dev/null

# The unit test programs (every test folder except e2e) and the program.
programs=()
for d in "$src"/tests/*/; do
  sub="$(basename "$d")"
  [ "$sub" = e2e ] && continue
  ls "$d"*_test.cpp >/dev/null 2>&1 || continue
  programs+=("r7_tests_$sub")
done
cmake --build "$build" -j "$jobs" --target r7 "${programs[@]}" </dev/null

status=0
for p in "${programs[@]}"; do
  echo "== $p"
  # Left to the normal build: the browser test and the series run's page (ten times slower here).
  if ! (cd "$build" && "./$p" --gtest_brief=1 --gtest_filter='-Answers/Browser.*:Answers/PageLayout.*minus_804' </dev/null); then
    echo "sanitize: $p failed" >&2
    status=1
  fi
done

# A few book options and hostile runs, each in a fresh working directory with
# the installation data and the published data linked: each ends with its own
# status and no sanitizer report.
work="$build/sanitize-work"
prepare() {
  rm -rf "$work"
  mkdir -p "$work"
  for f in "$src"/data/*; do [ -f "$f" ] && cp "$f" "$work"/; done
  for f in "$data"/*; do ln -s "$(cd "$(dirname "$f")" && pwd)/$(basename "$f")" "$work/"; done
}
run_case() {
  local expect="$1" setup="$2" command="$3"
  prepare
  echo "== r7, $command"
  local rc=0
  (cd "$work" && eval "$setup" && eval "${command//R7/timeout 600 \"$build/r7\"}" 2>stderr.txt) || rc=$?
  if [ "$rc" -ne "$expect" ] || grep -q -E "ERROR: (Address|UndefinedBehavior)Sanitizer|runtime error:" "$work/stderr.txt"; then
    echo "sanitize: r7 ($command) ended with status $rc, expected $expect" >&2
    cat "$work/stderr.txt" >&2
    status=1
  fi
}
for answer in ${R7_SANITIZE_OPTIONS:-3 15 16 338}; do run_case 0 true "echo $answer | R7 >stdout.txt"; done
run_case 0 true "R7 <&- >/dev/null"
run_case 0 true "R7 <. >/dev/null"
run_case 1 "rm inserie.t && mkdir inserie.t" "echo 11 | R7 >/dev/null"
run_case 1 "sed -i '28s/.*/  3  1  1  1  2/' inedit.t" "echo 999 | R7 >/dev/null"
run_case 4 true "echo 16 | R7 >/dev/full"
rm -rf "$work"

exit "$status"
