#!/usr/bin/python3
"""Writes the hand-made Excel 2.1, 3.0 and 4.0 worksheet files of the
workbook tests (biff2.xls, biff3.xls, biff4.xls) into the folder given
(default: this script's folder). Each is a plain record stream: BOF, a few
set-up records, cells of every kind the version has, EOF."""
import os
import struct
import sys


def rec(rid, body=b""):
    return struct.pack("<HH", rid, len(body)) + body


def biff2():
    attr = b"\x00\x00\x00"
    out = rec(0x0009, struct.pack("<HH", 2, 0x0010))
    out += rec(0x0042, struct.pack("<H", 1252))
    out += rec(0x0031, struct.pack("<HHB", 200, 1, 5) + b"Arial")  # FONT: bold Arial 10
    out += rec(0x0000, struct.pack("<HHHH", 0, 4, 0, 3))
    out += rec(0x0004, struct.pack("<HH", 0, 0) + attr + bytes([5]) + "Caf\xe9s".encode("cp1252"))
    out += rec(0x0002, struct.pack("<HH", 0, 1) + attr + struct.pack("<H", 40000))
    out += rec(0x0003, struct.pack("<HH", 1, 0) + attr + struct.pack("<d", -1.25))
    out += rec(0x0005, struct.pack("<HH", 1, 1) + attr + bytes([1, 0]))  # TRUE
    out += rec(0x0005, struct.pack("<HH", 1, 2) + attr + bytes([7, 1]))  # #DIV/0!
    # =A2*2 (ptgRef row 1 relative, column 0 relative; ptgInt 2; ptgMul)
    tokens = bytes([0x44]) + struct.pack("<HB", 0xC000 | 1, 0) + bytes([0x1E]) + struct.pack("<H", 2) + bytes([0x05])
    out += rec(0x0006, struct.pack("<HH", 3, 0) + attr + struct.pack("<d", -2.5) + bytes([0, len(tokens)]) + tokens)
    out += rec(0x000A)
    return out


def biff3():
    out = rec(0x0209, struct.pack("<HHH", 0, 0x0010, 0))
    out += rec(0x0042, struct.pack("<H", 1252))
    out += rec(0x0200, struct.pack("<HHHHH", 0, 3, 0, 3, 0))
    out += rec(0x0204, struct.pack("<HHHH", 0, 0, 0, 6) + b"Zahlen")
    out += rec(0x0203, struct.pack("<HHHd", 0, 1, 0, 0.1))
    out += rec(0x027E, struct.pack("<HHHI", 0, 2, 0, (12345 << 2) | 2 | 1))  # RK 123.45
    out += rec(0x0205, struct.pack("<HHHBB", 1, 0, 0, 0, 0))  # FALSE
    out += rec(0x0205, struct.pack("<HHHBB", 1, 1, 0, 42, 1))  # #N/A
    # ="ab"&"cd" with a string result in the STRING record after it
    tokens = bytes([0x17, 2]) + b"ab" + bytes([0x17, 2]) + b"cd" + bytes([0x08])
    res = bytes([0, 0, 0, 0, 0, 0, 0xFF, 0xFF])
    out += rec(0x0206, struct.pack("<HHH", 2, 0, 0) + res + struct.pack("<HH", 0, len(tokens)) + tokens)
    out += rec(0x0207, struct.pack("<H", 4) + b"abcd")
    out += rec(0x000A)
    return out


def biff4():
    out = rec(0x0409, struct.pack("<HHH", 0, 0x0010, 0))
    out += rec(0x0042, struct.pack("<H", 1252))
    for _ in range(4):
        out += rec(0x0231, struct.pack("<HHHB", 200, 0, 0x7FFF, 5) + b"Arial")
    # The built-in formats 0-4, then a format of our own: index 5.
    for f in ["General", "0", "0.00", "#,##0", "#,##0.00", "0.000"]:
        b = f.encode("ascii")
        out += rec(0x041E, struct.pack("<HB", 0, len(b)) + b)
    # Cell XFs: XF 0 general, XF 1 "0.00" (format 2), XF 2 "0.000" (format 5).
    for fmt in (0, 2, 5):
        out += rec(0x0443, struct.pack("<BBHBBHI", 0, fmt, 0x0001, 0x20, 0x04, 0xCE00, 0))
    out += rec(0x0200, struct.pack("<HHHHH", 0, 3, 0, 2, 0))
    out += rec(0x0203, struct.pack("<HHHd", 0, 0, 1, 3.14159))
    out += rec(0x0203, struct.pack("<HHHd", 0, 1, 2, 2.5))
    text = "Stra\xdfe \xc4pfel".encode("cp1252")
    out += rec(0x0204, struct.pack("<HHHH", 1, 0, 0, len(text)) + text)
    out += rec(0x027E, struct.pack("<HHHI", 1, 1, 0, (-7 << 2 & 0xFFFFFFFF) | 2))
    # =TRUE() as a Boolean result
    tokens = bytes([0x41]) + struct.pack("<H", 34)
    res = bytes([1, 0, 1, 0, 0, 0, 0xFF, 0xFF])
    out += rec(0x0406, struct.pack("<HHH", 2, 0, 0) + res + struct.pack("<HH", 0, len(tokens)) + tokens)
    out += rec(0x000A)
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, data in (("biff2.xls", biff2()), ("biff3.xls", biff3()), ("biff4.xls", biff4())):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
