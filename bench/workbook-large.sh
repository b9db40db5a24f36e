#!/usr/bin/env bash
# Measures a large workbook: 400 variables x 100,000 samples (40 million
# cells), written by quillet-convert, its wall time and peak memory, and then
# whether LibreOffice Calc opens it (converted headless to comma-separated
# text, within a time limit) and how long that takes.
#
#   bench/workbook-large.sh            # LIMIT=1800 bench/workbook-large.sh for another limit, s
#
# Uses the Release build and generator of bench/run.sh (build/bench) and keeps
# the generated pair in bench/data/ between runs.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=${LIMIT:-1800}
build=build/bench
data=bench/data
stem=$data/large
variables=400
samples=100000

[ -x /usr/bin/time ] || { echo "bench/workbook-large.sh: /usr/bin/time is missing (package 'time')" >&2; exit 1; }
command -v soffice >/dev/null || { echo "bench/workbook-large.sh: soffice is missing (libreoffice-calc-nogui)" >&2; exit 1; }

echo "== build (Release, $build)" >&2
nice cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILLET_TESTS=OFF -DQUILLET_GUI=OFF -DQUILLET_BENCH=ON >/dev/null
nice cmake --build "$build" -j 2 --target quillet-convert quillet-gen-chain >/dev/null
mkdir -p "$data"
stamp="$variables $samples 1 $(cat bench/chain_generator.cpp bench/chain_generator.h | md5sum | cut -d' ' -f1)"
if [ "$(cat "$stem.stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "== generate: $variables variables x $samples samples" >&2
  rm -f "$stem.stamp"
  "$build/bench/quillet-gen-chain" --variables "$variables" --samples "$samples" --seed 1 "$stem"
  echo "$stamp" >"$stem.stamp"
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "Machine: $(nproc) cores, $(uname -sr); load before: $(uptime | sed 's/.*load average: //')"
start=$(date +%s%N)
/usr/bin/time -v -o "$scratch/time" "$build/app/quillet-convert/quillet-convert" -q \
  -o "$scratch/large.xlsx" "$stem"
end=$(date +%s%N)
kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$scratch/time")
awk -v ns=$((end - start)) -v kb="$kb" -v bytes="$(stat -c %s "$stem.out")" \
  -v book="$(stat -c %s "$scratch/large.xlsx")" 'BEGIN {
    printf "workbook: %.2f s wall, peak RSS %.0f MB (%.2f x the %.0f MB data file), %.0f MB\n",
      ns / 1e9, kb / 1024, kb * 1024 / bytes, bytes / 1e6, book / 1e6
  }'
# The first entry's "version needed to extract": 20 in the classic zip form.
echo "zip form: version $(od -An -tu2 -j4 -N2 "$scratch/large.xlsx" | tr -d ' ') (20 classic, 45 zip64)"

start=$(date +%s%N)
status=0
/usr/bin/time -v -o "$scratch/office-time" timeout "$limit" soffice \
  "-env:UserInstallation=file://$scratch/profile" --headless --convert-to csv \
  --outdir "$scratch/csv" "$scratch/large.xlsx" >"$scratch/office.log" 2>&1 || status=$?
end=$(date +%s%N)
kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$scratch/office-time")
if [ -s "$scratch/csv/large.csv" ]; then
  rows=$(wc -l <"$scratch/csv/large.csv")
  awk -v ns=$((end - start)) -v kb="$kb" -v rows="$rows" 'BEGIN {
    printf "LibreOffice opened it: %d rows converted in %.0f s, peak RSS %.0f MB\n",
      rows, ns / 1e9, kb / 1024 }'
else
  echo "LibreOffice did not open it (status $status):"
  cat "$scratch/office.log"
fi
