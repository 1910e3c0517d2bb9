#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds the tiny C host
# against the installed tree twice: through pkg-config and through
# find_package(lumenmeta). Both hosts must run.
# Arguments: BUILD_DIR SOURCE_DIR C_COMPILER [SANITIZE_FLAGS]
set -euo pipefail
build=$1 source=$2 cc=$3 flags=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/lumenmeta"
"$prefix/bin/lumenmeta" --version

libdir=$(dirname "$(find "$prefix" -name 'lumenmeta.pc' -print -quit)")/..
export LD_LIBRARY_PATH=$libdir

# pkg-config
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046,SC2086
"$cc" $flags -Wall -Wextra -Werror -std=c11 "$source/tests/install/host.c" -o "$work/pc_host" \
  $(pkg-config --cflags --libs lumenmeta)
"$work/pc_host"

# find_package
cmake -S "$source/tests/install/find_package_host" -B "$work/fp" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" -DHOST_SOURCE="$source/tests/install/host.c" >/dev/null
cmake --build "$work/fp" >/dev/null
"$work/fp/host"
