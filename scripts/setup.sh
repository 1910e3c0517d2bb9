#!/usr/bin/env bash
# Installs what building and testing lumenmeta needs on Debian 12: only the
# packages that are missing, and quietly when everything is already there.
# Optional groups named as arguments add their packages: "fuzz" (clang with
# its libFuzzer and sanitizer runtimes), "bench" (Google Benchmark, Valgrind for the instruction counts),
# "fidelity" (ExifTool, whose validator the real-photo check asks),
# "bindings" (Python's venv, pip and pytest, Mono's C# compiler and runtime,
# Valgrind), "package" (what building the Debian packages and checking
# them needs: debhelper, dh-python, lintian, man-db) and "dask" (Dask, its
# distributed scheduler and pandas, with Python's venv, pip and pytest, for
# the Python package's tests and bench rows on whole libraries; the package
# itself needs none of them).
set -euo pipefail

packages=(cmake make g++ pkg-config binutils libexiv2-dev libgtest-dev libgmock-dev)
for group in "$@"; do
  case "$group" in
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    bench) packages+=(libbenchmark-dev valgrind) ;;
    fidelity) packages+=(libimage-exiftool-perl) ;;
    bindings) packages+=(python3 python3-venv python3-pip python3-pytest mono-mcs mono-runtime valgrind) ;;
    package) packages+=(build-essential debhelper dh-python python3 lintian man-db) ;;
    dask) packages+=(python3 python3-venv python3-pip python3-pytest python3-dask python3-distributed
                     python3-pandas) ;;
    *) echo "Unknown package group: $group" >&2; exit 2 ;;
  esac
done

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
