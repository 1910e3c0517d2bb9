#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures and builds into DIR, showing the
# build's progress (a line each tenth of the way) and printing the full
# build log only when something fails.
set -euo pipefail
dir=$1
shift
log="$dir.log"
mkdir -p "$(dirname "$dir")"
echo "Building into $dir (full log: $log)"
progress() {
  awk 'match($0, /^\[ *[0-9]+%\]/) {
         done = substr($0, RSTART + 1, RLENGTH - 3) + 0
         if (done >= shown + 10 || (done == 100 && shown < 100)) {
           printf "  %3d%% built\n", done; fflush(); shown = done
         }
       }'
}
if ! { cmake -S . -B "$dir" "$@" && cmake --build "$dir" -j"$(nproc)"; } 2>&1 | tee "$log" | progress; then
  cat "$log"
  echo "Build failed; the log is in $log" >&2
  exit 1
fi
