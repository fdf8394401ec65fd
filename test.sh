#!/usr/bin/env bash
# Builds the program and the tests and runs every test through CTest.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$here/build-test"

# The build needs CMake, a C++20 compiler with OpenMP and GoogleTest; install
# what is missing from Debian's packages.
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
  else
    echo "test.sh: missing packages: ${need[*]}" >&2; exit 1
  fi
fi

# The terminal test drives the program in tmux; without it that test is skipped.
if ! command -v tmux >/dev/null && [ "$(id -u)" = 0 ]; then
  { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq tmux; } </dev/null >/dev/null 2>&1 || true
fi

# The browser test of the report page renders it in headless Chromium; without
# Chromium that test is skipped. Installing
# Chromium takes about three minutes on a fresh machine (once), so it runs
# beside the build and is waited for before the tests start.
browser_install=
if ! command -v chromium >/dev/null && [ "$(id -u)" = 0 ]; then
  { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq chromium; } </dev/null >/dev/null 2>&1 &
  browser_install=$!
fi

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DR7_BUILD_TESTS=ON </dev/null
cmake --build "$build" -j "$(nproc)" </dev/null
if [ -n "$browser_install" ]; then
  wait "$browser_install" || echo "test.sh: Chromium could not be installed; the browser test is skipped" >&2
fi
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@" </dev/null
