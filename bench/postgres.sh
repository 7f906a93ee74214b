#!/usr/bin/env bash
# Measures the collector service on PostgreSQL (a throw-away server on 127.0.0.1, scripts/pg_test_server.sh,
# psqlODBC), side by side in one run, with a signer that exits 0 at once:
#   (a) the service: DOCS trigger files against a ROWS-row table, SamplingFrequency 0, until the folder is empty
#   (b) the floor with one kept connection: the same per-document work done bare, one login for the whole run
#   (c) the floor with a login per document
# Usage: bench/postgres.sh [DOCS] [ROWS]      (defaults 300 and 10000; ROUNDS=3 rounds, the best counts)
# QC_BENCH_SERVICE names another service program to measure in place of this tree's (another revision's).
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
docs=${1:-300}
rows=${2:-10000}
rounds=${ROUNDS:-3}

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_DB_PACKAGES[@]}" postgresql
build="$QC_ROOT/build-bench"
cmake -S "$QC_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQC_BUILD_TESTS=OFF -DQC_BUILD_MANAGER=OFF \
    -DQC_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

work=$(mktemp -d "${QC_BENCH_DIR:-/tmp}/qc-pgbench-XXXXXX")
state=$(mktemp -d /tmp/qc-pgbench-server-XXXXXX)  # where the server's own user can reach it
server() { bash "$QC_ROOT/scripts/pg_test_server.sh" "$@"; }
trap 'if [ -s "$work/service.pid" ]; then kill "$(cat "$work/service.pid")" 2>/dev/null || true; fi
      server cleanup "$state" "$work/odbc" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
server setup "$state" "$work/odbc" >/dev/null
export ODBCSYSINI="$work/odbc"
value() { sed -n "s/^$1=//p" "$work/odbc/server.ini"; }
connection=$(value DsnLess)
sql() { PGPASSWORD=$(value Password) psql -q -At -h 127.0.0.1 -p "$(value Port)" -U "$(value Role)" -d "$(value Database)" "$@"; }
table=BRXADTA.ARC001

# Keys BK000000..: a trigger file's text is the key with "XY" put before its last two characters.
sql <<SQL
CREATE TABLE $table (RCBCDE VARCHAR(32) NOT NULL, RCAFNM VARCHAR(256) NOT NULL, RCCODE INTEGER);
INSERT INTO $table SELECT 'BK' || lpad(i::text, 6, '0'), '/archive/doc-' || lpad(i::text, 6, '0') || '.pdf', 0
    FROM generate_series(0, $rows - 1) AS i;
CREATE INDEX ARC001_RCBCDE ON $table (RCBCDE);
CREATE INDEX ARC001_RCAFNM ON $table (RCAFNM);
ANALYZE $table;
SQL

mkdir -p "$work/install"
cp "${QC_BENCH_SERVICE:-$build/bin/QuillCollectorService}" "$work/install/QuillCollectorService"
cat > "$work/install/QuillCollector.ini" <<INI
[General]
HotFolderPath=$work/hot
FileTypeMask=*.txt
SamplingFrequency=0
DetailedLog=0
LogFile=$work/service.log
UseBackupFolder=0
Sealwright=/bin/true
ConnectionString=$connection
TableName=$table
INI
for ((i = 0; i < docs; i++)); do printf 'BK%06d\n' "$i"; done > "$work/keys.txt"

make_triggers() {
    rm -rf "$work/hot" "$work/staging"
    mkdir "$work/staging"
    for ((i = 0; i < docs; i++)); do
        key=$(printf 'BK%06d' "$i")
        printf '%sXY%s\n' "${key:0:6}" "${key:6:2}" > "$work/staging/t$i.txt"
    done
}
reset_counters() { sql -c "UPDATE $table SET RCCODE = 0 WHERE RCCODE <> 0"; }
signed_rows() { sql -c "SELECT COUNT(*) FROM $table WHERE RCCODE = 1"; }
# Sessions of the database so far (this script's own psql calls are sessions too: see their use below).
logins() { sql -c "SELECT sessions FROM pg_stat_database WHERE datname = '$(value Database)'"; }
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

run_service() {
    reset_counters
    "$work/install/QuillCollectorService" > /dev/null &
    local service=$!
    echo "$service" > "$work/service.pid"
    sleep 0.5
    make_triggers
    local before seconds
    before=$(logins)
    seconds=$("$build/bin/bench_drop_and_wait" "$work/staging" "$work/hot")
    kill $service; wait $service 2>/dev/null || true
    rm -f "$work/service.pid"
    local after
    after=$(logins)  # less the one psql session that read `before`
    echo "    service round:      ${seconds} s ($(signed_rows) rows signed, $((after - before - 1)) logins)" >&2
    echo "$seconds"
}

run_floor() {
    reset_counters
    local line before
    before=$(logins)
    line=$("$build/bin/bench_floor" "$connection" "$table" /bin/true "$work/keys.txt" "$@")
    local after
    after=$(logins)
    echo "    floor round ${1:-per doc}: $(echo "$line" | awk '{ print $5 }') s ($(signed_rows) rows signed, $((after - before - 1)) logins)" >&2
    echo "$line" | awk '{ print $5 }'
}

echo "QuillCollector PostgreSQL benchmark: $docs trigger files, $rows rows, psqlODBC, signer /bin/true, $(nproc) cores"
service_s="" kept_s="" login_s=""
for ((round = 0; round < rounds; round++)); do
    service_s=$(best "$service_s" "$(run_service)")
    kept_s=$(best "$kept_s" "$(run_floor kept)")
    login_s=$(best "$login_s" "$(run_floor)")
done
awk -v n="$docs" -v s="$service_s" -v k="$kept_s" -v l="$login_s" -v r="$rounds" 'BEGIN {
    printf "(a) service:                   %d documents in %.2f s = %6.1f documents/s, %.2f ms each\n", n, s, n / s, s * 1000 / n
    printf "(b) floor, one kept login:     %d documents in %.2f s = %6.1f documents/s, %.2f ms each\n", n, k, n / k, k * 1000 / n
    printf "(c) floor, a login a document: %d documents in %.2f s = %6.1f documents/s, %.2f ms each\n", n, l, n / l, l * 1000 / n
    printf "service / kept floor: %.2f x   service / login-per-document floor: %.2f x   (best of %d rounds)\n", s / k, s / l, r }'
