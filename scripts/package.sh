#!/usr/bin/env bash
# Builds the Debian package quillcollector_<version>_<architecture>.deb (see packaging/debian/).
#   scripts/package.sh          a Release build in build-deb/, the package in build-deb/package/
#   scripts/package.sh --test   packages the test build in build/ (scripts/test.sh made it), checks the
#                               package's files and lintian, then installs, uses, removes and purges it for
#                               real (as root; the machine is left as it was). QC_PACKAGE_TEST=no skips it.
set -euo pipefail
source "$(dirname "$0")/common.sh"

test=no
build_dir="$QC_ROOT/build-deb"
if [ "${1:-}" = "--test" ]; then
    test=yes
    build_dir="$QC_ROOT/build"
    if [ "${QC_PACKAGE_TEST:-yes}" = no ]; then
        echo "QC_PACKAGE_TEST=no: the package test is skipped"
        exit 0
    fi
fi

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_DB_PACKAGES[@]}" "${QC_QT_PACKAGES[@]}" \
    "${QC_PACKAGE_PACKAGES[@]}"
if [ "$test" = yes ]; then
    # The tree that the test command built and tested: configured again only if it is missing.
    [ -f "$build_dir/CPackConfig.cmake" ] || qc_build "$build_dir" -DQC_WERROR=ON -DQC_BUILD_TESTS=ON
    cmake --build "$build_dir" -j "$(nproc)" --target qc_press_buttons
else
    # Debian's own optimisation and hardening flags, as a package build on Debian would use them.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
    LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
    export CXXFLAGS LDFLAGS
    qc_build "$build_dir" -DCMAKE_BUILD_TYPE=None -DQC_BUILD_TESTS=OFF -DQC_BUILD_BENCH=OFF
fi

rm -rf "$build_dir/package"
(cd "$build_dir" && cpack -G DEB >/dev/null)
package=$(ls "$build_dir"/package/quillcollector_*.deb)
echo "Built $package"

if [ "$test" = yes ]; then
    bash "$QC_ROOT/packaging/debian/test/check_package.sh" "$package" "$build_dir/debian/test/qc_press_buttons.so" \
        "$build_dir"
fi
