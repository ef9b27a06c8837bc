#!/usr/bin/env bash
# Checks that every C++ source follows .clang-format; with --fix, formats
# them in place instead. Fails, listing the files, when one does not.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { . scripts/lib/packages.sh; install_missing clang-format; }
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format asks (scripts/format.sh --fix formats them):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "clang-format: ${#files[@]} files formatted"
