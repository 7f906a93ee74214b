#!/usr/bin/env bash
# Checks the Debian package: its files, modes and owners, lintian, and then, as root, a real install with
# apt-get, the installed programs at work, removal and purge. The machine is left as it was found: the
# package purged, the test user and (when it was not there before) the group removed, also on failure.
#   check_package.sh PACKAGE.deb PRESS_BUTTONS.so
set -euo pipefail

package=$(realpath "$1")
press_buttons=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
opt=/opt/quillcollector settings=/etc/opt/quillcollector logs=/var/opt/quillcollector
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
dpkg-deb --contents "$package" | awk '{ $3 = $4 = $5 = ""; print }' | tr -s ' ' >/tmp/qc-contents.$$
if ! diff -u "$here/contents.txt" /tmp/qc-contents.$$; then
    rm -f /tmp/qc-contents.$$
    fail "the package does not hold the expected files (diff above)"
fi
rm -f /tmp/qc-contents.$$
fields=$(dpkg-deb --field "$package" Package Version Architecture Depends Recommends)
for field in "Package: quillcollector" "Version: 1.0.4" "Recommends: odbc-postgresql, libsqliteodbc"; do
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
group_was_there=no
getent group quillcollector >/dev/null && group_was_there=yes
unit_dir_was_there=no wanted_by_was_there=no
[ -d /etc/systemd/system ] && unit_dir_was_there=yes
[ -d "$wanted_by" ] && wanted_by_was_there=yes
work=$(mktemp -d)
chmod 755 "$work"  # apt's download user and the test user read the package and the helper from here

cleanup() {
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quillcollector >/dev/null 2>&1 || true
    userdel "$user" >/dev/null 2>&1 || true
    userdel "$other" >/dev/null 2>&1 || true
    [ "$group_was_there" = yes ] || delgroup --system quillcollector >/dev/null 2>&1 || true
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

step "apt-get remove keeps the settings and the log"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq quillcollector >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get remove"; }
for gone in "$unit" "$wanted_by/$(basename "$unit")" "$opt" /usr/share/applications/quillcollector-manager.desktop \
            /usr/share/polkit-1/actions/org.quillcollector.moorline.policy; do
    if [ -e "$gone" ] || [ -L "$gone" ]; then fail "$gone is still there after apt-get remove"; fi
done
grep -q "^HotFolderPath=" "$settings/QuillCollector.ini" || fail "remove lost the settings"
grep -q "QuillCollector Started\." "$logs/QuillCollector.Log" || fail "remove lost the log"

step "apt-get purge removes them"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq quillcollector >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get purge"; }
for gone in "$settings" "$logs"; do
    [ ! -e "$gone" ] || fail "$gone is still there after apt-get purge"
done
dpkg-query -W -f='${Status}' quillcollector 2>/dev/null | grep -qv "not-installed" &&
    fail "dpkg still knows quillcollector after purge"
step "passed"
