#!/usr/bin/env bash
# Cross-builds the Windows flavour of QuillCollector with MinGW-w64 and runs its tests under Wine.
#   scripts/windows.sh    x64 build in build-win64/, i686 build in build-win32/, each with its installer
#                         and ZIP in package/ (checked by their contents); then the road of an
#                         installation (scripts/windows_road.sh)
# Both builds are compiled and linked, and both installers and ZIPs made and checked. The x64 tests and
# the x64 road run under wine64 alone, in fresh Wine prefixes. The 32-bit runs (the i686 tests, the x86
# road, the 32-bit signer) need the 32-bit Wine (Debian package wine32, architecture i386) and a kernel
# that runs 32-bit programs: some refuse them ("Exec format error"), so the machine is probed once per
# run, by starting the i386 loader, and where it cannot run them they are left out with one line saying
# so. wine64 alone exits 0 without running a 32-bit program, which must never pass for a test run.
# Outside CI, QC_WINE32=no leaves wine32 alone (no i386 architecture is added, the 32-bit runs are left
# out), and QC_PROBE32=PROGRAM probes with another program (a file the kernel cannot execute shows the
# run of a machine that refuses 32-bit programs). In CI (CI=true) both are ignored: a missing package is
# installed or the run fails, and only the machine's own answer leaves the 32-bit runs out.
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
LOADER32=/lib/ld-linux.so.2  # the i386 loader, from libc6:i386 that wine32 needs

runs32_left_out=""  # why the 32-bit runs are left out here; empty where they run

wine32_ready() {
    [ -x "$WINE32" ] || return 1
    for package in "${QC_WINE32_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || return 1
    done
}

# Installs the 32-bit Wine and the host's 32-bit ODBC pieces when they are missing and we may; records
# why not otherwise. In CI nothing but the machine itself may leave a run out: it installs or fails.
ensure_wine32() {
    wine32_ready && return 0
    if [ "${QC_WINE32:-yes}" = no ]; then
        if ! qc_in_ci; then
            runs32_left_out="wine32 and the i386 ODBC libraries are not installed and not wanted (QC_WINE32=no)"
            return 0
        fi
        echo "== QC_WINE32=no is ignored in CI, which runs all that the machine can run"
    fi
    if [ "$(id -u)" -ne 0 ]; then
        local command="dpkg --add-architecture i386 && apt-get update && apt-get install ${QC_WINE32_PACKAGES[*]}"
        qc_in_ci && { echo "wine32 or the i386 ODBC libraries are missing; as root: $command" >&2; exit 1; }
        runs32_left_out="wine32 or the i386 ODBC libraries are missing; as root: $command"
        return 0
    fi
    echo "Installing ${QC_WINE32_PACKAGES[*]} (adds the i386 architecture)"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    if ! apt-get update -qq || ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
        --no-install-recommends "${QC_WINE32_PACKAGES[@]}" >/dev/null || ! wine32_ready; then
        qc_in_ci && { echo "the i386 packages could not be installed: ${QC_WINE32_PACKAGES[*]}" >&2; exit 1; }
        runs32_left_out="the i386 packages could not be installed (apt-get install ${QC_WINE32_PACKAGES[*]} failed)"
    fi
}

# Once per run, with the i386 packages installed: does this machine's kernel run a 32-bit program? The
# exit status of the i386 loader decides; 126 is the shell's "cannot execute" (the kernel's "Exec format
# error"). Any other failure is a broken installation, which fails the run in CI.
probe_32bit() {
    [ -n "$runs32_left_out" ] && return 0
    local probe=$LOADER32
    if [ -n "${QC_PROBE32:-}" ]; then
        if qc_in_ci; then
            echo "== QC_PROBE32 is ignored in CI: the machine's own i386 loader is probed"
        else
            probe=$QC_PROBE32
        fi
    fi
    local code=0 output
    output=$("$probe" --version 2>&1 >/dev/null) || code=$?
    [ $code -eq 0 ] && return 0
    if [ $code -eq 126 ]; then
        runs32_left_out="this machine's kernel does not run 32-bit programs ($probe --version: ${output##*: })"
        return 0
    fi
    qc_in_ci && { echo "the i386 loader $probe failed with exit code $code: $output" >&2; exit 1; }
    runs32_left_out="the i386 loader $probe failed with exit code $code: $output"
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
probe_32bit

cross_build "$QC_ROOT/build-win64" x86_64
make_packages "$QC_ROOT/build-win64" x64
cross_build "$QC_ROOT/build-win32" i686
make_packages "$QC_ROOT/build-win32" x86

trap stop_wineserver EXIT
create_prefix "$QC_ROOT/build-win64/wine-prefix"
run_tests "$QC_ROOT/build-win64" x64
if [ -z "$runs32_left_out" ]; then
    run_tests "$QC_ROOT/build-win32" i686
else
    echo "== Windows 32-bit runs LEFT OUT (the i686 tests, the x86 road, the 32-bit Sealwright.exe; the i686" \
        "build, its installer and ZIP are made and checked by their contents): $runs32_left_out"
fi
road_test "$([ -z "$runs32_left_out" ] && echo with32 || echo without32)"
