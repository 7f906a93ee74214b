# Shared by the scripts: the Debian packages the project needs, and a configured build.
# shellcheck shell=bash

QC_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

QC_BUILD_PACKAGES=(cmake g++ make pkg-config libssl-dev openssl)
QC_DB_PACKAGES=(unixodbc unixodbc-dev odbc-postgresql libsqliteodbc sqlite3)
QC_QT_PACKAGES=(qt6-base-dev libgl-dev fonts-dejavu-core fonts-dejavu-extra)
QC_TEST_PACKAGES=(libgtest-dev googletest postgresql samba smbnetfs fuse3)
# The package test also measures the service's unit (systemd-analyze), runs the service as its own user with
# one capability (setpriv) and traces its system calls (strace).
QC_PACKAGE_PACKAGES=(dpkg-dev file lintian adduser systemd util-linux strace)

# True in CI, where nothing but the machine itself may leave a test run out.
qc_in_ci() { [ "${CI:-}" = true ]; }

# Installs the missing packages when run as root; otherwise prints the apt-get line and stops.
qc_ensure_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages. Install them with:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# qc_build DIR [cmake options...]: configures and builds into DIR.
qc_build() {
    local dir=$1
    shift
    cmake -S "$QC_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# qc_project_version DIR: the project version (four numbers, as CMake's project() has it) of the build in DIR.
qc_project_version() {
    sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
}
