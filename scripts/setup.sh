#!/usr/bin/env bash
# Installs what the build needs (Debian 12, as root) and builds Quillet.
# Safe to run again: it installs only what is missing and rebuilds only
# what changed. Usage: scripts/setup.sh [BUILD_DIR] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6printsupport6 libpq-dev libssl-dev
  fonts-liberation2 fontconfig tzdata
  msmtp python3-aiosmtpd poppler-utils libxml2-utils
  libjs-chart.js
)

. scripts/lib/packages.sh
install_missing "${packages[@]}"

build=${1:-build}
shift || true
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build"
