#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the program's sources
# (not the tests); prints every finding and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build >/dev/null
command -v clang-tidy >/dev/null || apt-get install -y -qq clang-tidy >/dev/null
out=$(git ls-files 'app/*.cpp' 'course/*.cpp' 'link/*.cpp' 'output/*.cpp' 'platform/*.cpp' 'records/*.cpp' 'skin/*.cpp' \
        'testwin/*.cpp' 'player/*.cpp' 'tools/*/*.cpp' |
      xargs -P"$(nproc)" -n4 clang-tidy -p build --quiet 2>/dev/null | grep -A3 'warning:' || true)
if [ -n "$out" ]; then
  echo "$out"
  exit 1
fi
echo "clang-tidy: no findings"
