#!/usr/bin/env bash
# Several collectors on one hot folder and one PostgreSQL database: aggregate documents per second with 1, 2
# and 4 collectors, each from an installation folder of its own, with a signer that takes 20 ms (the test
# signer sleeping), so that the signer dominates as a slow signing server would.
#   For each count: DOCS trigger files (one key and one row each) appear in the hot folder in one rename;
#   the clock runs until no trigger is left in it or in a collector's folder. Printed side by side with the
#   speed-up over one collector and where the CPU went: the collectors with their signers, the database
#   server, and the whole machine (other work included).
# Usage: bench/farm.sh [DOCS] [SIGNER_MS]      (defaults 600 and 20)
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"
docs=${1:-600}
signer_ms=${2:-20}

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_DB_PACKAGES[@]}" postgresql procps
build="$QC_ROOT/build-bench"
cmake -S "$QC_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQC_BUILD_TESTS=OFF -DQC_BUILD_MANAGER=OFF \
    -DQC_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target QuillCollectorService TestSigner >/dev/null

work=$(mktemp -d "${QC_BENCH_DIR:-/tmp}/qc-farm-XXXXXX")
chmod 755 "$work"
pg_state="$work/pg"
services=()
stop_services() {
    for pid in "${services[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    for pid in "${services[@]}"; do wait "$pid" 2>/dev/null || true; done
    services=()
}
trap 'exit 143' INT TERM
trap 'stop_services; bash "$QC_ROOT/scripts/pg_test_server.sh" cleanup "$pg_state" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
bash "$QC_ROOT/scripts/pg_test_server.sh" setup "$pg_state" "$work/odbc" >/dev/null
connection=$(sed -n 's/^DsnLess=//p' "$work/odbc/server.ini")
export ODBCSYSINI="$work/odbc"
port=$(cat "$pg_state/port")
psql_run() { PGOPTIONS="-c client_min_messages=warning" PGPASSWORD=7305 psql -q -X -t -A -h 127.0.0.1 -p "$port" -U someuser -d qc_test -v ON_ERROR_STOP=1 "$@"; }
postmaster=$(head -n 1 "$pg_state/data/postmaster.pid")

reset_table() {
    psql_run <<SQL
DROP TABLE IF EXISTS brxadta.farm;
CREATE TABLE brxadta.farm (RCBCDE VARCHAR(32) NOT NULL, RCAFNM VARCHAR(256) NOT NULL, RCCODE INTEGER);
INSERT INTO brxadta.farm SELECT 'FK' || lpad(i::text, 6, '0'), '/archive/doc-' || i || '.pdf', 0
  FROM generate_series(0, $docs - 1) AS i;
CREATE INDEX ON brxadta.farm (RCBCDE);
CREATE INDEX ON brxadta.farm (RCAFNM);
SQL
}

# A trigger's text is its key with two characters put before the last two ("FK0000XY12" for FK000012).
make_triggers() {
    rm -rf "$work/hot" "$work/staging"
    mkdir "$work/staging"
    for ((i = 0; i < docs; i++)); do
        key=$(printf 'FK%06d' "$i")
        printf '%sXY%s\n' "${key:0:6}" "${key:6:2}" > "$work/staging/t$i.txt"
    done
}

install_collector() {
    local dir="$work/install-$1"
    mkdir -p "$dir"
    cp "$build/bin/QuillCollectorService" "$build/bin/TestSigner" "$dir/"
    cat > "$dir/QuillCollector.ini" <<INI
[General]
HotFolderPath=$work/hot
FileTypeMask=*.txt
SamplingFrequency=0
DetailedLog=0
LogFile=$dir/service.log
UseBackupFolder=0
Sealwright=TestSigner
ConnectionString=$connection
TableName=brxadta.farm
INI
}

now() { date +%s.%N; }
# CPU seconds (user + system) of a process and of its children that it has waited for.
cpu_of() { awk -v tick="$(getconf CLK_TCK)" '{ print ($14 + $15 + $16 + $17) / tick }' "/proc/$1/stat"; }
# The server's CPU seconds: its backends serve the collectors' kept connections and are still running when
# a round ends, so they count beside what the postmaster has reaped.
server_cpu() {
    local total child
    total=$(cpu_of "$postmaster")
    for child in $(pgrep -P "$postmaster"); do
        total=$(awk -v a="$total" -v b="$(cpu_of "$child" 2>/dev/null || echo 0)" 'BEGIN { print a + b }')
    done
    echo "$total"
}
machine_busy() { awk '/^cpu / { print $2 + $3 + $4 + $7 + $8, $2 + $3 + $4 + $5 + $6 + $7 + $8 }' /proc/stat; }
waiting() { find "$work/hot" -name 't*.txt' 2>/dev/null | wc -l; }

export TESTSIGNER_SLEEP_MS=$signer_ms
unset TESTSIGNER_RECORD TESTSIGNER_EXIT TESTSIGNER_SLEEP TESTSIGNER_SIGNAL
for n in 1 2 3 4; do install_collector "$n"; done

echo "QuillCollector farm benchmark: $docs trigger files, PostgreSQL $(psql_run -c 'SHOW server_version'), signer $signer_ms ms, $(nproc) cores"
printf '%-11s %9s %12s %9s %15s %13s %13s\n' collectors seconds documents/s speed-up "collectors CPU" "database CPU" "machine busy"
one_rate=""
for count in 1 2 4; do
    reset_table
    make_triggers
    pg_before=$(server_cpu)
    read -r busy_before total_before < <(machine_busy)
    mv "$work/staging" "$work/hot"
    start=$(now)
    for ((n = 1; n <= count; n++)); do
        (cd "$work/install-$n" && exec ./QuillCollectorService > /dev/null) &
        services+=($!)
    done
    while [ "$(waiting)" -gt 0 ]; do sleep 0.02; done
    seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')
    collectors_cpu=0
    for pid in "${services[@]}"; do collectors_cpu=$(awk -v a="$collectors_cpu" -v b="$(cpu_of "$pid")" 'BEGIN { print a + b }'); done
    read -r busy_after total_after < <(machine_busy)
    pg_cpu=$(awk -v a="$pg_before" -v b="$(server_cpu)" 'BEGIN { print b - a }')
    stop_services
    signed=$(psql_run -c "SELECT COUNT(*) FROM brxadta.farm WHERE RCCODE = 1")
    [ "$signed" -eq "$docs" ] || echo "  $count collector(s): only $signed of $docs rows counted once" >&2
    rate=$(awk -v n="$docs" -v s="$seconds" 'BEGIN { printf "%.1f", n / s }')
    [ -n "$one_rate" ] || one_rate=$rate
    printf '%-11s %9.2f %12s %8.2fx %13.1f s %11.1f s %12.0f %%\n' "$count" "$seconds" "$rate" \
        "$(awk -v a="$rate" -v b="$one_rate" 'BEGIN { print a / b }')" "$collectors_cpu" "$pg_cpu" \
        "$(awk -v b="$((busy_after - busy_before))" -v t="$((total_after - total_before))" 'BEGIN { print t ? 100 * b / t : 0 }')"
done
echo "collectors CPU: the services and the signers they started; machine busy: both cores, everyone's work."
