#!/usr/bin/python3
"""Makes the fixtures with texts longer than one record (Excel 5: 2080
bytes, Excel 97: 8224 bytes), whose characters go on in CONTINUE records,
in the folder given (default: this script's folder):

  gn_long5.xls  gnumeric, Excel 5 ("Lang": A1 2,500 ASCII characters, A2
                1,100 Greek characters, A3 =REPT("xy";1300), A4 "Ende")
  lo_long8.xls  LibreOffice, Excel 97 ("Lang": A1 =REPT("Ωx";2100), B1
                "Notiz" with a note of 4,200 Greek characters, A2 "Ende")
  gn_long8.xls  gnumeric, Excel 97 ("Lang": A1 =REPT("Ωx";2100), A2 "Ende")

Each is made from a flat ODF spreadsheet written here: soffice --headless
--convert-to 'xls:MS Excel 97' makes the LibreOffice file, and ssconvert
--recalc -T Gnumeric_Excel:excel_biff7 (or excel_biff8) converts that file
for the gnumeric ones. The texts are the ones the tests rebuild (LongTexts in
test_reader.cpp)."""
import os
import shutil
import subprocess
import sys
import tempfile

ASCII_TEXT = "Anfang " + ("0123456789" * 250)[: 2500 - 7]
GREEK_TEXT = ("Ωμέγα " + "αβγδεζηθικ" * 110)[:1100]
NOTE_TEXT = ("Σημείωση " + "λμνξοπρστυ" * 420)[:4200]

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:body><office:spreadsheet><table:table table:name="Lang">
"""
TAIL = "</table:table></office:spreadsheet></office:body></office:document>\n"


def text(t, note=None):
    ann = ""
    if note:
        ann = f"<office:annotation><dc:creator>qv</dc:creator><text:p>{note}</text:p></office:annotation>"
    return f'<table:table-cell office:value-type="string">{ann}<text:p>{t}</text:p></table:table-cell>'


def rept(t, n):
    return (f'<table:table-cell table:formula="of:=REPT(&quot;{t}&quot;;{n})" '
            'office:value-type="string" office:string-value=""/>')


def sheet(rows):
    return HEAD + "".join(f"<table:table-row>{''.join(r)}</table:table-row>\n" for r in rows) + TAIL


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    sources = {
        "gn_long5": sheet([[text(ASCII_TEXT)], [text(GREEK_TEXT)], [rept("xy", 1300)], [text("Ende")]]),
        "lo_long8": sheet([[rept("Ωx", 2100), text("Notiz", NOTE_TEXT)], [text("Ende")]]),
        "gn_long8": sheet([[rept("Ωx", 2100)], [text("Ende")]]),
    }
    with tempfile.TemporaryDirectory() as tmp:
        for name, doc in sources.items():
            src = os.path.join(tmp, name + ".fods")
            with open(src, "w", encoding="utf-8") as f:
                f.write(doc)
            # LibreOffice reads the flat ODF file; gnumeric converts
            # LibreOffice's Excel 97 file.
            subprocess.run(["soffice", "-env:UserInstallation=file://" + tmp + "/profile",
                            "--headless", "--convert-to", "xls:MS Excel 97", "--outdir", tmp,
                            src], check=True, capture_output=True)
            xls = os.path.join(tmp, name + ".xls")
            if name.startswith("lo_"):
                shutil.copy(xls, os.path.join(out, name + ".xls"))
            else:
                kind = "excel_biff7" if name.endswith("5") else "excel_biff8"
                subprocess.run(["ssconvert", "--recalc", "-T", "Gnumeric_Excel:" + kind, xls,
                                os.path.join(out, name + ".xls")], check=True, capture_output=True)

if __name__ == "__main__":
    main()
