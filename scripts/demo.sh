#!/usr/bin/env bash
# Builds QuillCollector, sets up a demo installation in demo/ beside the build (kept between runs) and runs
# the collector service in the foreground with its log on the terminal. Ctrl-C stops it.
#
# The demo installation holds the service, the stand-in signer with a self-signed key pair, an SQLite
# archive database (table ARC001) whose rows name sample PDF files in demo/archive, a hot folder and a
# backup folder. Drop a trigger file with:   echo "AP0 5566 7788 XY90" > demo/hot/job1.txt
set -euo pipefail
source "$(dirname "$0")/common.sh"

qc_ensure_packages "${QC_BUILD_PACKAGES[@]}" "${QC_DB_PACKAGES[@]}"
qc_build "$QC_ROOT/build-demo" -DQC_BUILD_TESTS=OFF -DQC_BUILD_MANAGER=OFF -DQC_BUILD_BENCH=OFF

demo="$QC_ROOT/demo"
mkdir -p "$demo/hot" "$demo/backup" "$demo/archive"
cp "$QC_ROOT/build-demo/bin/QuillCollectorService" "$QC_ROOT/build-demo/bin/Sealwright" "$demo/"

if [ ! -f "$demo/Sealwright.key" ] || [ ! -f "$demo/Sealwright.crt" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=QuillCollector Demo Signer" \
        -keyout "$demo/Sealwright.key" -out "$demo/Sealwright.crt" 2>/dev/null
fi

# A small, valid one-page PDF per archive document.
make_pdf() {
    local file=$1 title=$2
    [ -f "$file" ] && return 0
    local stream="BT /F1 24 Tf 72 720 Td ($title) Tj ET"
    printf '%%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >> endobj\n4 0 obj << /Length %d >> stream\n%s\nendstream endobj\n5 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\ntrailer << /Root 1 0 R >>\n%%%%EOF\n' \
        "${#stream}" "$stream" > "$file"
}

database="$demo/archive.db"
if [ ! -f "$database" ]; then
    make_pdf "$demo/archive/invoice-1001.pdf" "Invoice 1001"
    make_pdf "$demo/archive/invoice-1001-annex.pdf" "Invoice 1001, annex"
    make_pdf "$demo/archive/invoice-1002.pdf" "Invoice 1002"
    sqlite3 "$database" <<SQL
CREATE TABLE ARC001 (RCBCDE VARCHAR(64) NOT NULL, RCAFNM VARCHAR(512) NOT NULL, RCCODE INTEGER);
CREATE INDEX ARC001_RCBCDE ON ARC001 (RCBCDE);
CREATE INDEX ARC001_RCAFNM ON ARC001 (RCAFNM);
INSERT INTO ARC001 VALUES ('AP15566778890', '$demo/archive/invoice-1001.pdf', 0);
INSERT INTO ARC001 VALUES ('AP15566778890', '$demo/archive/invoice-1001-annex.pdf', NULL);
INSERT INTO ARC001 VALUES ('AP15566778891', '$demo/archive/invoice-1002.pdf', 4);
SQL
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
ConnectionString=Driver=SQLite3;Database=$database
TableName=ARC001
VellumSignType=0
INI
fi

echo "Demo installation: $demo (settings in $demo/QuillCollector.ini)"
echo "Drop a trigger file:  echo \"AP0 5566 7788 XY90\" > $demo/hot/job1.txt"
exec "$demo/QuillCollectorService"
