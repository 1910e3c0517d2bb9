#!/usr/bin/env bash
# The main job: installs what is missing, builds lumenmeta and runs its demo,
# which makes a sample image with metadata and shows what the library reads.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build/release -DCMAKE_BUILD_TYPE=Release -DLUMENMETA_BUILD_TESTS=OFF
build/release/tools/lumenmeta demo
