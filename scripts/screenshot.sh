#!/usr/bin/env bash
# Renders the manager's settings dialog as it opens on a new installation, for the README:
#   docs/manager-dialog.png          the Qt dialog (Linux), rendered offscreen by ManagerScreenshot
#   docs/manager-dialog-windows.png  the Win32 dialog: the real QuillCollectorManager.exe under Wine's X11
#                                    driver on a virtual X screen (Xvfb), taken with ImageMagick's import
#   scripts/screenshot.sh [linux|windows]    both when no argument is given
set -euo pipefail
source "$(dirname "$0")/common.sh"

linux_screenshot() {
    qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_QT_PACKAGES[@]}" "${QC_TEST_PACKAGES[@]}"
    local build_dir="$QC_ROOT/build"
    cmake -S "$QC_ROOT" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build_dir" -j "$(nproc)" --target ManagerScreenshot
    QT_QPA_PLATFORM=offscreen "$build_dir/bin/ManagerScreenshot" "$QC_ROOT/docs/manager-dialog.png"
    echo "Wrote docs/manager-dialog.png"
}

# Runs inside xvfb-run: a prefix of its own with the X11 driver (the test prefix keeps the null driver),
# Wine drawing its own window frames (there is no window manager), the program in a fresh folder so that
# it shows the defaults.
windows_capture() {
    local program=$1 prefix=$2 output=$3
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
    if [ ! -f "$prefix/system.reg" ]; then
        /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
        /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
        /usr/lib/wine/wineserver -w
    fi
    local install
    install=$(mktemp -d)
    cp "$program" "$install/"
    /usr/lib/wine/wine64 "$install/$(basename "$program")" >/dev/null 2>&1 &
    local window="" waited=0
    while [ -z "$window" ] && [ $waited -lt 60 ]; do
        sleep 1
        waited=$((waited + 1))
        window=$(xdotool search --onlyvisible --name '^QuillCollectorManager$' 2>/dev/null | head -n 1 || true)
    done
    if [ -z "$window" ]; then
        echo "The dialog did not appear within 60 s" >&2
        /usr/lib/wine/wineserver -k || true
        return 1
    fi
    sleep 2  # let it paint
    local x y width height
    eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    x=$X y=$Y width=$WIDTH height=$HEIGHT
    import -window root -crop "${width}x${height}+${x}+${y}" +repage "$output"
    /usr/lib/wine/wineserver -k || true
    rm -rf "$install"
}

windows_screenshot() {
    qc_ensure_packages xvfb xauth imagemagick xdotool wine64 fonts-wine  # Wine's Tahoma and Marlett
    local build_dir="$QC_ROOT/build-win64"
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        qc_ensure_packages cmake make g++ g++-mingw-w64-x86-64-posix
        cmake -S "$QC_ROOT" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_TOOLCHAIN_FILE="$QC_ROOT/cmake/toolchains/mingw-w64-x86_64.cmake" -DQC_BUILD_TESTS=OFF \
            -DQC_BUILD_BENCH=OFF >/dev/null
    fi
    cmake --build "$build_dir" -j "$(nproc)" --target QuillCollectorManager
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --capture \
        "$build_dir/bin/QuillCollectorManager.exe" "$build_dir/wine-prefix-x11" \
        "$QC_ROOT/docs/manager-dialog-windows.png"
    echo "Wrote docs/manager-dialog-windows.png"
}

mkdir -p "$QC_ROOT/docs"
case "${1:-both}" in
    linux) linux_screenshot ;;
    windows) windows_screenshot ;;
    --capture) windows_capture "$2" "$3" "$4" ;;  # inside xvfb-run
    both)
        linux_screenshot
        windows_screenshot
        ;;
    *)
        echo "usage: $0 [linux|windows]" >&2
        exit 2
        ;;
esac
