#!/usr/bin/env bash
# Builds the Debian package of Quillet (Debian 12, as root) and checks it as
# a packager would: scripts/setup.sh installs what the build needs and builds
# into BUILD_DIR, CPack packs the installed files, then lintian checks the
# package, desktop-file-validate its menu entry and appstreamcli its
# software-centre metadata. Any error or warning of theirs fails the script;
# the package's path is printed last.
# Usage: scripts/package.sh [BUILD_DIR] [extra cmake options...]
# Then:  apt-get install ./build/quillet_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
bash scripts/setup.sh "$@"
. scripts/lib/packages.sh
install_missing lintian appstream desktop-file-utils

rm -f "$build"/quillet_*.deb
if ! (cd "$build" && cpack -G DEB >cpack.log 2>&1); then
  cat "$build/cpack.log" >&2
  echo "package.sh: cpack failed" >&2
  exit 1
fi
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$build/cpack.log")
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  cat "$build/cpack.log" >&2
  echo "package.sh: cpack made no .deb" >&2
  exit 1
fi

problems=()
# lintian shows errors and warnings (E: and W:) by default; it also warns
# that it runs as root, which says nothing about the package.
findings=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges is not recommended' || true)
if [ -n "$findings" ]; then
  echo "$findings" >&2
  problems+=(lintian)
fi

# The menu entry and the metadata as the package installs them.
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
if ! findings=$(desktop-file-validate "$tree"/usr/share/applications/*.desktop 2>&1) || [ -n "$findings" ]; then
  echo "$findings" >&2
  problems+=(desktop-file-validate)
fi
# --strict fails on warnings and infos too; only pedantic hints pass.
if ! findings=$(appstreamcli validate --no-net --strict "$tree"/usr/share/metainfo/*.metainfo.xml 2>&1); then
  echo "$findings" >&2
  problems+=(appstreamcli)
fi

if [ ${#problems[@]} -gt 0 ]; then
  echo "package.sh: $deb has problems (above), found by: ${problems[*]}" >&2
  exit 1
fi
echo "package.sh: lintian, desktop-file-validate and appstreamcli found nothing to report" >&2
echo "$deb"
