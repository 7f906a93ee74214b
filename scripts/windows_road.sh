# The Windows installers and the whole road of an installation under Wine's service control manager.
# Sourced by scripts/windows.sh, which has set WINE64, WINE32, WINESERVER and create_prefix.
#   make_packages DIR ARCH     the installer and the ZIP of one cross build (target windows_packages)
#   road_test                  a fresh prefix of its own: install, configure, service, trigger, stop, uninstall
# shellcheck shell=bash

QC_DEPLOY_PACKAGES=(nsis sqlite3 openssl)
QC_VERSION=1.0.4.0
QC_SERVICE=QuillCollectorService

make_packages() {
    local dir=$1 arch=$2
    echo "== Windows $arch installer and ZIP"
    cmake --build "$dir" --target windows_packages
}

road_fail() {
    echo "ROAD TEST FAILED: $*" >&2
    [ -n "${road_install:-}" ] && [ -f "$road_install/Moorline.log" ] && sed 's/^/  Moorline.log: /' "$road_install/Moorline.log" >&2
    [ -n "${road_install:-}" ] && [ -f "$road_install/QuillCollector.Log" ] && tail -n 20 "$road_install/QuillCollector.Log" | tr -d '\r' | sed 's/^/  QuillCollector.Log: /' >&2
    "$WINESERVER" -k >/dev/null 2>&1 || true  # no service of the road may outlive it
    exit 1
}

# wait_until SECONDS COMMAND...: polls every 0.2 s.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.2
    done
}

# A Unix path as the Windows programs see it (drive Z: is the root).
windows_path() { echo "Z:${1//\//\\}"; }

# Runs a Windows program and gives its exit code; output goes to $road/last-output.txt.
wine_run() {
    local code=0
    "$@" >"$road/last-output.txt" 2>&1 || code=$?
    return $code
}

# Runs Moorline.exe of an installation folder with one switch and checks its exit code.
moorline_expect() {
    local install=$1 switch=$2 expected=$3 loader=$4 code=0
    wine_run "$loader" "$(road_windows_dir "$install")\\Moorline.exe" "$switch" || code=$?
    [ "$code" -eq "$expected" ] || road_fail "Moorline.exe $switch gave exit code $code, not $expected: $(cat "$road/last-output.txt")"
}

road_windows_dir() { local dir=${1#"$WINEPREFIX/drive_c/"}; echo "C:\\${dir//\//\\}"; }

service_state() { "$WINE64" sc query "$QC_SERVICE" 2>/dev/null | tr -d '\r' || true; }
service_is() { service_state | grep -q "STATE *: *[0-9]* *$1"; }
service_absent() { ! "$WINE64" sc query "$QC_SERVICE" >/dev/null 2>&1; }

# True when a process of the road's prefix (not of another Wine run on this machine) runs the program.
running() {
    local pid
    for pid in $(pgrep -f -- "$1"); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}
gone() { ! running "$1"; }
signer_calls() { [ "$(wc -l <"$1")" -ge "$2" ]; }  # the record holds one line per call

# Moorline.ini with the nine keys the manager writes, CR LF as the profile functions write it.
# Other arguments: CommandLine, WorkingDir and Restart in place of the manager's values.
write_host_config() {
    local install=$1 command=${2:-QuillCollectorService.exe} folder=${3:-$(road_windows_dir "$1")} restart=${4:-No}
    printf '[Settings]\r\nServiceName=%s\r\nProcCount=1\r\nCheckProcess=1\r\n[Process0]\r\nCommandLine=%s\r\nWorkingDir=%s\r\nPauseStart=1000\r\nPauseEnd=1000\r\nUserInterface=No\r\nRestart=%s\r\n' \
        "$QC_SERVICE" "$command" "$folder" "$restart" >"$install/Moorline.ini"
}

# The installed folder holds what the ZIP holds, and the uninstaller.
check_installed_files() {
    local install=$1 zip=$2
    local expected actual
    expected=$( (cmake -E tar tf "$zip" | sed -n 's|^QuillCollector/\(..*\)$|\1|p'; echo Uninstall.exe) | sort)
    actual=$(cd "$install" && ls -1 | sort)
    [ "$expected" = "$actual" ] || road_fail "installed files differ from the ZIP's: $actual / $expected"
    for program in QuillCollectorService.exe Moorline.exe Sealwright.exe; do
        grep -qx "$program" <<<"$actual" || road_fail "$program is not installed"
    done
}

check_registration() {
    local view=$1 entry
    entry=$("$WINE64" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuillCollector' "$view" 2>/dev/null | tr -d '\r')
    for value in "DisplayName *REG_SZ *QuillCollector" "DisplayVersion *REG_SZ *$QC_VERSION" "Publisher *REG_SZ" \
        'UninstallString *REG_SZ *"C:\\Program Files' 'QuietUninstallString *REG_SZ *".*Uninstall.exe" /S'; do
        grep -q "$value" <<<"$entry" || road_fail "the Apps & features entry lacks $value: $entry"
    done
    local shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QuillCollector Manager.lnk"
    [ -f "$shortcut" ] || road_fail "no Start-menu shortcut $shortcut"
    tr -d '\0' <"$shortcut" | grep -aq 'QuillCollectorManager.exe' || road_fail "the shortcut does not name QuillCollectorManager.exe"
}

# The installer of one architecture, silently, into its default folder; the folder holds what the ZIP holds.
install_silently() {
    local package=$1 arch=$2 install=$3
    road_install=$install
    wine_run "$WINE32" "$package/QuillCollector-$QC_VERSION-$arch-setup.exe" /S || road_fail "the $arch installer failed"
    check_installed_files "$install" "$package/QuillCollector-$QC_VERSION-$arch.zip"
}

# The silent uninstaller runs from a copy in the temporary folder and returns at once: wait for the files.
uninstall_silently() {
    local install=$1
    shift
    wine_run "$WINE32" "$(road_windows_dir "$install")\\Uninstall.exe" /S "$@" || road_fail "Uninstall.exe /S failed: $(cat "$road/last-output.txt")"
    wait_until 60 bash -c "! ls '$install'/*.exe >/dev/null 2>&1" || road_fail "the uninstaller left programs: $(ls "$install")"
}

# The 64-bit road: silent install, settings, service under the service control manager, one trigger
# signed and counted, stop with a signer running, the failure paths of Moorline, silent uninstall.
road_x64() {
    local package=$1 install="$WINEPREFIX/drive_c/Program Files/QuillCollector"
    echo "== Road x64: silent install into C:\\Program Files\\QuillCollector"
    install_silently "$package" x64 "$install"
    check_registration /reg:64

    local data="$WINEPREFIX/drive_c/qc"
    mkdir -p "$data/hot" "$data/backup"
    cp "$QC_ROOT/build-win64/bin/TestSigner.exe" "$data/TestSigner.exe"
    sqlite3 "$road/road.sqlite" "CREATE TABLE ARC001 (RCBCDE VARCHAR(40), RCAFNM VARCHAR(260), RCCODE INTEGER);
        INSERT INTO ARC001 VALUES ('AP15566778890', 'C:\\qc\\invoice-1001.pdf', 41);
        INSERT INTO ARC001 VALUES ('AP15566778891', 'C:\\qc\\invoice-1002.pdf', 7);"
    printf '[General]\r\nHotFolderPath=C:\\qc\\hot\r\nFileTypeMask=*.txt\r\nSamplingFrequency=200\r\nDetailedLog=1\r\nLogFile=QuillCollector.Log\r\nUseBackupFolder=1\r\nBackupFolder=C:\\qc\\backup\r\nSealwright=C:\\qc\\TestSigner.exe\r\nConnectionString=Driver=SQLite3;Database=%s\r\nTableName=ARC001\r\nVellumSignType=0\r\n' \
        "$road/road.sqlite" >"$install/QuillCollector.ini"
    write_host_config "$install"

    echo "== Road x64: Moorline.exe -i registers and starts the service"
    moorline_expect "$install" -i 0 "$WINE64"
    service_is RUNNING || road_fail "the service is not running: $(service_state)"
    wait_until 20 running QuillCollectorService.exe || road_fail "no collector process"

    echo "== Road x64: a trigger file is processed by the service"
    printf 'AP0 5566 7788 XY90\n' >"$data/hot/job1.txt"
    wait_until 60 test -f "$data/backup/job1.txt" || road_fail "the trigger was not moved to the backup folder"
    [ "$(sqlite3 "$road/road.sqlite" "SELECT RCCODE FROM ARC001 WHERE RCBCDE='AP15566778890'")" = 42 ] ||
        road_fail "the counter was not raised"
    grep -qF '<C:\qc\invoice-1001.pdf>' "$data/signer.txt" || road_fail "the signer was not called for the document"

    echo "== Road x64: stopping the service ends the collector and its running signer"
    printf 'AP0 5566 7788 XY91\n' >"$data/hot/job2.txt"
    # The signer records its call, then sleeps: the stop comes while it runs.
    wait_until 30 signer_calls "$data/signer.txt" 2 || road_fail "the signer of the second trigger did not start"
    running TestSigner.exe || road_fail "the signer of the second trigger is not running"
    wine_run "$WINE64" sc stop "$QC_SERVICE" || road_fail "sc stop failed: $(cat "$road/last-output.txt")"
    wait_until 20 service_is STOPPED || road_fail "the service did not stop: $(service_state)"
    wait_until 10 gone QuillCollectorService.exe || road_fail "the collector outlived its service"
    wait_until 10 gone TestSigner.exe || road_fail "the signer outlived its service"
    grep -q "Moorline service: ended " "$install/Moorline.log" || road_fail "Moorline did not log the end"
    [ "$(sqlite3 "$road/road.sqlite" "SELECT RCCODE FROM ARC001 WHERE RCBCDE='AP15566778891'")" = 7 ] ||
        road_fail "a signing that was stopped was counted"

    echo "== Road x64: Moorline.exe -u removes the service; the failure paths"
    moorline_expect "$install" -u 0 "$WINE64"
    service_absent || road_fail "the service is still registered"
    moorline_expect "$install" -u 0 "$WINE64"
    grep -q "is not installed, nothing done" "$install/Moorline.log" || road_fail "-u of a missing service not logged"
    moorline_expect "$install" -x 1 "$WINE64"
    moorline_expect "$install" -i 0 "$WINE64"
    moorline_expect "$install" -i 3 "$WINE64"
    grep -q "exists already" "$install/Moorline.log" || road_fail "-i twice not logged"
    moorline_expect "$install" -u 0 "$WINE64"
    write_host_config "$install" NoSuchCollector.exe
    moorline_expect "$install" -i 4 "$WINE64"
    grep -q "cannot start C:.*NoSuchCollector.exe" "$install/Moorline.log" || road_fail "a missing CommandLine not logged"
    grep -q "did not start (error 2" "$install/Moorline.log" || road_fail "the failed start not reported"
    moorline_expect "$install" -u 0 "$WINE64"

    # Restart=Yes is not driven here: under Wine, a second CreateProcessA from the service's thread after
    # its first child ended stalls or ends the host, which Windows does not do.
    echo "== Road x64: a process that ends by itself stops the service (Restart=No)"
    write_host_config "$install" TestSigner.exe 'C:\qc' No
    moorline_expect "$install" -i 0 "$WINE64"
    wait_until 20 service_is STOPPED || road_fail "Restart=No: the service did not stop with its process"
    grep -q "Moorline service: service stopped: error 1067" "$install/Moorline.log" || road_fail "the abort was not logged"
    moorline_expect "$install" -u 0 "$WINE64"
    mv "$install/Moorline.ini" "$road/Moorline.ini.away"
    moorline_expect "$install" -i 2 "$WINE64"
    grep -q "there is no file C:.*Moorline.ini; nothing done" "$install/Moorline.log" || road_fail "a missing Moorline.ini not logged"
    mv "$road/Moorline.ini.away" "$install/Moorline.ini"

    echo "== Road x64: the silent uninstaller removes the programs and keeps the settings"
    uninstall_silently "$install"
    [ -f "$install/QuillCollector.ini" ] && [ -f "$install/Moorline.log" ] || road_fail "the settings or the log went"
    ! "$WINE64" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuillCollector' /reg:64 >/dev/null 2>&1 ||
        road_fail "the uninstaller left its Apps & features entry"
}

# The 32-bit installer and service host on the same prefix; /PURGE removes the settings and the folder.
road_x86() {
    local package=$1 install="$WINEPREFIX/drive_c/Program Files (x86)/QuillCollector"
    echo "== Road x86: silent install, Moorline.exe -i and -u, silent uninstall with /PURGE"
    install_silently "$package" x86 "$install"
    write_host_config "$install"
    moorline_expect "$install" -i 0 "$WINE32"
    service_is RUNNING || road_fail "the 32-bit service is not running: $(service_state)"
    moorline_expect "$install" -u 0 "$WINE32"
    service_absent || road_fail "the 32-bit service is still registered"
    uninstall_silently "$install" /PURGE
    wait_until 10 test ! -d "$install" || road_fail "/PURGE left $(ls "$install")"
}

# The Windows signer signs for real with the system's CryptoAPI: openssl checks its signature.
sealwright_windows() {
    local bin=$1 loader=$2 arch=$3 dir="$road/sealwright-$3"
    echo "== Sealwright.exe ($arch): CryptoAPI signature checked by openssl"
    rm -rf "$dir" && mkdir -p "$dir"
    cp "$bin/Sealwright.exe" "$dir/"
    printf '%%PDF-1.4\n\0binary\377' >"$dir/doc one.pdf"
    local code=0
    wine_run "$loader" "$(windows_path "$dir")\\Sealwright.exe" "$(windows_path "$dir/doc one.pdf")" || code=$?
    [ $code -eq 4 ] || road_fail "Sealwright.exe without Sealwright.pfx gave $code, not 4"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=QuillCollectorTest -keyout "$dir/key.pem" \
        -out "$dir/cert.pem" >/dev/null 2>&1
    # 3DES and SHA-1 for the PFX itself: every Windows reads these, not all read AES.
    openssl pkcs12 -export -inkey "$dir/key.pem" -in "$dir/cert.pem" -passout pass: -keypbe PBE-SHA1-3DES \
        -certpbe PBE-SHA1-3DES -macalg sha1 -out "$dir/Sealwright.pfx"
    code=0
    wine_run "$loader" "$(windows_path "$dir")\\Sealwright.exe" "$(windows_path "$dir/doc one.pdf")" || code=$?
    [ $code -eq 0 ] || road_fail "Sealwright.exe gave $code: $(cat "$road/last-output.txt")"
    openssl cms -verify -binary -content "$dir/doc one.pdf" -in "$dir/doc one.pdf.p7s" -inform DER -noverify \
        -out /dev/null 2>"$road/last-output.txt" || road_fail "openssl rejects the signature: $(cat "$road/last-output.txt")"
    printf 'tampered' >"$dir/doc one.pdf"
    ! openssl cms -verify -binary -content "$dir/doc one.pdf" -in "$dir/doc one.pdf.p7s" -inform DER -noverify \
        -out /dev/null 2>/dev/null || road_fail "openssl accepts the signature of a changed document"
    code=0
    wine_run "$loader" "$(windows_path "$dir")\\Sealwright.exe" "$(windows_path "$dir/missing.pdf")" || code=$?
    [ $code -eq 3 ] || road_fail "Sealwright.exe on a missing document gave $code, not 3"
    code=0
    wine_run "$loader" "$(windows_path "$dir")\\Sealwright.exe" a 10.0.0.1 9000 chan || code=$?
    [ $code -eq 6 ] || road_fail "Sealwright.exe asked for a remote signature gave $code, not 6"
}

road_test() {
    local started=$SECONDS
    road="$QC_ROOT/build-win64/road"
    # A service left running by an earlier run would otherwise still poll the new prefix's folders.
    [ -d "$road/prefix" ] && WINEPREFIX="$road/prefix" "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$road" && mkdir -p "$road/odbc"
    # unixODBC reads the configuration that the first Wine process of the prefix started with: the
    # service control manager, the service and its collector inherit it.
    printf '[SQLite3]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\n' >"$road/odbc/odbcinst.ini"
    : >"$road/odbc/odbc.ini"
    export ODBCSYSINI="$road/odbc"
    create_prefix "$road/prefix"
    # A service's Windows environment is the machine's from the registry (the Unix one reaches only
    # unixODBC), and Wine's service control manager reads it once, when it starts: the road's signer
    # records its calls and sleeps, so that a stop finds it running.
    local environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
    "$WINE64" reg add "$environment" /v TESTSIGNER_RECORD /d 'C:\qc\signer.txt' /f >/dev/null 2>&1
    "$WINE64" reg add "$environment" /v TESTSIGNER_SLEEP /d 4 /f >/dev/null 2>&1
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
    sealwright_windows "$QC_ROOT/build-win64/bin" "$WINE64" x64
    sealwright_windows "$QC_ROOT/build-win32/bin" "$WINE32" x86
    road_x64 "$QC_ROOT/build-win64/package"
    road_x86 "$QC_ROOT/build-win32/package"
    "$WINESERVER" -k >/dev/null 2>&1 || true
    unset ODBCSYSINI
    echo "== Windows road test took $((SECONDS - started)) s"
}
