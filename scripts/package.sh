#!/usr/bin/env bash
# Builds the Debian packages liblumenmeta1, liblumenmeta-dev, lumenmeta and
# python3-lumenmeta into build/packages/ (installing what building them needs
# first) and runs lintian on them; any lintian error fails the script.
#
# The library's symbols file (debian/liblumenmeta1.symbols) is checked
# strictly: an export removed, changed or added fails the build. After
# exports are added on purpose, `scripts/package.sh --update-symbols` builds
# with the check off and writes the symbols file anew from the library built
# (a new export gets the version in debian/changelog); commit the file.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
update_symbols=0
case "${1:-}" in
  "") ;;
  --update-symbols) update_symbols=1 ;;
  *) echo "Usage: $0 [--update-symbols]" >&2; exit 2 ;;
esac
scripts/setup.sh package

out=build/packages
rm -rf "$out"
# dpkg-buildpackage writes the packages beside the source tree, so the tree
# is built as a copy under build/packages/: the files git knows and the new
# ones it does not ignore, as they are in the working tree.
src=$out/source/lumenmeta
mkdir -p "$src"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar -c --null -T - | tar -x -C "$src"
else
  tar -c --exclude=./build . | tar -x -C "$src"
fi

log=$out/build.log
echo "Building the packages (log: $log) ..."
export DEB_BUILD_OPTIONS="nocheck noautodbgsym parallel=$(nproc)"
[ $update_symbols -eq 1 ] && export LUMENMETA_SYMBOLS_CHECK=0
if ! (cd "$src" && dpkg-buildpackage -b -us -uc) >"$log" 2>&1; then
  # The symbols check's report, where that is what failed; else the log's end.
  if grep -q '^dpkg-gensymbols: error' "$log"; then
    sed -n '/^dpkg-gensymbols: /,/^dh_makeshlibs: error/p' "$log"
    echo "The library's exports differ from debian/liblumenmeta1.symbols. If that is" >&2
    echo "meant (exports added), run scripts/package.sh --update-symbols and commit it." >&2
  else
    tail -60 "$log"
  fi
  echo "Package build failed; the log is in $log" >&2
  exit 1
fi
if [ $update_symbols -eq 1 ]; then
  # The exports of the library built, on the basis of the file as it was
  # (an export gone is dropped from it: that needs a new SONAME). A new
  # export is listed with the upstream version, the changelog's without its
  # Debian revision: dpkg-gensymbols lets a symbol listed with the very
  # version being built vanish without failing the check.
  (cd "$src" && dpkg-gensymbols -pliblumenmeta1 -Pdebian/liblumenmeta1 -c0 -q \
    -Idebian/liblumenmeta1.symbols -O"$root/debian/liblumenmeta1.symbols")
  sed -i -E 's/^( [^ ]+ [^ -]+)-[^ ]+$/\1/' debian/liblumenmeta1.symbols
  git --no-pager diff -- debian/liblumenmeta1.symbols 2>/dev/null || true
  echo "Wrote debian/liblumenmeta1.symbols"
fi
mv "$out"/source/*.deb "$out"/
ls "$out"/*.deb

echo "lintian:"
lintian --fail-on error --display-info "$out"/*.deb | tee "$out/lintian.txt"
echo "lintian: no error"
