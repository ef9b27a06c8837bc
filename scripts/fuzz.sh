#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [SECONDS-EACH] [TARGET...]   (default 60 s; all targets)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=build-fuzz
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bank_reader record_reader)

CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLET_FUZZ=ON -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" >/dev/null

for target in "${targets[@]}"; do
  corpus=${target%_reader}
  [ "$corpus" = record ] && corpus=records
  cmake --build "$build" --target "fuzz_$target"
  # Work on a copy so that the corpus in the repository stays small.
  work="$build/corpus/$corpus"
  mkdir -p "$work"
  cp -n "tests/fuzz/corpus/$corpus"/* "$work"/ 2>/dev/null || true
  "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix="$build/" "$work"
done
