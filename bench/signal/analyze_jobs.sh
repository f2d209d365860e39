#!/bin/sh
# Times tavo-analyze over an archive of CASES day-long cases (default 20),
# each "data.ecg" made of one golden recording repeated, with 1 job and with
# JOBS jobs (default: the number of cores).
# Usage: bench/signal/analyze_jobs.sh BUILD_DIR [CASES] [JOBS]
set -eu
build=$1
cases=${2:-20}
jobs=${3:-$(nproc)}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
source=$(dirname "$0")/../../tests/data/ecg-records/100/data.ecg
day=$((24 * 3600 * 200 * 2))
mkdir "$root/0000001"
while [ "$(stat -c %s "$root/0000001/data.ecg" 2>/dev/null || echo 0)" -lt "$day" ]; do
    cat "$source" >> "$root/0000001/data.ecg"
done
truncate -s "$day" "$root/0000001/data.ecg"
for k in $(seq 2 "$cases"); do
    mkdir "$root/$(printf %07d "$k")"
    ln "$root/0000001/data.ecg" "$root/$(printf %07d "$k")/data.ecg"
done
for n in 1 "$jobs"; do
    start=$(date +%s.%N)
    "$build/tools/analyze/tavo-analyze" -q --jobs "$n" "$root" >/dev/null
    echo "$cases cases of 24 h, --jobs $n: $(echo "$(date +%s.%N) - $start" | bc) s"
done
