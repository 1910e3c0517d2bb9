#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures and builds into DIR, printing the
# build log only when something fails.
set -euo pipefail
dir=$1
shift
log="$dir.log"
mkdir -p "$(dirname "$dir")"
if ! { cmake -S . -B "$dir" "$@" && cmake --build "$dir" -j"$(nproc)"; } >"$log" 2>&1; then
  cat "$log"
  echo "Build failed; the log is in $log" >&2
  exit 1
fi
