#!/usr/bin/env bash
# Installs what building and testing lumenmeta needs on Debian 12: only the
# packages that are missing, and quietly when everything is already there.
# With --fuzz also what the fuzz targets need: clang and its libFuzzer and
# sanitizer runtimes.
set -euo pipefail

packages=(cmake make g++ pkg-config binutils libexiv2-dev libgtest-dev libgmock-dev)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing ${missing[*]} ..."
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
