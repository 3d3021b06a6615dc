#!/usr/bin/env python3
"""Generates spectrum files for benchmarks and load tests.

    tools/gen-spectra.py --out DIR [--count N] [--rows R] [--spectra S] [--seed K]

Writes N files spectrum_00000.txt ... of R data lines with S spectra each; about a third of them
carry the Rhodamine 6G bands, the rest other bands. Prints nothing; the file names sort in order."""

import argparse
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import spectra  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--count", type=int, default=2000)
    parser.add_argument("--rows", type=int, default=2000)
    parser.add_argument("--spectra", type=int, default=1)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    rng = random.Random(args.seed)
    xs = spectra.axis(args.rows)
    rh6g = [(p, 200 + rng.random() * 600) for p in spectra.RH6G_PEAKS]
    # Spectra are expensive to compute in Python: make a small pool and combine it.
    pool = []
    for k in range(24):
        if k % 3 == 0:
            bands = [(p + rng.uniform(-2, 2), h) for p, h in rh6g]
        else:
            bands = [(rng.uniform(300, 1700), rng.uniform(50, 900)) for _ in range(rng.randint(2, 8))]
        pool.append(spectra.spectrum(xs, bands, rng))
    for i in range(args.count):
        columns = [pool[(i * 7 + s * 5) % len(pool)] for s in range(args.spectra)]
        text = spectra.file_text(xs, columns, name="Messung %d" % i)
        spectra.write(os.path.join(args.out, "spectrum_%05d.txt" % i), text)


if __name__ == "__main__":
    main()
