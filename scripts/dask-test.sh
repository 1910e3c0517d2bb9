#!/usr/bin/env bash
# Installs Dask (scripts/setup.sh dask), builds the library and the
# command-line tool (build/test), and runs the Python package's tests of whole
# libraries: catalogue() against the tool's `show --json`, and
# lumenmeta.dask on a local cluster of two worker processes. The package is
# installed the way a user does, `pip install ./python` into a fresh venv of
# Debian's /usr/bin/python3 that sees Debian's Dask and pytest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh dask

dir=build/test
if ! { cmake -S . -B "$dir" -DLUMENMETA_BUILD_TESTS=ON &&
       cmake --build "$dir" -j"$(nproc)" --target lumenmeta lumenmeta_tool; } >"$dir.dask.log" 2>&1; then
  cat "$dir.dask.log"
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install -q --disable-pip-version-check ./python
# Run from outside the checkout, so that the workers import the installed copy.
export LUMENMETA_LIBRARY=$PWD/$dir/src/liblumenmeta.so.1 LUMENMETA_TOOL=$PWD/$dir/tools/lumenmeta
tests=$PWD/python/tests
# The cluster tests skip where Dask cannot be imported: here that is a failure.
"$work/venv/bin/python" -c 'import dask.dataframe, dask.distributed, pandas'
(cd "$work" && "$work/venv/bin/python" -m pytest -q -p no:cacheprovider -rxXs \
  "$tests/test_catalogue.py" "$tests/cluster")
