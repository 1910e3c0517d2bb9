#!/usr/bin/env bash
# Builds the library (build/test) and runs the Python package's tests and the
# C# binding's test program against it. The Python package is installed the
# way a user does, `pip install ./python` into a fresh venv of Debian's
# /usr/bin/python3 (no package index needed); the C# program is compiled with
# mcs and run with `mono --debug`. With --valgrind both hosts run under
# Valgrind's memcheck, and any invalid or mismatched free, or invalid read or
# write, fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh bindings

dir=build/test
if ! { cmake -S . -B "$dir" -DLUMENMETA_BUILD_TESTS=ON &&
       cmake --build "$dir" -j"$(nproc)" --target lumenmeta; } >"$dir.bindings.log" 2>&1; then
  cat "$dir.bindings.log"
  exit 1
fi
library=$PWD/$dir/src

run=()
if [ "${1:-}" = "--valgrind" ]; then
  # Definite leaks are not errors here: Exiv2 keeps its namespace registry.
  run=(valgrind -q --error-exitcode=99 --undef-value-errors=no)
  export PYTHONMALLOC=malloc
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Python: --system-site-packages only so that Debian's pytest is seen. The
# tests of whole libraries on a Dask cluster run in scripts/dask-test.sh.
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install -q --disable-pip-version-check ./python
LUMENMETA_LIBRARY=$library/liblumenmeta.so.1 "${run[@]}" "$work/venv/bin/python" \
  -m pytest -q -p no:cacheprovider -rxX --ignore=python/tests/cluster python/tests

# C#
mcs -warnaserror -out:"$work/LumenmetaTest.exe" -r:System.Core \
  bindings/dotnet/Lumenmeta.cs bindings/dotnet/tests/LumenmetaTest.cs
LD_LIBRARY_PATH=$library "${run[@]}" mono --debug "$work/LumenmetaTest.exe"
# Where the library cannot be found, the binding says how to point to it.
env -u LD_LIBRARY_PATH LUMENMETA_LIBRARY=/nonexistent/liblumenmeta.so.1 \
  mono --debug "$work/LumenmetaTest.exe" --unloadable
