#!/usr/bin/env bash
# Renders every dialog and every page of the test window into
# docs/screenshots, offscreen, from a fresh build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
QT_QPA_PLATFORM=offscreen build/tools/quillet-gallery docs/screenshots build/res/sample-course.blh
QT_QPA_PLATFORM=offscreen build/tools/quillet-skingen --contact-sheet docs/skin.png
