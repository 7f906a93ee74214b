#!/usr/bin/env bash
# Cross-builds the Windows flavour of QuillCollector with MinGW-w64 and runs its tests under Wine.
#   scripts/windows.sh    x64 build in build-win64/, i686 build in build-win32/, each with its installer
#                         and ZIP in package/; then the road of an installation (scripts/windows_road.sh)
# Both builds are compiled and linked. The x64 tests run under wine64 in a fresh Wine prefix. The i686
# tests run only where the 32-bit Wine (Debian package wine32, architecture i386) is installed or can be:
# wine64 alone exits 0 without running a 32-bit program, which must never pass for a test run.
# QC_WINE32=no leaves wine32 alone (no i386 architecture is added, the i686 tests are skipped).
# The database and end-to-end tests reach SQLite through Wine's odbc32, which hands every call to the
# host's unixODBC: the host's driver manager and SQLite driver of the same architecture must be there.
# CTest gives each test program its ODBCSYSINI before Wine starts (tests/cmake/QcDatabaseServers.cmake).
# The foundation tests read one table of odd settings files through the system's profile functions here
# and through our own reader in the Linux run (tests/private_profile_test.cpp): both must give its values.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/windows_road.sh"

QC_WINDOWS_PACKAGES=(cmake make g++ googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64
    unixodbc libsqliteodbc)
QC_WINE32_PACKAGES=(wine32:i386 libodbc2:i386 libodbcinst2:i386 libsqliteodbc:i386)
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver

wine32_missing=""  # why the i686 tests cannot run here

wine32_ready() {
    [ -x "$WINE32" ] || return 1
    for package in "${QC_WINE32_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || return 1
    done
}

# Installs the 32-bit Wine and the host's 32-bit ODBC pieces when they are missing and we may; records
# why not otherwise.
ensure_wine32() {
    wine32_ready && return 0
    if [ "${QC_WINE32:-yes}" = no ]; then
        wine32_missing="wine32 and the i386 ODBC libraries are not installed and not wanted (QC_WINE32=no)"
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        wine32_missing="wine32 or the i386 ODBC libraries are missing; as root: dpkg --add-architecture i386 &&"
        wine32_missing+=" apt-get update && apt-get install ${QC_WINE32_PACKAGES[*]}"
        return 0
    fi
    echo "Installing ${QC_WINE32_PACKAGES[*]} (adds the i386 architecture)"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    if ! apt-get update -qq || ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
        --no-install-recommends "${QC_WINE32_PACKAGES[@]}" >/dev/null || ! wine32_ready; then
        wine32_missing="the i386 packages could not be installed (apt-get install ${QC_WINE32_PACKAGES[*]} failed)"
    fi
}

cross_build() {
    local dir=$1 arch=$2
    echo "== Cross-building for Windows $arch in $(basename "$dir")"
    qc_build "$dir" -DCMAKE_TOOLCHAIN_FILE="$QC_ROOT/cmake/toolchains/mingw-w64-$arch.cmake" \
        -DQC_WERROR=ON -DQC_BUILD_TESTS=ON -DQC_BUILD_MANAGER=ON -DQC_BUILD_BENCH=OFF
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
    local started=$SECONDS
    (cd "$dir" && ctest --output-on-failure --timeout 900)
    echo "== Windows $what tests took $((SECONDS - started)) s"
}

qc_ensure_packages "${QC_WINDOWS_PACKAGES[@]}" "${QC_DEPLOY_PACKAGES[@]}"
ensure_wine32

cross_build "$QC_ROOT/build-win64" x86_64
make_packages "$QC_ROOT/build-win64" x64
cross_build "$QC_ROOT/build-win32" i686
make_packages "$QC_ROOT/build-win32" x86

trap stop_wineserver EXIT
create_prefix "$QC_ROOT/build-win64/wine-prefix"
run_tests "$QC_ROOT/build-win64" x64
if [ -z "$wine32_missing" ]; then
    run_tests "$QC_ROOT/build-win32" i686
else
    echo "== Windows i686 tests SKIPPED (the i686 build is compiled and linked): $wine32_missing"
fi
# The installers are 32-bit programs, so the road needs the 32-bit Wine as well.
if [ -z "$wine32_missing" ]; then
    road_test
else
    echo "== Windows road test SKIPPED (both installers are made): $wine32_missing"
fi
