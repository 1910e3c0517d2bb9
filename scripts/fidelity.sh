#!/usr/bin/env bash
# fidelity.sh CHECK LIB DIR...: runs the real-photo check CHECK (check.sh of
# the shared fidelity folder) on the library LIB in all three modes (a
# rewrite with no edit, three edits, one keyword added) for the photos of
# each DIR, two folders at a time, prints the findings, and passes when
# nothing was lost, changed or reconciled, no edit was lost, every time zone
# gave the same file and the validator's only new remark is the
# Exif.Image.Rating tag that the rating conversion adds (the check itself
# counts that remark as a failure).
set -uo pipefail
check=${1:?usage: fidelity.sh CHECK LIB DIR...}
lib=${2:?usage: fidelity.sh CHECK LIB DIR...}
shift 2
[ $# -gt 0 ] || { echo "usage: fidelity.sh CHECK LIB DIR..."; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=0
for dir in "$@"; do
  n=$((n + 1))
  "$check" "$lib" "$dir" all >"$work/$n.log" 2>&1 &
  # Two checks at a time, one per core.
  [ $((n % 2)) -eq 0 ] && wait
done
wait
status=0
n=0
for dir in "$@"; do
  n=$((n + 1))
  log="$work/$n.log"
  echo "== $dir"
  cat "$log"
  summaries=$(grep -E '^(keep|edit|add): files ' "$log" || true)
  if [ "$(printf '%s\n' "$summaries" | grep -c .)" -ne 3 ]; then
    echo "fidelity: the check of $dir did not finish"
    status=1
    continue
  fi
  if printf '%s\n' "$summaries" |
      grep -v -q -E 'write failures 0; lost 0, changed 0, reconciled 0, .* edits lost 0; time-zone dependent 0;'; then
    status=1
  fi
  if grep -E ': new warning: ' "$log" | grep -v -q 'Non-standard IFD0 tag 0x4746 Rating'; then
    status=1
  fi
done
[ $status -eq 0 ] && echo "fidelity: passed" || echo "fidelity: FAILED"
exit $status
