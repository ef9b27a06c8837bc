#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the program's sources:
# every .cpp file of the tree but the tests and the benchmarks, so that a new
# folder is checked without being listed here. Prints every finding and
# fails when there is one, or when clang-tidy could not check a file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build >/dev/null
. scripts/lib/packages.sh
install_missing clang-tidy
status=0
out=$(git ls-files --cached --others --exclude-standard '*.cpp' ':!:tests/*' ':!:bench/*' ':!:build*' |
      xargs -P"$(nproc)" -n4 clang-tidy -p build --quiet 2>&1) || status=$?
findings=$(grep -E -A3 '(warning|error):' <<<"$out" || true)
if [ -n "$findings" ] || [ "$status" -ne 0 ]; then
  [ -z "$findings" ] || echo "$findings"
  [ "$status" -eq 0 ] || echo "clang-tidy failed (exit status $status)"
  exit 1
fi
echo "clang-tidy: no findings"
