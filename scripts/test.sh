#!/usr/bin/env bash
# Sets everything up, builds with warnings as errors, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build -DQUILLET_WERROR=ON
cd build
ctest --output-on-failure -j"$(nproc)"
