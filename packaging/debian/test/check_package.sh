#!/usr/bin/env bash
# Checks the Debian package: its files, modes and owners, lintian, and then, as root, a real install with
# apt-get, the installed programs at work, the service's unit and the service run as its own user within
# the unit's limits, removal and purge. The machine is left as it was found: the package purged, the test
# users and (when they were not there before) the service's user and group removed, also on failure.
#   check_package.sh PACKAGE.deb PRESS_BUTTONS.so BUILD_DIR
set -euo pipefail

package=$(realpath "$1")
press_buttons=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/common.sh"
# The package's version is the project version's first three numbers (packaging/QuillCollectorPackage.cmake).
project_version=$(qc_project_version "$3")
[ -n "$project_version" ] || { echo "package test FAILED: no project version in $3/CMakeCache.txt" >&2; exit 1; }
version=${project_version%.*}
opt=/opt/quillcollector settings=/etc/opt/quillcollector logs=/var/opt/quillcollector
spool=/var/spool/quillcollector service_user=quillcollector
unit=/etc/systemd/system/QuillCollectorService.service
wanted_by=/etc/systemd/system/multi-user.target.wants
user=qc-package-test other=qc-package-test2  # two administrators in the group

fail() {
    echo "package test FAILED: $*" >&2
    exit 1
}
step() { echo "package test: $*"; }

# ---- the package file -------------------------------------------------------------------------------------
step "contents"
# Mode, owner and path of every entry (and a link's target); sizes and dates vary.
contents=$(mktemp)
dpkg-deb --contents "$package" | awk '{ $3 = $4 = $5 = ""; print }' | tr -s ' ' >"$contents"
if ! diff -u "$here/contents.txt" "$contents"; then
    rm -f "$contents"
    fail "the package does not hold the expected files (diff above)"
fi
rm -f "$contents"
fields=$(dpkg-deb --field "$package" Package Version Architecture Depends Recommends)
for field in "Package: quillcollector" "Version: $version" "Recommends: odbc-postgresql, libsqliteodbc"; do
    grep -q "^$field" <<<"$fields" || fail "no \"$field\" among the control fields:"$'\n'"$fields"
done
for library in adduser libc6 libqt6widgets6 libodbc2 libssl3; do
    grep -q "^Depends:.*\b$library\b" <<<"$fields" || fail "Depends lacks $library:"$'\n'"$fields"
done

step "lintian"
# Tags the package explains are overridden in /usr/share/lintian/overrides/quillcollector; an error that
# is not fails the test.
lintian --fail-on error "$package" || fail "lintian reports an error"

# ---- installed for real -----------------------------------------------------------------------------------
if [ "$(id -u)" -ne 0 ]; then
    step "not root: install, use and removal are skipped"
    exit 0
fi
if dpkg-query -W -f='${Status}' quillcollector 2>/dev/null | grep -qv "not-installed"; then
    fail "quillcollector is installed on this machine already; the test leaves it alone"
fi
group_was_there=no service_user_was_there=no
getent group quillcollector >/dev/null && group_was_there=yes
getent passwd "$service_user" >/dev/null && service_user_was_there=yes
unit_dir_was_there=no wanted_by_was_there=no spool_was_there=no
[ -e "$spool" ] && spool_was_there=yes
[ -d /etc/systemd/system ] && unit_dir_was_there=yes
[ -d "$wanted_by" ] && wanted_by_was_there=yes
work=$(mktemp -d)
chmod 755 "$work"  # apt's download user and the test user read the package and the helper from here

cleanup() {
    [ -z "${holder:-}" ] || kill "$holder" 2>/dev/null || true
    [ -z "${tracer:-}" ] || { pkill -P "$tracer" 2>/dev/null; kill "$tracer" 2>/dev/null; } || true
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quillcollector >/dev/null 2>&1 || true
    userdel "$user" >/dev/null 2>&1 || true
    userdel "$other" >/dev/null 2>&1 || true
    [ "$service_user_was_there" = yes ] || userdel "$service_user" >/dev/null 2>&1 || true
    [ "$group_was_there" = yes ] || delgroup --system quillcollector >/dev/null 2>&1 || true
    [ -e "$spool" ] && [ "$spool_was_there" = no ] && rm -rf "$spool"
    [ "$wanted_by_was_there" = yes ] || rmdir "$wanted_by" 2>/dev/null || true
    [ "$unit_dir_was_there" = yes ] || rm -rf /etc/systemd/system
    rm -rf "$work"
}
trap cleanup EXIT

cp "$package" "$press_buttons" "$work/"
step "apt-get install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$work/$(basename "$package")" \
    >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install"; }
getent group quillcollector >/dev/null || fail "postinst made no group quillcollector"
for entry in "$settings 2770" "$logs 2750" "$settings/QuillCollector.ini 660" "$settings/Moorline.ini 660" \
             "$logs/QuillCollector.Log 660" "$logs/Moorline.log 660"; do
    read -r path mode <<<"$entry"
    [ "$(stat -c '%U:%G %a' "$path")" = "root:quillcollector $mode" ] ||
        fail "$path is $(stat -c '%U:%G %a' "$path"), not root:quillcollector $mode"
done
grep -qx 'LogFileLimitKB=0' "$settings/QuillCollector.ini" ||
    fail "the new settings leave the service's own log limit on, which cannot rename in $logs"
# The service's own user, its hot folder and what it may read.
[ "$(id -gn "$service_user" 2>/dev/null)" = quillcollector ] || fail "postinst made no user $service_user in group quillcollector"
for entry in "$spool $service_user:quillcollector 2770" "$spool/backup $service_user:quillcollector 2770" \
             "$settings/Sealwright.key root:quillcollector 640" "$settings/Sealwright.crt root:quillcollector 640" \
             "$opt/QuillCollectorService.lock root:quillcollector 640"; do
    read -r path owner mode <<<"$entry"
    [ "$(stat -c '%U:%G %a' "$path" 2>&1)" = "$owner $mode" ] ||
        fail "$path is $(stat -c '%U:%G %a' "$path" 2>&1), not $owner $mode"
done
runuser -u nobody -- sh -c ": >$spool/intruder.txt" 2>/dev/null && fail "a user outside the group can drop a trigger"

step "the service writes its start entry beside itself"
(cd / && exec "$opt/QuillCollectorService" >"$work/service.out" 2>&1) &
service=$!
for _ in $(seq 100); do
    grep -q "QuillCollector Started\." "$logs/QuillCollector.Log" && break
    sleep 0.1
done
kill "$service"
wait "$service" 2>/dev/null || true
grep -q "QuillCollector Started\." "$logs/QuillCollector.Log" || fail "no start entry in $logs/QuillCollector.Log"

step "an administrator in the group saves the settings and presses Install Service"
for name in "$user" "$other"; do
    useradd --system --no-create-home --home-dir "$work" --groups quillcollector "$name"
done
as_user() { (cd "$work" && runuser -u "$1" -- env HOME="$work" "${@:2}"); }
as_admin() { as_user "$user" "$@"; }
# manager USER BUTTONS: runs the installed manager offscreen as USER, who presses BUTTONS.
manager() {
    as_user "$1" env QT_QPA_PLATFORM=offscreen LD_PRELOAD="$work/$(basename "$press_buttons")" QC_PRESS="$2" \
        timeout 60 "$opt/QuillCollectorManager" >"$work/manager.out" 2>&1 ||
        { cat "$work/manager.out"; fail "the manager run by $1"; }
}
# The other administrator saves first, so the second save replaces a file that its writer does not own.
manager "$other" 1
manager "$user" 1009,1
[ "$(stat -c '%U' "$settings/QuillCollector.ini")" = "$user" ] || fail "the second save did not replace the file"
grep -q "^HotFolderPath=/var/spool/quillcollector" "$settings/QuillCollector.ini" ||
    fail "the manager did not save its settings: $(cat "$settings/QuillCollector.ini")"
[ "$(stat -c '%G %a' "$settings/QuillCollector.ini")" = "quillcollector 660" ] ||
    fail "the saved settings file is $(stat -c '%U:%G %a' "$settings/QuillCollector.ini")"
grep -q "^ServiceName=QuillCollectorService" "$settings/Moorline.ini" || fail "Install Service wrote no Moorline.ini"
for _ in $(seq 100); do
    grep -q "Moorline -i" "$logs/Moorline.log" && break
    sleep 0.1
done
grep -q "Moorline -i: .*root" "$logs/Moorline.log" ||
    fail "Moorline run by a non-root administrator did not say that it needs root: $(cat "$logs/Moorline.log")"
step "  $(grep "Moorline -i: .*root" "$logs/Moorline.log" | tail -1)"
status=0
as_admin "$opt/Moorline" -i 2>/dev/null || status=$?
[ "$status" -eq 5 ] || fail "Moorline -i run by a non-root administrator gave exit code $status, not 5"
[ ! -e "$unit" ] || fail "a non-root administrator wrote $unit"
# ...but the programs that root runs stay out of the group's reach.
if as_admin cp /bin/true "$opt/Intruder" 2>/dev/null; then
    rm -f "$opt/Intruder"
    fail "a group member can add a program to $opt"
fi
as_admin mv -f "$opt/QuillCollector.ini" "$work/moved" 2>/dev/null && fail "a group member can move a file of $opt"
as_admin ln -s /etc/passwd "$logs/Swapped.Log" 2>/dev/null && fail "a group member can add a link to $logs"

step "Moorline -i, run by root, writes the unit where systemd reads it"
mkdir -p /etc/systemd/system
# The stand-in records its calls and enables as systemctl does, with a link from the wanting target.
cat >"$work/systemctl" <<STANDIN
#!/bin/sh
echo "\$*" >>$work/systemctl.calls
if [ "\$1" = enable ]; then
    mkdir -p $wanted_by && ln -s $unit $wanted_by/\$2
fi
STANDIN
chmod 755 "$work/systemctl"
"$opt/Moorline" --systemd=yes --systemctl "$work/systemctl" -i 2>>"$work/moorline.err" ||
    { cat "$work/moorline.err"; fail "Moorline -i"; }
grep -qx "ExecStart=$opt/QuillCollectorService" "$unit" || fail "unit: $(cat "$unit")"
grep -qx "WorkingDirectory=$opt" "$unit" || fail "unit: $(cat "$unit")"
[ "$(cat "$work/systemctl.calls")" = $'daemon-reload\nenable QuillCollectorService.service\nstart QuillCollectorService.service' ] ||
    fail "systemctl calls: $(cat "$work/systemctl.calls")"
[ -L "$wanted_by/$(basename "$unit")" ] || fail "the systemctl stand-in did not enable the unit"
grep -q "Moorline -i: wrote $unit for $opt/QuillCollectorService, run as user $service_user" "$logs/Moorline.log" ||
    fail "Moorline did not log the user the service runs as: $(tail -3 "$logs/Moorline.log")"

step "the unit: systemd's verdict and its exposure"
systemd-analyze verify "$unit" >"$work/verify.out" 2>&1 || { cat "$work/verify.out"; fail "systemd-analyze verify $unit"; }
# exposure UNIT: the overall figure of systemd's security yardstick, read without a running systemd.
exposure() {
    systemd-analyze security --offline=true "$1" 2>&1 |
        sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\) .*/\1/p'
}
# The same unit for an installation without the package's user, for comparison.
mkdir "$work/root-unit"
"$opt/Moorline" --systemd=no --unit-dir "$work/root-unit" --user qc-no-such-user -i 2>/dev/null || fail "Moorline -i for an installation without the user"
as_root=$(exposure "$work/root-unit/$(basename "$unit")") hardened=$(exposure "$unit")
step "  exposure $as_root with the service as root, $hardened as $service_user"
[ -n "$hardened" ] && awk -v e="$hardened" 'BEGIN { exit !(e < 2.5) }' ||
    { systemd-analyze security --offline=true "$unit"; fail "exposure \"$hardened\", not under 2.5"; }

step "the service as the unit's user with the unit's one capability: triggers processed end to end"
run_user=$(sed -n 's/^User=//p' "$unit")
run_umask=$(sed -n 's/^UMask=//p' "$unit")
ambient=$(sed -n 's/^AmbientCapabilities=CAP_//p' "$unit" | tr '[:upper:]' '[:lower:]')
[ "$run_user" = "$service_user" ] && [ -n "$run_umask" ] && [ "$ambient" = lease ] ||
    fail "the unit's user, umask or capability is not what the service is run with here: $(cat "$unit")"
grep -qx "NoNewPrivileges=yes" "$unit" || fail "the unit lets the service gain privileges"
# The key pair as the README makes it: written into the files postinst made, which keep their modes.
openssl req -x509 -newkey rsa:3072 -nodes -days 3650 -subj /CN=QuillCollector \
    -keyout "$settings/Sealwright.key" -out "$settings/Sealwright.crt" 2>"$work/openssl.err" ||
    { cat "$work/openssl.err"; fail "openssl req"; }
[ "$(stat -c '%U:%G %a' "$settings/Sealwright.key")" = "root:quillcollector 640" ] ||
    fail "the key became $(stat -c '%U:%G %a' "$settings/Sealwright.key")"
# Archive documents outside the program folder, in a folder that the administrator gave the group.
archive="$work/archive"
mkdir "$archive"
chown root:quillcollector "$archive"
chmod 2770 "$archive"
printf '%%PDF-1.4\n%% package test document\n' >"$archive/doc-1.pdf"
sqlite3 "$archive/archive.db" "CREATE TABLE ARC001 (RCBCDE VARCHAR(64), RCAFNM VARCHAR(512), RCCODE INTEGER);
    INSERT INTO ARC001 VALUES ('AP15566778890', '$archive/doc-1.pdf', 0);"
chmod 660 "$archive/archive.db"
# The default hot folder (no HotFolderPath) and its backup folder.
cat >"$settings/QuillCollector.ini" <<INI
[General]
FileTypeMask=*.txt
SamplingFrequency=200
DetailedLog=1
UseBackupFolder=1
BackupFolder=$spool/backup
Sealwright=Sealwright
ConnectionString=Driver=SQLite3;Database=$archive/archive.db
TableName=ARC001
INI
# Two triggers that an administrator drops: one to process, one still held open by its writer, which only a
# read lease (CAP_LEASE, as the files are not the service's) can see.
as_admin sh -c "echo 'AP0 5566 7788 XY90' >$spool/job1.txt && echo 'AP0 5566 7788 XY90' >$spool/job2.txt"
sleep 600 3>>"$spool/job2.txt" &
holder=$!
: >"$logs/QuillCollector.Log"
# Run as systemd would: the unit's user, group and umask, its one ambient capability and no new privileges;
# traced, so that every system call it makes can be held against the unit's filter.
(cd "$opt" && umask "$run_umask" &&
    exec strace -f -qq -o "$work/trace" setpriv --reuid="$run_user" --regid="$(id -g "$run_user")" --init-groups \
        --inh-caps=+"$ambient" --ambient-caps=+"$ambient" --bounding-set=-all,+"$ambient" --no-new-privs \
        "$opt/QuillCollectorService" >"$work/service.out" 2>&1) &
tracer=$!
wait_for_log() {
    for _ in $(seq 600); do
        grep -qF "$1" "$logs/QuillCollector.Log" && return 0
        sleep 0.1
    done
    cat "$logs/QuillCollector.Log"
    fail "no \"$1\" in $logs/QuillCollector.Log within a minute"
}
wait_for_log "ProcessCsvFile OK: FileName = $spool/job1.txt"
wait_for_log "File Can't be moved: $spool/job2.txt"
kill "$holder"
wait "$holder" 2>/dev/null || true
holder=
service=$(pgrep -P "$tracer") || fail "the service ended before it was stopped: $(cat "$work/service.out")"
kill "$service"
wait "$tracer" 2>/dev/null || true
tracer=
log=$(cat "$logs/QuillCollector.Log")
grep -q "QuillCollector Started\." <<<"$log" || fail "no start entry"
grep -q "runs without the lock" <<<"$log" && fail "the service could not take its lock: $log"
grep -q "File Can't be opened, Error 16, File = $spool/job2.txt" <<<"$log" ||
    fail "the trigger held by its writer was not seen as held (no lease?): $log"
grep -q "may still be written.*job1" <<<"$log" && fail "the writer check of job1.txt could not be made (no lease?): $log"
[ -f "$spool/backup/job1.txt" ] && [ ! -e "$spool/job1.txt" ] || fail "job1.txt was not moved to the backup folder"
[ -f "$spool/job2.txt" ] || fail "the held job2.txt was not left in the hot folder"
[ "$(sqlite3 "$archive/archive.db" "SELECT RCCODE FROM ARC001")" = 1 ] || fail "the counter was not raised"
openssl cms -verify -binary -content "$archive/doc-1.pdf" -in "$archive/doc-1.pdf.p7s" -inform DER -noverify \
    >/dev/null 2>&1 || fail "no valid signature $archive/doc-1.pdf.p7s"
signature=$(stat -c '%U:%G %A' "$archive/doc-1.pdf.p7s")
[[ "$signature" == "$service_user:quillcollector "*"---" ]] || fail "the signature is $signature, open to other users"
# Every system call of the service and its signer (the program setpriv starts, and every process it starts)
# lies within the unit's filter, and every socket within its address families.
allowed=$(systemd-analyze syscall-filter --no-pager 2>/dev/null | awk '
    /^@/ { group = $1; next }
    /^ *#/ || NF == 0 { next }
    { members[group] = members[group] " " $1 }
    function expand(g,   n, list, i) {
        if (g in seen) return
        seen[g] = 1
        n = split(members[g], list, " ")
        for (i = 1; i <= n; i++) if (list[i] ~ /^@/) expand(list[i]); else print list[i]
    }
    END { expand("@system-service") }' | sort -u)
used=$(awk -v program="$opt/QuillCollectorService" '
    NR == 1 { setpriv = $1 }
    $1 == setpriv && !started { if (index($0, "execve(\"" program "\"")) started = 1; else next }
    $2 ~ /^[a-z_][a-z0-9_]*\(/ { name = $2; sub(/\(.*/, "", name); print name }' "$work/trace" | sort -u)
[ -n "$used" ] && [ -n "$allowed" ] || fail "no system calls traced or allowed"
outside=$(comm -23 <(echo "$used") <(echo "$allowed"))
[ -z "$outside" ] || fail "system calls outside @system-service: $outside"
families=$(grep -o 'socket(AF_[A-Z0-9]*' "$work/trace" | sort -u | sed 's/socket(//' | paste -sd ' ' || true)
for family in $families; do
    [[ " AF_UNIX AF_INET AF_INET6 " == *" $family "* ]] || fail "a socket of family $family"
done
step "  $(wc -l <<<"$used") system calls, all in @system-service; socket families: ${families:-none}"

step "apt-get remove keeps the settings and the log"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq quillcollector >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get remove"; }
for gone in "$unit" "$wanted_by/$(basename "$unit")" "$opt" /usr/share/applications/quillcollector-manager.desktop \
            /usr/share/polkit-1/actions/org.quillcollector.moorline.policy; do
    if [ -e "$gone" ] || [ -L "$gone" ]; then fail "$gone is still there after apt-get remove"; fi
done
grep -q "^FileTypeMask=" "$settings/QuillCollector.ini" || fail "remove lost the settings"
grep -q "QuillCollector Started\." "$logs/QuillCollector.Log" || fail "remove lost the log"
[ -f "$spool/job2.txt" ] || fail "remove lost the hot folder's trigger"
# A purge removes the hot folder only when it is empty: a trigger there still holds a document key.
rm -f "$spool/job2.txt" "$spool/backup/job1.txt"

step "apt-get purge removes them"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quillcollector >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get purge"; }
for gone in "$settings" "$logs" "$spool"; do
    [ ! -e "$gone" ] || fail "$gone is still there after apt-get purge"
done
dpkg-query -W -f='${Status}' quillcollector 2>/dev/null | grep -qv "not-installed" &&
    fail "dpkg still knows quillcollector after purge"
step "passed"
