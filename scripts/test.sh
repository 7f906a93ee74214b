#!/usr/bin/env bash
# Builds QuillCollector with warnings as errors and runs every test.
#   scripts/test.sh              the normal build, in build/, its Debian package (package.sh --test), then
#                                the Windows build under Wine (windows.sh)
#   scripts/test.sh --sanitize   the same suite with AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan/
#   scripts/test.sh --quick      the normal build in build/, then only its unit and database tests (CTest
#                                labels unit and database; no GUI, end-to-end, package or Windows run):
#                                a couple of minutes from a warm build
set -euo pipefail
source "$(dirname "$0")/common.sh"

sanitize=OFF
quick=no
build_dir="$QC_ROOT/build"
case "${1:-}" in
    --sanitize)
        sanitize=ON
        build_dir="$QC_ROOT/build-asan"
        ;;
    --quick) quick=yes ;;
    "") ;;
    *)
        echo "usage: $0 [--sanitize | --quick]" >&2
        exit 2
        ;;
esac

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_DB_PACKAGES[@]}" "${QC_QT_PACKAGES[@]}" "${QC_TEST_PACKAGES[@]}"
qc_build "$build_dir" -DQC_WERROR=ON -DQC_SANITIZE=$sanitize -DQC_BUILD_TESTS=ON

# A test that CTest kills on its time-out cannot unmount the share it mounted (its server and client end
# with it); nothing else of ours mounts in a test's folder.
unmount_left_shares() {
    awk '$3 == "fuse.smbnetfs" && $2 ~ /\/qc-test-/ { print $2 }' /proc/mounts 2>/dev/null |
        while read -r mount; do umount -l "$mount" 2>/dev/null || true; done
}
trap unmount_left_shares EXIT

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build_dir"
if [ "$quick" = yes ]; then
    ctest --output-on-failure -j "$(nproc)" --timeout 300 -L '^(unit|database)$'
    exit 0
fi
ctest --output-on-failure -j "$(nproc)" --timeout 300

# The Debian package made from this build, installed and removed for real when run as root.
# QC_PACKAGE_TEST=no leaves it out of a local run.
if [ "$sanitize" = OFF ]; then
    bash "$QC_ROOT/scripts/package.sh" --test
fi

# The Windows flavour of the same sources: cross-built with MinGW-w64, its tests run under Wine.
# QC_WINDOWS=no leaves it out of a local run; CI runs it always.
if [ "$sanitize" = OFF ]; then
    if [ "${QC_WINDOWS:-yes}" != no ]; then
        bash "$QC_ROOT/scripts/windows.sh"
    elif qc_in_ci; then
        echo "== QC_WINDOWS=no is ignored in CI, which runs all that the machine can run"
        bash "$QC_ROOT/scripts/windows.sh"
    fi
fi
