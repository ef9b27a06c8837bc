#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz

CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLET_FUZZ=ON -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" >/dev/null
cmake --build "$build" --target fuzz_bank_reader

# Work on a copy so that the corpus in the repository stays small.
work="$build/corpus/bank"
mkdir -p "$work"
cp -n tests/fuzz/corpus/bank/* "$work"/ 2>/dev/null || true
"$build/tests/fuzz/fuzz_bank_reader" -max_total_time="$seconds" -max_len=4096 \
  -artifact_prefix="$build/" "$work"
