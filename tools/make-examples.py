#!/usr/bin/env python3
"""Writes the sample spectrum files of examples/ and the Rhodamine 6G preset peaks/rh6g.txt.

    tools/make-examples.py [REPOSITORY]

The output is the same on every run (fixed seeds)."""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import spectra  # noqa: E402


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    examples = os.path.join(root, "examples")
    peaks = os.path.join(root, "peaks")
    os.makedirs(examples, exist_ok=True)
    os.makedirs(peaks, exist_ok=True)

    with open(os.path.join(peaks, "rh6g.txt"), "w", newline="") as f:
        f.write("\r\n".join(str(p) for p in spectra.RH6G_PEAKS) + "\r\n")

    rng = random.Random(1902)
    xs = spectra.axis(800)
    rh6g = [(p, h) for p, h in zip(spectra.RH6G_PEAKS, [420, 260, 180, 300, 520, 780, 690, 560, 610])]
    polystyrene = [(620, 150), (1001, 900), (1031, 260), (1155, 180), (1583, 120), (1602, 300)]
    ethanol = [(884, 800), (1050, 300), (1095, 260), (1455, 350)]

    def make(file_name, columns, **kwargs):
        spectra.write(os.path.join(examples, file_name), spectra.file_text(xs, columns, **kwargs))

    make("rh6g_probe_01.txt", [spectra.spectrum(xs, rh6g, rng)], name="Rhodamin 6G, 1 mW")
    make("rh6g_probe_02.txt",
         [spectra.spectrum(xs, [(p, h * 0.4) for p, h in rh6g], rng, baseline=(120.0, 0.05))],
         name="Rhodamin 6G, 0.1 mW")
    make("rh6g_decimal_comma.txt", [spectra.spectrum(xs, rh6g, rng)], name="Rhodamin 6G, Komma",
         decimal=",")
    make("rh6g_unix_line_ends.txt", [spectra.spectrum(xs, rh6g, rng)], name="Rhodamin 6G, LF",
         line_end="\n")
    make("rh6g_one_band_missing.txt",
         [spectra.spectrum(xs, [b for b in rh6g if b[0] != 1127], rng)],
         name="Rhodamin 6G ohne 1127")
    make("rh6g_three_bands_missing.txt",
         [spectra.spectrum(xs, [b for b in rh6g if b[0] not in (612, 774, 1127)], rng)],
         name="Rhodamin 6G ohne 612, 774, 1127")
    make("two_spectra_rh6g_second.txt",
         [spectra.spectrum(xs, polystyrene, rng), spectra.spectrum(xs, rh6g, rng)],
         name="Polystyrol und Rhodamin 6G")
    make("two_spectra_rh6g_first.txt",
         [spectra.spectrum(xs, rh6g, rng), spectra.spectrum(xs, polystyrene, rng)],
         name="Rhodamin 6G und Polystyrol")
    make("polystyrene.txt", [spectra.spectrum(xs, polystyrene, rng)], name="Polystyrol")
    make("ethanol.txt", [spectra.spectrum(xs, ethanol, rng)], name="Ethanol")
    make("silicon_wafer.txt", [spectra.spectrum(xs, [(520, 1500)], rng, width=3.0)],
         name="Si-Wafer")
    make("baseline_only.txt", [spectra.spectrum(xs, [], rng, noise=0.0)], name="Untergrund")

    # The wrong layout: blanks instead of tabs, so line 3 has no tab.
    text = spectra.file_text(xs[:50], [spectra.spectrum(xs[:50], rh6g, rng)], name="Falsches Format")
    spectra.write(os.path.join(examples, "wrong_layout_blanks.txt"), text.replace("\t", "   "))


if __name__ == "__main__":
    main()
