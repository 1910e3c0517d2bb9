#!/usr/bin/env bash
# fidelity.sh CHECK LIB DIR: runs the real-photo check CHECK (check.sh of the
# shared fidelity folder) on the library LIB and the photos in DIR, prints
# its findings, and passes when nothing was lost or changed, no edit was
# lost, every time zone gave the same file and the validator's only new
# remark is the Exif.Image.Rating tag that the rating conversion adds (the
# check itself counts that remark as a failure).
set -uo pipefail
check=${1:?usage: fidelity.sh CHECK LIB DIR}
lib=${2:?usage: fidelity.sh CHECK LIB DIR}
dir=${3:?usage: fidelity.sh CHECK LIB DIR}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$check" "$lib" "$dir" both >"$log" 2>&1
cat "$log"
status=0
summaries=$(grep -E '^(keep|edit): files ' "$log" || true)
[ "$(printf '%s\n' "$summaries" | grep -c .)" -eq 2 ] || { echo "fidelity: the check did not finish"; exit 1; }
if printf '%s\n' "$summaries" | grep -v -q -E 'write failures 0; lost 0, changed 0, .* edits lost 0; time-zone dependent 0;'; then
  status=1
fi
if grep -E ': new warning: ' "$log" | grep -v -q 'Non-standard IFD0 tag 0x4746 Rating'; then
  status=1
fi
[ $status -eq 0 ] && echo "fidelity: passed" || echo "fidelity: FAILED"
exit $status
