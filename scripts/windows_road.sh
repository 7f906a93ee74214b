# The Windows installers and the whole road of an installation under Wine's service control manager.
# Sourced by scripts/windows.sh, which has set WINE64, WINE32, WINESERVER and create_prefix.
#   make_packages DIR ARCH      the installer and the ZIP of one cross build (target windows_packages),
#                               checked by their contents without running them
#   road_test with32|without32  a fresh prefix of its own: install, configure, service, trigger, upgrade,
#                               stop, uninstall; with32 adds what needs 32-bit programs to run
# shellcheck shell=bash

QC_DEPLOY_PACKAGES=(nsis sqlite3 openssl file 7zip)
QC_SERVICE=QuillCollectorService
QC_INSTALLATION_SETTINGS=(QuillCollector.ini Moorline.ini)  # made by the manager, never by the installer
QC_INSTALLATION_LOGS=(Moorline.log QuillCollector.Log)

# What `file` says of a Windows program of each architecture.
declare -A QC_PE_KIND=([x64]="PE32+ executable (GUI) x86-64" [x86]="PE32 executable (GUI) Intel 80386")
declare -A QC_PE_CONSOLE_KIND=([x64]="PE32+ executable (console) x86-64" [x86]="PE32 executable (console) Intel 80386")

package_fail() {
    echo "WINDOWS PACKAGE CHECK FAILED: $*" >&2
    exit 1
}

# The installer and the ZIP of one build by name: package_file DIR ARCH setup.exe|zip
package_file() {
    local version
    version=$(qc_project_version "$1")
    [ -n "$version" ] || package_fail "no project version in $1/CMakeCache.txt"
    if [ "$3" = zip ]; then echo "$1/package/QuillCollector-$version-$2.zip"; else echo "$1/package/QuillCollector-$version-$2-setup.exe"; fi
}

# Checks an installer and its ZIP without running them: the installer is a program of the architecture,
# it unpacks (7-Zip reads NSIS archives) into exactly the ZIP's files, byte for byte, and every program
# in them is of the architecture.
check_packages() {
    local dir=$1 arch=$2 installer zip check="$1/package/check"
    installer=$(package_file "$dir" "$arch" setup.exe)
    zip=$(package_file "$dir" "$arch" zip)
    file -b "$installer" | grep -qF "${QC_PE_KIND[$arch]}" ||
        package_fail "$installer is not a ${QC_PE_KIND[$arch]}: $(file -b "$installer")"
    rm -rf "$check" && mkdir -p "$check/zip" "$check/setup"
    (cd "$check/zip" && cmake -E tar xf "$zip") || package_fail "$zip cannot be unpacked"
    7zz x -y -o"$check/setup" "$installer" >"$check/7zz.txt" 2>&1 || package_fail "7zz cannot unpack $installer: $(tail -5 "$check/7zz.txt")"
    # The installer's own pieces: the plugins it runs with and the uninstaller it writes.
    rm -rf "$check/setup/\$PLUGINSDIR" "$check/setup/Uninstall.exe"
    diff -r "$check/zip/QuillCollector" "$check/setup" >"$check/diff.txt" 2>&1 ||
        package_fail "the $arch installer and ZIP hold different files: $(head -5 "$check/diff.txt")"
    local program kind
    for program in "$check/zip/QuillCollector"/*.exe "$check/zip/QuillCollector"/*.dll; do
        [ -e "$program" ] || continue
        kind=$(file -b "$program")
        [[ $kind == "${QC_PE_KIND[$arch]}"* || $kind == "${QC_PE_CONSOLE_KIND[$arch]}"* ]] ||
            package_fail "$(basename "$program") of the $arch ZIP is not a $arch program: $kind"
    done
    rm -rf "$check"
    echo "== Windows $arch installer and ZIP checked: $(basename "$installer") is a ${QC_PE_KIND[$arch]} holding the ZIP's files"
}

make_packages() {
    local dir=$1 arch=$2
    echo "== Windows $arch installer and ZIP"
    cmake --build "$dir" --target windows_packages
    check_packages "$dir" "$arch"
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

# The files of a ZIP, without their folder QuillCollector.
zip_files() { cmake -E tar tf "$1" | sed -n 's|^QuillCollector/\(..*\)$|\1|p'; }

# Moorline.ini with the nine keys the manager writes, CR LF as the profile functions write it.
# Other arguments: CommandLine, WorkingDir and Restart in place of the manager's values.
write_host_config() {
    local install=$1 command=${2:-QuillCollectorService.exe} folder=${3:-$(road_windows_dir "$1")} restart=${4:-No}
    printf '[Settings]\r\nServiceName=%s\r\nProcCount=1\r\nCheckProcess=1\r\n[Process0]\r\nCommandLine=%s\r\nWorkingDir=%s\r\nPauseStart=1000\r\nPauseEnd=1000\r\nUserInterface=No\r\nRestart=%s\r\n' \
        "$QC_SERVICE" "$command" "$folder" "$restart" >"$install/Moorline.ini"
}

# The installed folder holds what the ZIP holds, the uninstaller, and the files named after the ZIP
# (settings and logs an installation has made).
check_installed_files() {
    local install=$1 zip=$2
    shift 2
    local expected actual
    expected=$( (zip_files "$zip"; echo Uninstall.exe; [ $# -eq 0 ] || printf '%s\n' "$@") | sort)
    actual=$(cd "$install" && ls -1 | sort)
    [ "$expected" = "$actual" ] || road_fail "installed files differ from the ZIP's: $actual / $expected"
    for program in QuillCollectorService.exe Moorline.exe Sealwright.exe; do
        grep -qx "$program" <<<"$actual" || road_fail "$program is not installed"
    done
}

check_registration() {
    local view=$1 build=$2 entry
    entry=$("$WINE64" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuillCollector' "$view" 2>/dev/null | tr -d '\r')
    for value in "DisplayName *REG_SZ *QuillCollector" "DisplayVersion *REG_SZ *$(qc_project_version "$2")" "Publisher *REG_SZ" \
        'UninstallString *REG_SZ *"C:\\Program Files' 'QuietUninstallString *REG_SZ *".*Uninstall.exe" /S'; do
        grep -q "$value" <<<"$entry" || road_fail "the Apps & features entry lacks $value: $entry"
    done
    local shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QuillCollector Manager.lnk"
    [ -f "$shortcut" ] || road_fail "no Start-menu shortcut $shortcut"
    tr -d '\0' <"$shortcut" | grep -aq 'QuillCollectorManager.exe' || road_fail "the shortcut does not name QuillCollectorManager.exe"
}

# The installer of one build, silently, into its default folder; the folder holds what the ZIP holds
# and the files named after the loader.
install_silently() {
    local build=$1 arch=$2 install=$3 loader=$4
    shift 4
    road_install=$install
    local code=0
    wine_run "$loader" "$(package_file "$build" "$arch" setup.exe)" /S || code=$?
    [ $code -eq 0 ] || road_fail "the $arch installer gave exit code $code: $(cat "$road/last-output.txt")"
    check_installed_files "$install" "$(package_file "$build" "$arch" zip)" "$@"
}

# The lines of a log written after its first BYTES bytes, without CR.
log_after() { tail -c "+$(($2 + 1))" "$1" | tr -d '\r'; }

# The first line number of a pattern in standard input, or nothing.
first_line_of() { grep -n -- "$1" | head -n 1 | cut -d: -f1; }

# The installer again (the same version: an upgrade does the same) over the installation whose service
# runs: it stops the service, replaces every program, keeps the settings and the logs as they are, and
# starts the service again, which then processes a trigger with the new programs.
upgrade_running() {
    local build=$1 install=$2 data=$3 kept="$road/kept" zip
    zip=$(package_file "$build" x64 zip)
    echo "== Road x64: the installer over the running service stops it, replaces the programs, starts it again"
    service_is RUNNING || road_fail "the service does not run before the upgrade: $(service_state)"
    mkdir -p "$kept"
    local settings=("${QC_INSTALLATION_SETTINGS[@]}") logs=("${QC_INSTALLATION_LOGS[@]}") file
    for file in "${settings[@]}" "${logs[@]}"; do cp "$install/$file" "$kept/"; done
    # Programs dated long ago: the installer must write each of them anew.
    touch -d 2000-01-02 "$kept/epoch"
    while read -r file; do touch -d 2000-01-01 "$install/$file"; done < <(zip_files "$zip")

    install_silently "$build" x64 "$install" "$WINE64" "${settings[@]}" "${logs[@]}"

    service_is RUNNING || road_fail "the service does not run after the upgrade: $(service_state)"
    mkdir -p "$kept/zip" && (cd "$kept/zip" && cmake -E tar xf "$zip")
    while read -r file; do
        [ "$install/$file" -nt "$kept/epoch" ] || road_fail "the upgrade did not replace $file"
        cmp -s "$install/$file" "$kept/zip/QuillCollector/$file" || road_fail "$file differs from the ZIP's after the upgrade"
    done < <(zip_files "$zip")
    for file in "${settings[@]}"; do
        cmp -s "$install/$file" "$kept/$file" || road_fail "the upgrade changed $file"
    done
    for file in "${logs[@]}"; do
        head -c "$(stat -c %s "$kept/$file")" "$install/$file" | cmp -s - "$kept/$file" ||
            road_fail "the upgrade did not keep $file"
    done
    # In the host's log: the old collector ended and the service stopped before the new one started.
    local after ended stopped started
    after=$(log_after "$install/Moorline.log" "$(stat -c %s "$kept/Moorline.log")")
    ended=$(first_line_of "Moorline service: ended .*QuillCollectorService.exe" <<<"$after")
    stopped=$(first_line_of "Moorline service: service stopped$" <<<"$after")
    started=$(first_line_of "Moorline service: started .*QuillCollectorService.exe (process" <<<"$after")
    [ -n "$ended" ] && [ -n "$stopped" ] && [ -n "$started" ] && [ "$ended" -lt "$stopped" ] &&
        [ "$stopped" -lt "$started" ] || road_fail "the service was not stopped, then started again: $after"
    wait_until 20 running QuillCollectorService.exe || road_fail "no collector after the upgrade"

    printf 'AP0 5566 7788 XY90\n' >"$data/hot/job1-again.txt"
    wait_until 60 test -f "$data/backup/job1-again.txt" || road_fail "the trigger after the upgrade was not processed"
    [ "$(sqlite3 "$road/road.sqlite" "SELECT RCCODE FROM ARC001 WHERE RCBCDE='AP15566778890'")" = 43 ] ||
        road_fail "the counter was not raised after the upgrade"
}

# The silent uninstaller runs from a copy in the temporary folder and returns at once: wait for the files.
uninstall_silently() {
    local install=$1 loader=$2
    shift 2
    wine_run "$loader" "$(road_windows_dir "$install")\\Uninstall.exe" /S "$@" || road_fail "Uninstall.exe /S failed: $(cat "$road/last-output.txt")"
    wait_until 60 bash -c "! ls '$install'/*.exe >/dev/null 2>&1" || road_fail "the uninstaller left programs: $(ls "$install")"
}

# The 64-bit road, under wine64 alone: silent install, settings, service under the service control
# manager, one trigger signed and counted, the installer again over the running service, stop with a
# signer running, the failure paths of Moorline, silent uninstall.
road_x64() {
    local build=$1 install="$WINEPREFIX/drive_c/Program Files/QuillCollector"
    echo "== Road x64: silent install into C:\\Program Files\\QuillCollector"
    install_silently "$build" x64 "$install" "$WINE64"
    check_registration /reg:64 "$build"

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

    upgrade_running "$build" "$install" "$data"

    echo "== Road x64: stopping the service ends the collector and its running signer"
    printf 'AP0 5566 7788 XY91\n' >"$data/hot/job2.txt"
    # The signer records its call, then sleeps: the stop comes while it runs.
    wait_until 30 signer_calls "$data/signer.txt" 3 || road_fail "the signer of the second trigger did not start"
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
    install_silently "$build" x64 "$install" "$WINE64" "${QC_INSTALLATION_SETTINGS[@]}" "${QC_INSTALLATION_LOGS[@]}"
    service_is STOPPED || road_fail "the installer started a service that was stopped: $(service_state)"
    moorline_expect "$install" -u 0 "$WINE64"
    mv "$install/Moorline.ini" "$road/Moorline.ini.away"
    moorline_expect "$install" -i 2 "$WINE64"
    grep -q "there is no file C:.*Moorline.ini; nothing done" "$install/Moorline.log" || road_fail "a missing Moorline.ini not logged"
    mv "$road/Moorline.ini.away" "$install/Moorline.ini"

    echo "== Road x64: the silent uninstaller removes the programs and keeps the settings"
    uninstall_silently "$install" "$WINE64"
    [ -f "$install/QuillCollector.ini" ] && [ -f "$install/Moorline.log" ] || road_fail "the settings or the log went"
    ! "$WINE64" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuillCollector' /reg:64 >/dev/null 2>&1 ||
        road_fail "the uninstaller left its Apps & features entry"
}

# The 32-bit installer and service host on the same prefix; /PURGE removes the settings and the folder.
road_x86() {
    local build=$1 install="$WINEPREFIX/drive_c/Program Files (x86)/QuillCollector"
    echo "== Road x86: silent install, Moorline.exe -i and -u, silent uninstall with /PURGE"
    install_silently "$build" x86 "$install" "$WINE32"
    write_host_config "$install"
    moorline_expect "$install" -i 0 "$WINE32"
    service_is RUNNING || road_fail "the 32-bit service is not running: $(service_state)"
    moorline_expect "$install" -u 0 "$WINE32"
    service_absent || road_fail "the 32-bit service is still registered"
    uninstall_silently "$install" "$WINE32" /PURGE
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
    local with32=$1 started=$SECONDS
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
    [ "$with32" = with32 ] && sealwright_windows "$QC_ROOT/build-win32/bin" "$WINE32" x86
    road_x64 "$QC_ROOT/build-win64"
    [ "$with32" = with32 ] && road_x86 "$QC_ROOT/build-win32"
    "$WINESERVER" -k >/dev/null 2>&1 || true
    unset ODBCSYSINI
    echo "== Windows road test took $((SECONDS - started)) s"
}
