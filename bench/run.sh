#!/usr/bin/env bash
# Measures the collector service side by side with the floor of its work and with a shell-script peer, in one
# run, on one SQLite database through the same ODBC driver, with a signer that exits 0 at once:
#   (a) the service: DOCS trigger files against a ROWS-row table, SamplingFrequency 0, until the folder is empty
#   (b) the floor: the same per-document work done bare in one small program
#   (c) a shell script doing the same job with the sqlite3 tool
#   (d) one pass over folders whose files are all on the skip list
#   (e) the service's peak memory and open descriptors before and after (a)
# Usage: bench/run.sh [DOCS] [ROWS]      (defaults 2000 and 100000)
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
docs=${1:-2000}
rows=${2:-100000}

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_DB_PACKAGES[@]}"
build="$QC_ROOT/build-bench"
cmake -S "$QC_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQC_BUILD_TESTS=OFF -DQC_BUILD_MANAGER=OFF \
    -DQC_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

work=$(mktemp -d /tmp/qc-bench-XXXXXX)
trap 'kill "${service:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/install"
cp "$build/bin/QuillCollectorService" "$work/install/"
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

# (a) + (e)
"$work/install/QuillCollectorService" > /dev/null &
service=$!
sleep 0.5
echo "(e) service before: $(proc_figures $service)"
make_triggers
start=$(now)
mv "$work/staging" "$work/hot"
while [ -n "$(ls -A "$work/hot")" ]; do sleep 0.01; done
service_s=$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')
echo "(a) service: $docs documents in ${service_s} s = $(rate "$docs" "$service_s") documents/s ($(signed_rows) rows signed)"
echo "(e) service after:  $(proc_figures $service)"
kill $service; wait $service 2>/dev/null || true

# (b)
cp "$work/pristine.db" "$database"
for ((i = 0; i < docs; i++)); do printf 'BK%06d\n' "$i"; done > "$work/keys.txt"
floor_line=$("$build/bin/bench_floor" "Driver=SQLite3;Database=$database" ARC001 /bin/true "$work/keys.txt")
floor_s=$(echo "$floor_line" | awk '{ print $5 }')
echo "(b) $floor_line ($(signed_rows) rows signed)"

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
