#!/usr/bin/env bash
# Installs what is missing (Google Benchmark and Valgrind included), builds
# lumenmeta and its benchmarks in Release, and runs them: every export against
# Exiv2 doing the same work, five repetitions in random order, then the table
# of medians and the peak memory of the writes. The command-line tool is built
# too, for the batch rows: against the Exiv2 code, against ExifTool when
# `exiftool` is installed, and one job against two on files with many XMP
# properties. Then the instructions that reads and writes execute, ours
# against the direct Exiv2 code, counted by Valgrind's callgrind. Last, whole
# libraries read from Python, alone and on a local Dask cluster. Extra
# arguments go to the benchmark program (for instance
# --benchmark_filter=read).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bench
dir=build/bench
scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DLUMENMETA_BUILD_TESTS=OFF \
  -DLUMENMETA_BUILD_TOOLS=ON -DLUMENMETA_BUILD_BENCHMARKS=ON
"$dir/bench/lumenmeta_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true "$@"

# Counted instructions, which other processes on the machine do not disturb.
# The driver does each piece of work once to warm up, then on every corpus
# file inside the one function callgrind counts.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
driver="$dir/bench/lumenmeta_instructions"
"$driver" prepare "$corpus"
instructions() {
  local out="$corpus/callgrind.$1.$2"
  if ! valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*MeasuredWork*' \
      --callgrind-out-file="$out" "$driver" "$1" "$2" "$corpus" >"$out.log" 2>&1; then
    cat "$out.log" >&2
    echo "The instruction count of $1 ($2) failed" >&2
    return 1
  fi
  awk '/^totals:/ { print $2 }' "$out"
}
echo
echo "Instructions executed on the four files of bench/instruction_counts.cpp:"
echo
echo "| work | ours | Exiv2 | ratio |"
echo "|---|---:|---:|---:|"
for work in read write_in_place rewrite_in_place write_to_file; do
  ours=$(instructions "$work" ours)
  exiv2=$(instructions "$work" exiv2)
  awk -v work="$work" -v ours="$ours" -v exiv2="$exiv2" \
    'BEGIN { printf "| %s | %.1f M | %.1f M | %.3f |\n", work, ours / 1e6, exiv2 / 1e6, ours / exiv2 }'
done

# `lumenmeta show --json -r` (one job) on kWalkFiles JPEGs of 100 KB against
# Exiv2 alone opening the same files and walking all their entries (key, type
# name, text and print of each): instructions per file. The tool is counted
# from main on (its one-time set-up included), Exiv2 after a first file's
# walk.
walk_files=40
show_out="$corpus/callgrind.show.ours"
if ! valgrind --tool=callgrind --collect-atstart=no --toggle-collect=main \
    --callgrind-out-file="$show_out" "$dir/tools/lumenmeta" show --json -r -j 1 "$corpus/walk" \
    >/dev/null 2>"$show_out.log"; then
  cat "$show_out.log" >&2
  echo "The instruction count of show --json failed" >&2
  exit 1
fi
ours=$(awk '/^totals:/ { print $2 }' "$show_out")
exiv2=$(instructions walk exiv2)
awk -v files="$walk_files" -v ours="$ours" -v exiv2="$exiv2" \
  'BEGIN { printf "| show --json -r, per file | %.2f M | %.2f M | %.3f |\n", ours / files / 1e6, exiv2 / files / 1e6, ours / exiv2 }'

# Whole libraries from Python: catalogue() with one and two jobs, read_metadata
# on a local Dask cluster of two workers and the tool with two jobs, in files
# per second, on 2,000 files.
scripts/setup.sh dask
LUMENMETA_LIBRARY=$PWD/$dir/src/liblumenmeta.so.1 PYTHONPATH=$PWD/python \
  /usr/bin/python3 bench/catalogue_bench.py "$dir/tools/lumenmeta"
