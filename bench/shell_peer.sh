#!/usr/bin/env bash
# A naive peer of the collector written as a shell script with the sqlite3 tool: the same job, file by file.
#   shell_peer.sh HOT_FOLDER DATABASE TABLE SIGNER
set -u
hot=$1 database=$2 table=$3 signer=$4
for trigger in "$hot"/*.txt; do
    [ -e "$trigger" ] || break
    text=$(head -c 4095 "$trigger" | tr -d ' ')
    text=${text//AP0/AP1}
    key="${text:0:${#text}-4}${text: -2}"
    while IFS='|' read -r file counter; do
        [ -n "$file" ] || continue
        "$signer" "$file" || break
        sqlite3 "$database" "UPDATE $table SET RCCODE = $(( ${counter:-0} + 1 )) WHERE RCAFNM = '$file'"
    done < <(sqlite3 "$database" "SELECT RCAFNM,RCCODE FROM $table WHERE RCBCDE = '$key'")
    rm -f "$trigger"
done
