#!/usr/bin/env bash
# Measures how long a trigger file waits: from its arrival in the hot folder to its removal after processing,
# with the service at its default pause (SamplingFrequency missing: 5000 ms), one SQLite row per trigger and
# /bin/true as the signer. Triggers arrive one at a time at uneven moments (0.1 to 5.1 s after the previous
# one was taken, so that they fall anywhere within the pause), taking turns: written in place, and written
# beside the folder then renamed in.
# Usage: bench/latency.sh [TRIGGERS]      (default 40, half of each kind)
# QC_LATENCY_SERVICE=PATH measures another build of the service program (another branch's, say).
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
triggers=${1:-40}

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_DB_PACKAGES[@]}"
service_program=${QC_LATENCY_SERVICE:-}
if [ -z "$service_program" ]; then
    build="$QC_ROOT/build-bench"
    cmake -S "$QC_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQC_BUILD_TESTS=OFF \
        -DQC_BUILD_MANAGER=OFF -DQC_BUILD_BENCH=ON >/dev/null
    cmake --build "$build" -j "$(nproc)" --target QuillCollectorService >/dev/null
    service_program="$build/bin/QuillCollectorService"
fi

# QC_BENCH_DIR chooses the file system of the database and the folders (default /tmp).
work=$(mktemp -d "${QC_BENCH_DIR:-/tmp}/qc-latency-XXXXXX")
service=""
cleanup() {
    if [ -n "$service" ]; then kill "$service" 2>/dev/null || true; wait "$service" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/install" "$work/hot" "$work/staging"
cp "$service_program" "$work/install/QuillCollectorService"
database="$work/archive.db"
sqlite3 "$database" <<SQL
CREATE TABLE ARC001 (RCBCDE VARCHAR(32) NOT NULL, RCAFNM VARCHAR(256) NOT NULL, RCCODE INTEGER);
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < $triggers)
INSERT INTO ARC001 SELECT printf('LT%06d', i), printf('/archive/doc-%06d.pdf', i), 0 FROM n;
SQL
cat > "$work/install/QuillCollector.ini" <<INI
[General]
HotFolderPath=$work/hot
FileTypeMask=*.txt
DetailedLog=0
LogFile=$work/service.log
UseBackupFolder=0
Sealwright=/bin/true
ConnectionString=Driver=SQLite3;Database=$database
TableName=ARC001
INI

"$work/install/QuillCollectorService" > /dev/null &
service=$!
sleep 1

# Waits without a process per wait: a read that times out on a descriptor that never delivers.
exec {never}<> <(:)
pause() { read -r -t "$1" -u "$never" || true; }

echo "QuillCollector latency: $triggers triggers, default pause, SQLite3 ODBC, signer /bin/true, $(nproc) cores"
latencies=()
for ((i = 0; i < triggers; i++)); do
    gap=$((100 + RANDOM % 5000))
    pause "$(printf '%d.%03d' $((gap / 1000)) $((gap % 1000)))"
    key=$(printf 'LT%06d' "$i")
    text=$(printf '%sXY%s' "${key:0:6}" "${key:6:2}")
    name="t$i.txt"
    if (( i % 2 == 0 )); then
        kind="in place"
        printf '%s\n' "$text" > "$work/hot/$name"
    else
        kind="renamed"
        printf '%s\n' "$text" > "$work/staging/$name"
        mv "$work/staging/$name" "$work/hot/$name"
    fi
    arrived=$EPOCHREALTIME
    deadline=$(( ${arrived%.*} + 30 ))
    while [ -e "$work/hot/$name" ]; do
        if (( ${EPOCHREALTIME%.*} > deadline )); then echo "trigger $name not taken within 30 s" >&2; exit 1; fi
        pause 0.001
    done
    gone=$EPOCHREALTIME
    ms=$(awk -v a="$arrived" -v b="$gone" 'BEGIN { printf "%.1f", (b - a) * 1000 }')
    latencies+=("$ms $kind")
done

summary() {  # label, then lines "ms kind" on standard input
    sort -n | awk -v label="$1" '{ v[NR] = $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%-9s %3d triggers: median %8.1f ms, worst %8.1f ms\n", label, NR, m, v[NR] }'
}
printf '%s\n' "${latencies[@]}" | summary "all"
printf '%s\n' "${latencies[@]}" | grep ' in place$' | summary "in place"
printf '%s\n' "${latencies[@]}" | grep ' renamed$' | summary "renamed"
signed=$(sqlite3 "$database" "SELECT COUNT(*) FROM ARC001 WHERE RCCODE = 1")
echo "rows signed: $signed of $triggers"
