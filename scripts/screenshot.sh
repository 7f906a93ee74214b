#!/usr/bin/env bash
# Renders the manager's settings dialog offscreen into docs/manager-dialog.png (shown in the README).
#   scripts/screenshot.sh    builds ManagerScreenshot in build/ and runs it
set -euo pipefail
source "$(dirname "$0")/common.sh"

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_QT_PACKAGES[@]}" "${QC_TEST_PACKAGES[@]}"
build_dir="$QC_ROOT/build"
cmake -S "$QC_ROOT" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target ManagerScreenshot
mkdir -p "$QC_ROOT/docs"
QT_QPA_PLATFORM=offscreen "$build_dir/bin/ManagerScreenshot" "$QC_ROOT/docs/manager-dialog.png"
echo "Wrote docs/manager-dialog.png"
