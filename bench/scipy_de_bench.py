#!/usr/bin/python3
"""SciPy's differential_evolution on the models of bench_engine_search.cpp.

Same NIST data (Misra1a 14 rows, Thurber 37, Hahn1 236), the same parameter
boxes, 20 members (SciPy's popsize multiplier rounded up to reach 20) and
200 generations, no polishing and no early stop. Prints candidate
evaluations per second, to be set against the cand_per_s counter of the
DE rows of bench_engine_search.

usage: scipy_de_bench.py [NIST_DIR]   (default tests/engine/data/nist)
"""
import json
import math
import os
import sys
import time

import numpy as np
from scipy.optimize import differential_evolution

MODELS = {
    "Misra1a": lambda b, x: b[0] * (1 - np.exp(-b[1] * x)),
    "Thurber": lambda b, x: (b[0] + b[1] * x + b[2] * x**2 + b[3] * x**3) / (1 + b[4] * x + b[5] * x**2 + b[6] * x**3),
    "Hahn1": lambda b, x: (b[0] + b[1] * x + b[2] * x**2 + b[3] * x**3) / (1 + b[4] * x + b[5] * x**2 + b[6] * x**3),
}


def boxes(d):
    out = []
    for a, b, c in zip(d["start1"], d["start2"], d["certified"]):
        lo, hi = min(a, b, c), max(a, b, c)
        span = hi - lo if hi > lo else abs(c) + 1
        out.append((lo - span / 2, hi + span / 2))
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "engine", "data", "nist")
    print(f"{'model':10} {'rows':>5} {'members':>7} {'nfev':>7} {'seconds':>8} {'cand_per_s':>11}")
    for name, f in MODELS.items():
        d = json.load(open(os.path.join(folder, name + ".json")))
        x, y = np.array(d["x"], float), np.array(d["y"], float)
        ymean = y.mean()
        stt = ((y - ymean) ** 2).sum()

        def cost(b):
            r = y - f(b, x)
            return -(stt - (r * r).sum()) / stt  # minus DC, as the search maximises DC

        k = len(d["certified"])
        popsize = math.ceil(20 / k)
        t = time.perf_counter()
        res = differential_evolution(cost, boxes(d), popsize=popsize, maxiter=200, tol=0, atol=0,
                                     polish=False, seed=1, init="random")
        s = time.perf_counter() - t
        print(f"{name:10} {len(x):5d} {popsize * k:7d} {res.nfev:7d} {s:8.3f} {res.nfev / s:11.0f}")


if __name__ == "__main__":
    main()
