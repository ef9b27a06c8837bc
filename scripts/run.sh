#!/usr/bin/env bash
# Sets everything up, builds, and shows the bundled sample course with a
# freshly drawn Test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
bank=build/res/sample-course.blh
tool=build/tools/quillet-bank

"$tool" dump "$bank" --text
echo
echo "----------------------------------------------------------------------"
"$tool" draw "$bank" --seed "$(date +%s)" --test --text
