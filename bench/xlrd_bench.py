#!/usr/bin/python3
"""xlrd (python3-xlrd) reading the files of bench_workbook_xls: 65,536 rows
by 10 columns of numbers, and of texts. Prints seconds per read (best of
three) and cells per second, to be set against the Read rows of
bench_workbook_xls.

usage: xlrd_bench.py [FOLDER]   (default $QV_BENCH_DIR, else $TMPDIR, else /tmp;
                                 run bench_workbook_xls first to write the files)
"""
import os
import sys
import time

import xlrd


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("QV_BENCH_DIR") or os.environ.get("TMPDIR") or "/tmp"
    print(f"{'file':24} {'cells':>8} {'seconds':>8} {'cells_per_s':>12}")
    for name in ("qv_bench_numbers.xls", "qv_bench_texts.xls"):
        path = os.path.join(folder, name)
        best = None
        cells = 0
        for _ in range(3):
            t0 = time.perf_counter()
            book = xlrd.open_workbook(path)
            sh = book.sheet_by_index(0)
            cells = sh.nrows * sh.ncols
            dt = time.perf_counter() - t0
            best = dt if best is None else min(best, dt)
        print(f"{name:24} {cells:8d} {best:8.3f} {cells / best:12.0f}")


if __name__ == "__main__":
    main()
