#!/usr/bin/python3
"""Prints the cell values of a workbook as xlrd reads them, in the dump form
of qvxls (workbook/XLSDump.h): "## " + sheet name, then one line per row
up to the last row holding a value, cells separated by TAB up to the last
column holding a value; numbers in their shortest round-trip text (the
shorter of the %f and %e forms, %f on a tie), Booleans TRUE/FALSE, errors
by their text, strings with backslash, TAB, LF and CR escaped.

usage: xlrd_dump.py FILE
"""
import sys
from decimal import Decimal

import xlrd


def shortest(x):
    if x != x:
        return "nan"
    if x in (float("inf"), float("-inf")):
        return "inf" if x > 0 else "-inf"
    if x == 0:
        return "-0" if str(x).startswith("-") else "0"
    sign, digits, exp = Decimal(repr(x)).normalize().as_tuple()
    ds = "".join(map(str, digits))
    n = len(ds)
    point = n + exp  # digits before the decimal point
    if point <= 0:
        fixed = "0." + "0" * (-point) + ds
    elif point >= n:
        fixed = ds + "0" * (point - n)
    else:
        fixed = ds[:point] + "." + ds[point:]
    e = point - 1
    sci = ds[0] + ("." + ds[1:] if n > 1 else "") + "e" + ("-" if e < 0 else "+") + "%02d" % abs(e)
    text = fixed if len(fixed) <= len(sci) else sci
    return ("-" if sign else "") + text


def escape(s):
    return s.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def text(cell):
    t = cell.ctype
    if t in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
        return None
    if t in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
        return shortest(float(cell.value))
    if t == xlrd.XL_CELL_TEXT:
        return escape(cell.value)
    if t == xlrd.XL_CELL_BOOLEAN:
        return "TRUE" if cell.value else "FALSE"
    if t == xlrd.XL_CELL_ERROR:
        return xlrd.error_text_from_code.get(cell.value, "#???")
    return None


def main():
    book = xlrd.open_workbook(sys.argv[1])
    out = []
    for sh in book.sheets():
        out.append("## " + escape(sh.name))
        cells = {}
        for r in range(sh.nrows):
            for c in range(sh.ncols):
                v = text(sh.cell(r, c))
                if v is not None:
                    cells[(r, c)] = v
        if not cells:
            continue
        last_row = max(r for r, _ in cells)
        last_col = max(c for _, c in cells)
        for r in range(last_row + 1):
            out.append("\t".join(cells.get((r, c), "") for c in range(last_col + 1)))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
