#!/usr/bin/env bash
# Builds the Debian packages (scripts/package.sh, lintian included), installs
# them with apt and uses the installed copies only, as a user of them would:
# a plain-C host built through pkg-config, a CMake host through
# find_package(lumenmeta), the Python package with the system's python3 and
# no LUMENMETA_LIBRARY, `lumenmeta --version`, the manual page and the bash
# completion. Then it purges the packages and checks that nothing of them is
# left. Needs root (or sudo) for apt. With --no-build it takes the packages
# already in build/packages/.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
if [ "${1:-}" = --no-build ]; then
  scripts/setup.sh package
  ls build/packages/*.deb >/dev/null
else
  scripts/package.sh
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
apt_get() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 -y -qq "$@" >/dev/null
}
names=(liblumenmeta1 liblumenmeta-dev lumenmeta python3-lumenmeta)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
library=/usr/lib/$multiarch/liblumenmeta.so.1

work=$(mktemp -d)
purge() { apt_get purge "${names[@]}" || true; }
trap 'purge; rm -rf "$work"' EXIT
# What the packages install, read from the packages themselves.
for deb in build/packages/*.deb; do
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }'
done >"$work/files"
apt_get install "$PWD"/build/packages/*.deb
echo "Installed: $(dpkg-query -W -f='${Package} ${Version}  ' "${names[@]}")"

# Nothing from the source tree or the environment may stand in for them.
cd "$work"
unset LUMENMETA_LIBRARY LD_LIBRARY_PATH PKG_CONFIG_PATH CMAKE_PREFIX_PATH PYTHONPATH
fail() { echo "package test: $*" >&2; echo "package test: $passed passed, 1 failed"; exit 1; }
passed=0
# The library a program loads, as a real path (/lib is /usr/lib here).
uses_installed_library() {
  local loaded
  loaded=$(ldd "$1" | awk '$1 == "liblumenmeta.so.1" { print $3 }')
  [ -n "$loaded" ] && [ "$(readlink -f "$loaded")" = "$(readlink -f "$library")" ] ||
    fail "$1 loads liblumenmeta.so.1 from '$loaded', not $library"
}

# A plain-C host through pkg-config.
# shellcheck disable=SC2046
cc -Wall -Wextra -Werror -std=c11 "$source/tests/install/host.c" -o pc_host \
  $(pkg-config --cflags --libs lumenmeta)
uses_installed_library pc_host
./pc_host
passed=$((passed + 1))

# A CMake host through find_package(lumenmeta).
cmake -S "$source/tests/install/find_package_host" -B fp \
  -DHOST_SOURCE="$source/tests/install/host.c" >/dev/null
cmake --build fp >/dev/null
uses_installed_library fp/host
fp/host
passed=$((passed + 1))

# The tool: its versions, and a real edit of a minimal JPEG (16 x 8, grey).
printf '%b' '\xFF\xD8\xFF\xDB\x00\x43\x00' \
  "$(printf '\\x01%.0s' $(seq 64))" \
  '\xFF\xC0\x00\x0B\x08\x00\x08\x00\x10\x01\x01\x11\x00' \
  '\xFF\xC4\x00\x14\x00\x01' "$(printf '\\x00%.0s' $(seq 16))" \
  '\xFF\xC4\x00\x14\x10\x01' "$(printf '\\x00%.0s' $(seq 16))" \
  '\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x0F\xFF\xD9' >photo.jpg
[ "$(command -v lumenmeta)" = /usr/bin/lumenmeta ] || fail "lumenmeta is $(command -v lumenmeta)"
uses_installed_library /usr/bin/lumenmeta
# The installed files carry no RUNPATH: the loader finds the library itself.
! readelf -d /usr/bin/lumenmeta "$library" | grep -qE 'R(UN)?PATH' || fail "a RUNPATH was installed"
lumenmeta --version | tee versions
grep -qx "lumenmeta 1\.[0-9.]*" versions && grep -qx "liblumenmeta 1\.[0-9.]*" versions &&
  grep -qx "Exiv2 [0-9.]*" versions || fail "lumenmeta --version"
passed=$((passed + 1))
lumenmeta set photo.jpg Exif.Image.Make=Lumen Xmp.dc.title=Harbour >/dev/null
[ "$(lumenmeta get photo.jpg Exif.Image.Make)" = Lumen ] || fail "the tool's edit did not read back"
passed=$((passed + 1))

# The Python package with the system's python3, outside the source tree.
/usr/bin/python3 - "$library" <<'EOF'
import os, sys
import lumenmeta
assert lumenmeta.__file__.startswith("/usr/lib/python3/dist-packages/"), lumenmeta.__file__
with lumenmeta.open("photo.jpg") as image:
    assert image["Exif.Image.Make"] == "Lumen" and image["Xmp.dc.title"] == "Harbour"
    image["Xmp.dc.title"] = "Zoë"
    image.save()
with lumenmeta.open("photo.jpg") as image:
    assert image["Xmp.dc.title"] == "Zoë"
with open("/proc/self/maps") as maps:
    loaded = {line.split()[-1] for line in maps if "liblumenmeta" in line}
assert loaded == {os.path.realpath(sys.argv[1])}, loaded
print("python3:", lumenmeta.__file__, "with", *loaded)
EOF
passed=$((passed + 1))

# The manual page.
page=$(man -w lumenmeta)
[ "$page" = /usr/share/man/man1/lumenmeta.1.gz ] || fail "man -w lumenmeta gives $page"
MANWIDTH=80 man -P cat lumenmeta 2>&1 | grep -q '^COMMANDS' || fail "the manual page has no COMMANDS"
echo "man -w lumenmeta: $page"
passed=$((passed + 1))

# The bash completion, loaded as bash-completion loads it, its function
# called as bash calls it on TAB.
complete_line() {
  bash --norc -i -c 'source /usr/share/bash-completion/completions/lumenmeta
    read -ra COMP_WORDS <<<"$1"; [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$1 COMP_POINT=${#1}
    complete -p lumenmeta >/dev/null && _lumenmeta lumenmeta "${COMP_WORDS[COMP_CWORD]}" && echo "${COMPREPLY[*]}"' \
    bash "$1" 2>/dev/null </dev/null
}
[ "$(complete_line 'lumenmeta se')" = set ] || fail "lumenmeta se<TAB> gives '$(complete_line 'lumenmeta se')'"
[ "$(complete_line 'lumenmeta get photo.jpg Exif.Image.M')" = Exif.Image.Make ] ||
  fail "a key of the file: '$(complete_line 'lumenmeta get photo.jpg Exif.Image.M')'"
[ "$(complete_line 'lumenmeta show --family X')" = Xmp ] || fail "an option's word"
echo "completion: lumenmeta se<TAB> -> set"
passed=$((passed + 1))

# Purged, nothing of them is left: no package, no file, no library known to
# the loader, no Python cache.
cd "$source"
purge
trap 'rm -rf "$work"' EXIT
left=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${names[@]}" 2>/dev/null | grep -v ' not-installed$' || true)
[ -z "$left" ] || fail "still known to dpkg: $left"
while read -r file; do
  [ ! -e "$file" ] && [ ! -L "$file" ] || fail "left behind: $file"
done <"$work/files"
! ldconfig -p | grep -q liblumenmeta || fail "the loader still lists liblumenmeta"
[ ! -e /usr/lib/python3/dist-packages/lumenmeta ] || fail "left behind: /usr/lib/python3/dist-packages/lumenmeta"
[ ! -e "/usr/lib/$multiarch/cmake/lumenmeta" ] || fail "left behind: /usr/lib/$multiarch/cmake/lumenmeta"
echo "Purged: nothing of the packages is left"
passed=$((passed + 1))
echo "package test: $passed passed, 0 failed"
