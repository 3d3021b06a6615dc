"""Raman-like test spectra for Peakhound: Lorentzian bands on a sloping baseline with noise,
written in the tab-separated spectrum file layout (three header lines, then data lines)."""

import random

RH6G_PEAKS = [612, 774, 1127, 1183, 1310, 1363, 1509, 1574, 1650]


def spectrum(xs, bands, rng, noise=0.004, baseline=(40.0, 0.01), width=6.0):
    """Intensities at xs for bands [(position, height)], with a linear baseline and noise."""
    ys = []
    top = max([h for _, h in bands] or [1.0])
    for x in xs:
        y = baseline[0] + baseline[1] * x
        for position, height in bands:
            d = (x - position) / width
            y += height / (1.0 + d * d)
        y += rng.gauss(0.0, noise * top)
        ys.append(y)
    return ys


def axis(rows, start=200.0, stop=1800.0):
    step = (stop - start) / (rows - 1)
    return [start + i * step for i in range(rows)]


def file_text(xs, columns, name="Probe", x_caption="Raman shift [1/cm]",
              y_caption="Intensity [counts]", decimal=".", line_end="\r\n"):
    """The text of a spectrum file with one x column and the given y columns."""
    header = "\t".join(["Shift"] + ["Spektrum %d" % (i + 1) for i in range(len(columns))])
    lines = [name, "x-data = %s y-data = %s" % (x_caption, y_caption), header]
    for r, x in enumerate(xs):
        fields = ["%.2f" % x] + ["%.3f" % c[r] for c in columns]
        lines.append("\t".join(f.replace(".", decimal) for f in fields))
    return line_end.join(lines) + line_end


def write(path, text):
    with open(path, "w", newline="", encoding="latin-1") as f:
        f.write(text)
