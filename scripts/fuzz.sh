#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the libFuzzer targets with clang 14,
# AddressSanitizer and UndefinedBehaviorSanitizer, writes their seed corpora
# from the test fixture library and runs each target for SECONDS (default
# 60), as many targets at once as there are cores. Each target's corpus
# grows under build/fuzz/corpus/NAME from run to run. A crash, a leak or a
# slow input leaves its input in build/fuzz/crashes/ and makes the script
# exit non-zero once every target has run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/setup.sh fuzz

dir=build/fuzz
scripts/build.sh "$dir/build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENMETA_BUILD_FUZZERS=ON -DLUMENMETA_BUILD_TESTS=OFF \
  -DLUMENMETA_BUILD_TOOLS=OFF -DLUMENMETA_SANITIZE=address,undefined,fuzzer-no-link \
  -DLUMENMETA_UNITY_BUILD=ON

rm -rf "$dir/seeds"
"$dir/build/fuzz/lumenmeta_fuzz_seeds" "$dir/seeds"
mkdir -p "$dir/crashes"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Runs one target for the set time and reports it; fails when it found
# something.
fuzz() {
  local target=$1 name corpus log start
  name=$(basename "$target")
  corpus="$dir/corpus/$name"
  log="$dir/$name.log"
  mkdir -p "$corpus"
  start=$SECONDS
  local status=ok
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2560 -timeout=25 \
      -print_final_stats=1 -artifact_prefix="$dir/crashes/$name-" \
      "$corpus" "$dir/seeds/$name" >"$log" 2>&1; then
    status=FAILED
  fi
  stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
  echo "$name: $status, $(stat number_of_executed_units) runs in $((SECONDS - start)) s," \
    "peak $(stat peak_rss_mb) MB, corpus $(find "$corpus" -type f | wc -l) inputs"
  if [ "$status" != ok ]; then
    grep -m1 -A40 -E '^==[0-9]+==ERROR|runtime error|ALARM|out-of-memory' "$log" || tail -40 "$log"
    return 1
  fi
}

# A target runs on one core: as many run at once as there are cores, each
# report printed whole when its target is done.
failed=0
pids=()
for target in "$dir"/build/fuzz/*_fuzzer; do
  fuzz "$target" >"$dir/$(basename "$target").report" &
  pids+=($!)
  if [ "${#pids[@]}" -ge "$(nproc)" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
cat "$dir"/*.report
rm -f "$dir"/*.report
exit "$failed"
