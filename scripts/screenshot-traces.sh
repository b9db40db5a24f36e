#!/usr/bin/env bash
# Takes docs/screenshot-traces.png: the first page of the Traces sheet of the
# workbook that quillet-convert writes for the four-chain reference run
# (tests/stats/data), as LibreOffice Calc prints it (headless, to PDF, then
# rendered by poppler's pdftoppm).
#
#   scripts/screenshot-traces.sh [QUILLET-CONVERT]   # default: build/test's
set -euo pipefail
cd "$(dirname "$0")/.."
convert=${1:-build/test/app/quillet-convert/quillet-convert}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

data=tests/stats/data
"$convert" -q --index "$data/four.ind" -o "$work/run.xlsx" "$data"/four[1-4].out
timeout 300 soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to pdf \
  --outdir "$work" "$work/run.xlsx" >/dev/null 2>&1
pages=$(pdfinfo "$work/run.pdf" | sed -n 's/^Pages: *//p')
for ((page = 1; page <= pages; page++)); do
  if pdftotext -f "$page" -l "$page" "$work/run.pdf" - | grep -q '^Traces of'; then
    mkdir -p docs
    pdftoppm -r 80 -f "$page" -l "$page" -singlefile -png "$work/run.pdf" docs/screenshot-traces
    echo "Wrote docs/screenshot-traces.png (page $page of $pages)"
    exit 0
  fi
done
echo "screenshot-traces.sh: no page of the Traces sheet in the PDF" >&2
exit 1
