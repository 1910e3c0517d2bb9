#!/usr/bin/env bash
# Installs what is missing, builds lumenmeta with its tests and runs them all.
# With --sanitize the build uses AddressSanitizer and UndefinedBehaviorSanitizer
# (any report fails the test, leaks included); with --thread it uses
# ThreadSanitizer and runs the tests that use the library from many threads.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

if [ "${1:-}" = "--thread" ]; then
  dir=build/thread
  scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENMETA_BUILD_TESTS=ON \
    -DLUMENMETA_ONLY_THREAD_TESTS=ON -DLUMENMETA_BUILD_TOOLS=OFF -DLUMENMETA_SANITIZE=thread \
    -DLUMENMETA_UNITY_BUILD=ON
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
elif [ "${1:-}" = "--sanitize" ]; then
  dir=build/sanitize
  scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENMETA_BUILD_TESTS=ON \
    -DLUMENMETA_SANITIZE=address,undefined -DLUMENMETA_UNITY_BUILD=ON
  export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
else
  dir=build/test
  scripts/build.sh "$dir" -DLUMENMETA_BUILD_TESTS=ON
fi
cd "$dir"
ctest -j"$(nproc)" --output-on-failure
