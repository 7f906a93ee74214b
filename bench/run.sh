#!/usr/bin/env bash
# Measures the collector service side by side with the floor of its work and with a shell-script peer, in one
# run, on one SQLite database through the same ODBC driver, with a signer that exits 0 at once:
#   (a) the service: DOCS trigger files against a ROWS-row table, SamplingFrequency 0, until the folder is empty
#   (b) the floor: the same per-document work done bare in one small program
#   (c) a shell script doing the same job with the sqlite3 tool
#   (d) one pass over folders whose files are all on the skip list
#   (e) the service's peak memory and open descriptors before and after (a)
# Usage: bench/run.sh [DOCS] [ROWS]      (defaults 2000 and 100000)
# QC_BENCH_SERVICE names another service program to measure in place of this tree's (another revision's).
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
docs=${1:-2000}
rows=${2:-100000}

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_DB_PACKAGES[@]}"
build="$QC_ROOT/build-bench"
cmake -S "$QC_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQC_BUILD_TESTS=OFF -DQC_BUILD_MANAGER=OFF \
    -DQC_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

# QC_BENCH_DIR chooses the file system of the database and the folders (default /tmp).
work=$(mktemp -d "${QC_BENCH_DIR:-/tmp}/qc-bench-XXXXXX")
# The service runs inside a command substitution (a subshell): its process id reaches the clean-up through a
# file, never as an empty variable (a bare "kill 0" would end this script's own process group).
trap 'if [ -s "$work/service.pid" ]; then kill "$(cat "$work/service.pid")" 2>/dev/null || true; fi; rm -rf "$work"' EXIT
mkdir -p "$work/install"
cp "${QC_BENCH_SERVICE:-$build/bin/QuillCollectorService}" "$work/install/QuillCollectorService"
database="$work/archive.db"

# Keys BK000000..: a trigger file's text is the key with "XY" put before its last two characters.
sqlite3 "$database" <<SQL
CREATE TABLE ARC001 (RCBCDE VARCHAR(32) NOT NULL, RCAFNM VARCHAR(256) NOT NULL, RCCODE INTEGER);
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < $rows)
INSERT INTO ARC001 SELECT printf('BK%06d', i), printf('/archive/doc-%06d.pdf', i), 0 FROM n;
CREATE INDEX ARC001_RCBCDE ON ARC001 (RCBCDE);
CREATE INDEX ARC001_RCAFNM ON ARC001 (RCAFNM);
SQL
cp "$database" "$work/pristine.db"

# The trigger files are written into a staging folder that then becomes the hot folder in one rename, so
# that the clock starts with every file in place.
make_triggers() {
    rm -rf "$work/hot" "$work/staging"
    mkdir "$work/staging"
    for ((i = 0; i < docs; i++)); do
        key=$(printf 'BK%06d' "$i")
        printf '%sXY%s\n' "${key:0:6}" "${key:6:2}" > "$work/staging/t$i.txt"
    done
}
signed_rows() { sqlite3 "$database" "SELECT COUNT(*) FROM ARC001 WHERE RCCODE = 1"; }
now() { date +%s.%N; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", n / s }'; }
proc_figures() {
    awk '/VmHWM|VmRSS/ { printf "%s %s kB  ", $1, $2 }' "/proc/$1/status"
    echo "fds $(ls "/proc/$1/fd" | wc -l)"
}

cat > "$work/install/QuillCollector.ini" <<INI
[General]
HotFolderPath=$work/hot
FileTypeMask=*.txt
SamplingFrequency=0
DetailedLog=0
LogFile=$work/service.log
UseBackupFolder=0
Sealwright=/bin/true
ConnectionString=Driver=SQLite3;Database=$database
TableName=ARC001
INI

echo "QuillCollector benchmark: $docs trigger files, $rows rows, SQLite3 ODBC, signer /bin/true, $(nproc) cores"

# (a) and (b) take turns, ROUNDS times each, and the best round of each counts: the machine's other work
# then weighs on neither side more than on the other.
rounds=${ROUNDS:-3}
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

run_service() {
    cp "$work/pristine.db" "$database"
    "$work/install/QuillCollectorService" > /dev/null &
    local service=$!
    echo "$service" > "$work/service.pid"
    sleep 0.5
    [ -f "$work/before.txt" ] || proc_figures $service > "$work/before.txt"
    make_triggers
    local seconds
    seconds=$("$build/bin/bench_drop_and_wait" "$work/staging" "$work/hot")
    proc_figures $service > "$work/after.txt"
    kill $service; wait $service 2>/dev/null || true
    rm -f "$work/service.pid"
    echo "    service round: ${seconds} s ($(signed_rows) rows signed)" >&2
    echo "$seconds"
}

run_floor() {
    cp "$work/pristine.db" "$database"
    local line
    line=$("$build/bin/bench_floor" "Driver=SQLite3;Database=$database" ARC001 /bin/true "$work/keys.txt")
    echo "    floor round:   $(echo "$line" | awk '{ print $5 }') s ($(signed_rows) rows signed)" >&2
    echo "$line" | awk '{ print $5 }'
}

for ((i = 0; i < docs; i++)); do printf 'BK%06d\n' "$i"; done > "$work/keys.txt"
service_s="" floor_s=""
for ((round = 0; round < rounds; round++)); do
    service_s=$(best "$service_s" "$(run_service)")
    floor_s=$(best "$floor_s" "$(run_floor)")
done
echo "(a) service: $docs documents in ${service_s} s = $(rate "$docs" "$service_s") documents/s (best of $rounds)"
echo "(b) floor:   $docs documents in ${floor_s} s = $(rate "$docs" "$floor_s") documents/s (best of $rounds)"

# (c)
cp "$work/pristine.db" "$database"
make_triggers
start=$(now)
mv "$work/staging" "$work/hot"
bash "$QC_ROOT/bench/shell_peer.sh" "$work/hot" "$database" ARC001 /bin/true
shell_s=$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')
echo "(c) shell peer: $docs documents in ${shell_s} s = $(rate "$docs" "$shell_s") documents/s ($(signed_rows) rows signed)"

awk -v s="$service_s" -v f="$floor_s" -v p="$shell_s" 'BEGIN {
    printf "service overhead over the floor: %+.1f %%   service / shell peer throughput: %.1f x\n", (s / f - 1) * 100, p / s }'

# (d)
"$build/bin/bench_skiplist_pass" 10000 50000

# (e) of the last service round: after its documents, against a fresh service before any
echo "(e) service before: $(cat "$work/before.txt")"
echo "(e) service after:  $(cat "$work/after.txt")"
