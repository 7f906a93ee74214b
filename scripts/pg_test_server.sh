#!/usr/bin/env bash
# A throw-away PostgreSQL 15 server for the database tests, on 127.0.0.1 and a free port above the default.
#
#   pg_test_server.sh setup   STATE_DIR CONFIG_DIR   new cluster, role, database, schema; server started;
#                                                    CONFIG_DIR receives odbcinst.ini, odbc.ini (DSN "test")
#                                                    and server.ini (port, connection strings, this script)
#   pg_test_server.sh cleanup STATE_DIR [CONFIG_DIR] server stopped, cluster removed (also after a crash),
#                                                    CONFIG_DIR/server.ini removed
#   pg_test_server.sh stop    STATE_DIR              server stopped (fast: sessions get 57P01), cluster kept
#   pg_test_server.sh start   STATE_DIR              a stopped server started again on the same port
#
# Run as root, the cluster belongs to the "postgres" user; STATE_DIR must lie where that user can reach it
# (under /tmp). Run as anyone else, it belongs to the caller.
set -euo pipefail

readonly ROLE=someuser PASSWORD=7305 DATABASE=qc_test
SCRIPT=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
readonly SCRIPT
cd /  # the server programs run as another user, who may not enter the caller's folder

pg_bin() {
    local dir
    dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
    [ -n "$dir" ] || { echo "PostgreSQL server programs not found" >&2; exit 1; }
    echo "$dir"
}

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

# The folder of this machine's ODBC drivers, by its multiarch triplet (x86_64-linux-gnu, aarch64-linux-gnu...).
odbc_driver_dir() {
    local triplet
    triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch 2>/dev/null || true)
    [ -n "$triplet" ] || { echo "the multiarch triplet of this machine is unknown" >&2; exit 1; }
    echo "/usr/lib/$triplet/odbc"
}

port_is_free() {
    ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A port of 54330-54429 that nothing listens on now and that is not among the ports given, tried from a
# random place so that runs side by side seldom pick the same one; another run may still take it first,
# which the start detects (see setup).
free_port() {
    local offset port i
    offset=$((RANDOM % 100))
    for ((i = 0; i < 100; i++)); do
        port=$((54330 + (offset + i) % 100))
        case " $* " in *" $port "*) continue ;; esac
        if port_is_free "$port"; then
            echo "$port"
            return 0
        fi
    done
    echo "no free port in 54330-54429" >&2
    exit 1
}

server_start() {
    local state=$1
    as_owner "$(pg_bin)/pg_ctl" start -w -t 60 -D "$state/data" -l "$state/server.log" -o "-p $(cat "$state/port")" >/dev/null
}

server_stop() {
    local state=$1
    [ -f "$state/data/postmaster.pid" ] || return 0
    as_owner "$(pg_bin)/pg_ctl" stop -w -t 60 -m fast -D "$state/data" >/dev/null
}

write_config() {
    local config=$1 port=$2 state=$3
    local drivers driver
    drivers=$(odbc_driver_dir)
    driver=$drivers/psqlodbcw.so
    local options="Servername=127.0.0.1;Port=$port;Database=$DATABASE;BoolsAsChar=0;CommLog=0;Debug=0"
    mkdir -p "$config"
    cat >"$config/odbcinst.ini" <<EOF
[PostgreSQL Unicode]
Description=PostgreSQL ODBC driver (Unicode version)
Driver=$driver
CommLog=0
Debug=0

[SQLite3]
Description=SQLite3 ODBC Driver
Driver=$drivers/libsqlite3odbc.so
EOF
    cat >"$config/odbc.ini" <<EOF
[test]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$port
Database=$DATABASE
BoolsAsChar=0
CommLog=0
Debug=0
EOF
    cat >"$config/server.ini" <<EOF
[Server]
Port=$port
StateDir=$state
Script=$SCRIPT
Role=$ROLE
Password=$PASSWORD
Database=$DATABASE
DsnLess=Driver={PostgreSQL Unicode};$options;Uid=$ROLE;Pwd=$PASSWORD
Dsn=Dsn=test;uid=$ROLE;pwd=$PASSWORD
EOF
}

setup() {
    local state=$1 config=$2 bin port
    bin=$(pg_bin)
    cleanup "$state"
    mkdir -p "$state"
    [ "$(id -u)" -eq 0 ] && chown postgres "$state"
    chmod 700 "$state"
    printf '%s\n' "postgres" >"$state/superuser.pw"
    as_owner "$bin/initdb" -D "$state/data" -U postgres --pwfile="$state/superuser.pw" -A scram-sha-256 \
        -E UTF8 --locale=C.UTF-8 >"$state/initdb.log" 2>&1 || { cat "$state/initdb.log" >&2; exit 1; }
    cat >>"$state/data/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
unix_socket_directories = ''
fsync = off
synchronous_commit = off
full_page_writes = off
EOF
    # The port is free when picked but not reserved: a server that finds it taken by then tries another.
    local tries taken=""
    for ((tries = 1; ; tries++)); do
        port=$(free_port $taken)
        taken="$taken $port"
        echo "$port" >"$state/port"
        server_start "$state" && break
        if [ "$tries" -ge 5 ] || ! grep -q "could not bind\|could not create any TCP/IP sockets" "$state/server.log"; then
            cat "$state/server.log" >&2
            exit 1
        fi
        echo "port $port was taken before the server bound it; another one" >&2
        : >"$state/server.log"
    done
    PGPASSWORD=postgres as_owner "$bin/psql" -q -h 127.0.0.1 -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 <<EOF
CREATE ROLE $ROLE LOGIN PASSWORD '$PASSWORD';
CREATE DATABASE $DATABASE OWNER $ROLE;
\\c $DATABASE
CREATE SCHEMA brxadta AUTHORIZATION $ROLE;
EOF
    write_config "$config" "$port" "$state"
    echo "PostgreSQL test server on 127.0.0.1:$port ($state)"
}

cleanup() {
    local state=$1
    [ -d "$state" ] || return 0
    if [ -f "$state/data/postmaster.pid" ]; then
        as_owner "$(pg_bin)/pg_ctl" stop -w -t 60 -m immediate -D "$state/data" >/dev/null 2>&1 || true
    fi
    rm -rf "$state"
}

[ $# -ge 2 ] || { sed -n '2,13p' "$SCRIPT" >&2; exit 2; }
case $1 in
    setup) [ $# -eq 3 ] || exit 2; setup "$2" "$3" ;;
    cleanup)
        cleanup "$2"
        [ $# -lt 3 ] || rm -f "$3/server.ini"
        ;;
    stop) server_stop "$2" ;;
    start) server_start "$2" ;;
    *) sed -n '2,13p' "$SCRIPT" >&2; exit 2 ;;
esac
