#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a
# bounded time, starting from its seed corpus in tests/fuzz/corpus.
# Usage: scripts/fuzz.sh [SECONDS-EACH] [TARGET...]
#   SECONDS-EACH  default 60
#   TARGET        bank_reader record_reader ini_file link_frame journal gift aiken
#                 moodle_xml (default: all)
# Exits non-zero when a fuzzer finds a crash, naming the input that does it.
# Installs what it needs on Debian 12 (as root); safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=build-fuzz
all=(bank_reader record_reader ini_file link_frame journal gift aiken moodle_xml)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

corpus_of() {
  case $1 in
    bank_reader) echo bank ;;
    record_reader) echo records ;;
    ini_file) echo ini ;;
    link_frame) echo link ;;
    journal) echo journal ;;
    gift | aiken | moodle_xml) echo "$1" ;;
    *) echo "fuzz.sh: unknown target '$1' (known: ${all[*]})" >&2; return 1 ;;
  esac
}
for target in "${targets[@]}"; do corpus_of "$target" >/dev/null; done

# Configuring reads the whole project, so Qt's development files are needed
# even though the fuzz targets link only the core.
packages=(clang-14 libclang-rt-14-dev cmake ninja-build pkg-config qt6-base-dev)
. scripts/lib/packages.sh
install_missing "${packages[@]}"
cxx=$(command -v clang++ || command -v clang++-14)

CXX=$cxx cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLET_FUZZ=ON -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF -DQUILLET_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
failed=()
for target in "${targets[@]}"; do
  corpus=$(corpus_of "$target")
  # Work on a copy so that the corpus in the repository stays small.
  work="$build/corpus/$corpus"
  artifacts="$build/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  cp -n "tests/fuzz/corpus/$corpus"/* "$work"/ 2>/dev/null || true
  log="$build/fuzz-$target.log"
  echo "== fuzz_$target for ${seconds}s (log: $log)"
  status=0
  "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=25 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" >"$log" 2>&1 || status=$?
  # The closing "Done N runs" line, and the last status line with coverage.
  grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true
  grep -E '^Done [0-9]+ runs' "$log" | tail -n 1 || true
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$target FAILED (exit status $status):"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|FuzzIniFile|FuzzLinkFrame|  detail|  bytes)' "$log" | head -n 20 || true
    tail -n 30 "$log"
    sed -n 's/.*Test unit written to \(.*\)$/  artifact: \1/p' "$log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: crashes found by: ${failed[*]} (artifacts above);" \
    "reproduce with $build/tests/fuzz/fuzz_<target> <artifact>"
  exit 1
fi
echo "fuzz.sh: no crashes in ${targets[*]} (${seconds}s each)"
