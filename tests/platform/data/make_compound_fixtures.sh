#!/usr/bin/env bash
# Makes the compound-document fixtures of test_compound_file.cpp with the
# peers that wrote them: an Excel 97 workbook saved by LibreOffice Calc and
# one saved by gnumeric's ssconvert, both from the same small table. Run it
# from this folder; the outputs are committed.
set -euo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf 'x;y\n1;2.5\n2;3.75\n3;-1\n' > "$tmp/table.csv"
soffice --headless -env:UserInstallation=file://"$tmp/lo" --infilter="CSV:59,34,76,1" \
  --convert-to xls --outdir "$tmp" "$tmp/table.csv" >/dev/null
cp "$tmp/table.xls" compound_libreoffice.xls
ssconvert --export-type=Gnumeric_Excel:excel_biff8 "$tmp/table.csv" compound_gnumeric.xls 2>/dev/null
