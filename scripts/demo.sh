#!/usr/bin/env bash
# Builds QuillCollector, sets up a demo installation in demo/ beside the build (kept between runs) and runs
# the collector service in the foreground with its log on the terminal. Ctrl-C stops it.
set -euo pipefail
source "$(dirname "$0")/common.sh"

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_DB_PACKAGES[@]}"
qc_build "$QC_ROOT/build-demo" -DQC_BUILD_TESTS=OFF -DQC_BUILD_MANAGER=OFF

demo="$QC_ROOT/demo"
mkdir -p "$demo/hot" "$demo/backup" "$demo/archive"
cp "$QC_ROOT/build-demo/bin/QuillCollectorService" "$QC_ROOT/build-demo/bin/Sealwright" "$demo/"

if [ ! -f "$demo/Sealwright.key" ] || [ ! -f "$demo/Sealwright.crt" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=QuillCollector Demo Signer" \
        -keyout "$demo/Sealwright.key" -out "$demo/Sealwright.crt" 2>/dev/null
fi

if [ ! -f "$demo/QuillCollector.ini" ]; then
    cat > "$demo/QuillCollector.ini" <<INI
[General]
HotFolderPath=$demo/hot
FileTypeMask=*.txt
SamplingFrequency=2000
DetailedLog=1
LogFile=QuillCollector.Log
UseBackupFolder=1
BackupFolder=$demo/backup
Sealwright=Sealwright
INI
fi

echo "Demo installation: $demo (settings in $demo/QuillCollector.ini)"
exec "$demo/QuillCollectorService"
