#!/usr/bin/env bash
# Cross-builds the Windows flavour of QuillCollector with MinGW-w64 and runs its tests under Wine.
#   scripts/windows.sh    x64 build in build-win64/, i686 build in build-win32/
# Both builds are compiled and linked. The x64 tests run under wine64 in a fresh Wine prefix. The i686
# tests run only where the 32-bit Wine (Debian package wine32, architecture i386) is installed or can be:
# wine64 alone exits 0 without running a 32-bit program, which must never pass for a test run.
# QC_WINE32=no leaves wine32 alone (no i386 architecture is added, the i686 tests are skipped).
set -euo pipefail
source "$(dirname "$0")/common.sh"

QC_WINDOWS_PACKAGES=(cmake make googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64)
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver

wine32_missing=""  # why the i686 tests cannot run here

# Installs the 32-bit Wine when it is missing and we may; records why not otherwise.
ensure_wine32() {
    [ -x "$WINE32" ] && return 0
    if [ "${QC_WINE32:-yes}" = no ]; then
        wine32_missing="wine32 is not installed and not wanted (QC_WINE32=no)"
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        wine32_missing="wine32 is not installed; as root: dpkg --add-architecture i386 && apt-get update &&"
        wine32_missing+=" apt-get install wine32:i386"
        return 0
    fi
    echo "Installing wine32 (adds the i386 architecture)"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    if ! apt-get update -qq || ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
        --no-install-recommends wine32:i386 >/dev/null || [ ! -x "$WINE32" ]; then
        wine32_missing="wine32 could not be installed (apt-get install wine32:i386 failed)"
    fi
}

cross_build() {
    local dir=$1 arch=$2
    echo "== Cross-building for Windows $arch in $(basename "$dir")"
    qc_build "$dir" -DCMAKE_TOOLCHAIN_FILE="$QC_ROOT/cmake/toolchains/mingw-w64-$arch.cmake" \
        -DQC_WERROR=ON -DQC_BUILD_TESTS=ON -DQC_BUILD_MANAGER=OFF -DQC_BUILD_BENCH=OFF
}

# A fresh prefix, quiet and without windows: no Mono or Gecko installers, no menu entries, no crash
# dialog (a crashing test program would otherwise wait for a click forever), the null graphics driver.
create_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
    unset DISPLAY WAYLAND_DISPLAY
    rm -rf "$WINEPREFIX"
    echo "== Creating the Wine prefix $WINEPREFIX"
    "$WINE64" wineboot --init >/dev/null 2>&1
    "$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    # The desktop that wineboot started keeps its first driver, which cannot open windows without a
    # display: a restart of the Wine server lets the tests' windows come from the null driver.
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
}

# Ends the Wine server of our prefix (and only of ours), so that nothing of the run stays behind.
stop_wineserver() {
    if [ -n "${WINEPREFIX:-}" ]; then "$WINESERVER" -k >/dev/null 2>&1 || true; fi
}

run_tests() {
    local dir=$1 what=$2
    echo "== Windows $what tests under Wine"
    (cd "$dir" && ctest --output-on-failure --timeout 900)
}

qc_ensure_packages "${QC_WINDOWS_PACKAGES[@]}"
ensure_wine32

cross_build "$QC_ROOT/build-win64" x86_64
cross_build "$QC_ROOT/build-win32" i686

trap stop_wineserver EXIT
create_prefix "$QC_ROOT/build-win64/wine-prefix"
run_tests "$QC_ROOT/build-win64" x64
if [ -z "$wine32_missing" ]; then
    run_tests "$QC_ROOT/build-win32" i686
else
    echo "== Windows i686 tests SKIPPED (the i686 build is compiled and linked): $wine32_missing"
fi
