#!/usr/bin/env bash
# Sets everything up (Debian 12, as root), builds with warnings as errors, and
# checks the program in this order:
#   1. formatting (scripts/format.sh) and clang-tidy (scripts/tidy.sh);
#   2. the Debian package, packed from the main build and checked with
#      lintian, desktop-file-validate and appstreamcli (scripts/package.sh);
#   3. every test again in a second build (build-asan) under AddressSanitizer,
#      UndefinedBehaviorSanitizer and LeakSanitizer, programs the tests start
#      included: any report fails the run;
#   4. each libFuzzer target for QUILLET_FUZZ_SECONDS (default 10) seconds
#      (scripts/fuzz.sh, clang, in build-fuzz);
#   5. every test of the main build, whose summary is the last thing printed.
# The exit status is non-zero when any of them failed. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
fuzz_seconds=${QUILLET_FUZZ_SECONDS:-10}
failed=()

scripts/setup.sh build -DQUILLET_WERROR=ON
# The screen reader's walk: an X server, a window manager, the AT-SPI bus,
# its Python client and a key presser; where boxes open: the same X server
# and window manager, and weston with Qt's Wayland plugin; a PostgreSQL
# server for the record server's tests; and Chromium, which opens the class
# report with its charts. Without them a plain ctest skips those tests.
. scripts/lib/packages.sh
install_missing xvfb jwm xdotool x11-utils dbus-daemon at-spi2-core python3-pyatspi postgresql weston qt6-wayland \
  chromium libjs-chart.js

echo "== Formatting and clang-tidy"
scripts/format.sh || failed+=("formatting")
scripts/tidy.sh || failed+=("clang-tidy")

echo "== The Debian package: lintian, desktop-file-validate, appstreamcli"
scripts/package.sh build || failed+=("package checks")

echo "== Sanitizer build (build-asan): AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer"
# -O1 with line tables: quicker to build than the default -O2 -g, readable
# stack traces, and assertions stay on.
scripts/setup.sh build-asan -DQUILLET_SANITIZE=ON -DQUILLET_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
# Reports go to files, so that those of programs a test starts (and whose
# output the test may not show) are seen too.
logs=$root/build-asan/sanitizer-logs
rm -rf "$logs"
mkdir -p "$logs"
sanitized=0
(
  export ASAN_OPTIONS="detect_leaks=1:log_path=$logs/asan"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$logs/ubsan"
  # Leaks inside third-party libraries only (Qt's Wayland and D-Bus use).
  if [ -f "$root/tests/lsan.supp" ]; then
    export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
  fi
  cd build-asan
  ctest --output-on-failure -j"$(nproc)"
) || sanitized=$?
if compgen -G "$logs/*" >/dev/null; then
  for report in "$logs"/*; do
    echo "---- $report"
    cat "$report"
  done
  failed+=("sanitizer reports (above, and in $logs)")
fi
[ "$sanitized" -eq 0 ] || failed+=("tests under the sanitizers")

echo "== Fuzzing, ${fuzz_seconds} s per target"
scripts/fuzz.sh "$fuzz_seconds" || failed+=("fuzzers")

if [ ${#failed[@]} -gt 0 ]; then
  echo "== FAILED before the main tests: ${failed[*]}"
fi
echo "== Tests of the main build"
cd build
ctest --output-on-failure -j"$(nproc)"
[ ${#failed[@]} -eq 0 ]
