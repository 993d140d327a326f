#!/usr/bin/env python3
"""The engine beside numpy on np.memmap views of the same array file's item bytes.

Usage: engine_vs_numpy.py DRIVER [ROWS COLUMNS REPS]

DRIVER is the module built from engine_numpy.cpp (build-bench/bench/libengine_numpy.so). In one
process, the same work runs through the exports and through numpy, reps alternating, each side
going first in every other rep (the run that follows a write pays for some of it); each
line gives both medians and the ratio numpy / ours (above 1: ours is faster). Where a case
has two variants (add and sub, two constants, two value vectors) both sides alternate them,
so that every rep changes every cell: an unchanged cell is not written by the engine, which
would flatter it. Run with OPENBLAS_CORETYPE and OPENBLAS_L2_SIZE unset (see docs/engine.md).
"""
import ctypes
import os
import statistics
import sys
import tempfile
import time

import numpy as np


def main():
    driver = sys.argv[1]
    rows, columns, reps = (int(a) for a in (sys.argv[2:5] + ["1000", "10000", "15"][len(sys.argv) - 2:]))
    lib = ctypes.CDLL(driver)
    lib.zb_offset.restype = ctypes.c_int64
    work = tempfile.mkdtemp(prefix="zrt-engine-numpy-")
    path = os.path.join(work, "bench.arr")
    code = lib.zb_setup(path.encode(), rows, columns)
    if code:
        sys.exit(f"setup failed: {code}")

    def view(i):
        return np.memmap(path, dtype="<f8", mode="r+", offset=lib.zb_offset(i), shape=(rows, columns))

    a, x, t = view(0), view(1), view(2)
    ix = np.ix_(np.arange(rows)[::-1], np.arange(columns)[::-1])
    w = np.full(rows, 0.5)
    v1 = (1.0 + np.arange(rows * columns) % 977).reshape(rows, columns)
    v2 = v1 + 1.0

    def ours(*cases):
        return [lambda k=k: check(lib.zb_run(k)) for k in cases]

    def put(values):
        def f():
            t[:] = values
        return f

    def assign_reversed(c):
        def f():
            t[ix] = a[ix] + c
        return f

    table = [
        ("Calc 'add' T A B (whole items)", ours(0, 1),
         [lambda: np.add(a, x, out=t), lambda: np.subtract(a, x, out=t)]),
        ("Calc 'addto' T A", ours(2), [lambda: np.add(t, x, out=t)]),
        ("Calc 'add', both dimensions reversed, + constant", ours(3, 4),
         [assign_reversed(1.5), assign_reversed(2.5)]),
        ("Reduce 'addto' first axis", ours(5), [lambda: a.sum(axis=0)]),
        ("Reduce 'addto' last axis", ours(6), [lambda: a.sum(axis=1)]),
        ("Get whole item", ours(7), [lambda: np.array(a)]),
        ("Calc 'div' T A B", ours(8, 9),
         [lambda: np.divide(a, x, out=t), lambda: np.divide(x, a, out=t)]),
        ("Calc 'pow' T A c", ours(10, 11),
         [lambda: np.power(x, 1.5, out=t), lambda: np.power(x, 0.5, out=t)]),
        ("LComb 'addto' first axis", ours(12), [lambda: w @ a]),
        ("Put whole, every cell changing", ours(13, 14), [put(v1), put(v2)]),
        ("Put whole, nothing changing", ours(13), [put(v1)]),
    ]
    print(f"{rows} x {columns} doubles, {reps} reps each side, medians in ms")
    print(f"| work | ours | numpy | numpy / ours |")
    print(f"|---|---:|---:|---:|")
    for name, mine, theirs in table:
        for f in mine + theirs:  # warm: pages faulted in, mappings made
            f()
        ot, nt = [], []
        runs = 0  # every run takes the next variant, so no run finds what the one before wrote

        def run(side, times):
            nonlocal runs
            times.append(timed(side[runs % len(side)]))
            runs += 1

        for r in range(reps):  # each side goes first in every other rep
            if r % 2 == 0:
                run(mine, ot)
            run(theirs, nt)
            if r % 2 == 1:
                run(mine, ot)
        o, n = statistics.median(ot), statistics.median(nt)
        print(f"| {name} | {o * 1e3:.1f} | {n * 1e3:.1f} | {n / o:.2f} |")

    print()
    for name, case in (("Put, nothing changing", 13), ("Calc 'add', nothing changing", 0)):
        lib.zb_run(case)
        os.sync()
        before = os.stat(path).st_mtime_ns
        time.sleep(0.05)
        for _ in range(3):
            check(lib.zb_run(case))
        os.sync()
        after = os.stat(path).st_mtime_ns
        print(f"{name}: file's modification time {'unchanged: pages stay clean' if after == before else 'MOVED'}")
    del a, x, t
    lib.zb_teardown()
    os.remove(path)
    os.rmdir(work)


def check(code):
    if code:
        sys.exit(f"an export failed: {code}")


def timed(f):
    start = time.perf_counter()
    f()
    return time.perf_counter() - start


if __name__ == "__main__":
    main()
