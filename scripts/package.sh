#!/usr/bin/env bash
# Builds the Debian package of Quillet (Debian 12, as root): scripts/setup.sh
# installs what the build needs and builds into BUILD_DIR, then CPack packs the
# installed files and the package's path is printed.
# Usage: scripts/package.sh [BUILD_DIR] [extra cmake options...]
# Then:  apt-get install ./build/quillet_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
bash scripts/setup.sh "$@"

cd "$build"
rm -f quillet_*.deb
if ! cpack -G DEB >cpack.log 2>&1; then
  cat cpack.log >&2
  echo "package.sh: cpack failed" >&2
  exit 1
fi
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' cpack.log)
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  cat cpack.log >&2
  echo "package.sh: cpack made no .deb" >&2
  exit 1
fi
echo "$deb"
