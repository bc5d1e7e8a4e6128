"""Cuts a recording of several songs into stretches, each the tone of one song or silence.

usage: tone_timeline.py FILE.wav NAME=HZ...
prints one line per stretch: "<NAME or -> <start s> <length s>", "-" for silence. Sound and silence
are told apart every 5 ms; the tone is the named one strongest over 50 ms (the demo songs' tones
are 40 Hz apart, which a 50 ms window keeps apart: each falls on the others' nulls).
"""
import math
import sys

sys.path.insert(0, __file__.rsplit("/", 3)[0] + "/scripts/lib")
from measure_sound import samples  # noqa: E402

BLOCK = 0.005  # seconds: where sound starts and stops is measured to this
WINDOW = 10  # blocks: which tone sounds is told over 50 ms
THRESHOLD = 0.005  # rms of a block that counts as sound
REACH = 10  # windows: how far a block at the edge of a sound looks for a told window
SHORTEST = 6  # blocks: a shorter stretch of a tone right after another is part of that one


def tone_power(chunk, coeff):
    """Goertzel: the power of one frequency in the chunk."""
    s1 = s2 = 0.0
    for x in chunk:
        s1, s2 = x + coeff * s1 - s2, s1
    return s1 * s1 + s2 * s2 - coeff * s1 * s2


def labels(rate, mono, tones):
    """One mark a block: the name of the tone sounding in it, or "-"."""
    size = int(rate * BLOCK)
    blocks = len(mono) // size
    sounding = [math.sqrt(sum(x * x for x in mono[b * size:(b + 1) * size]) / size) > THRESHOLD
                for b in range(blocks)]
    coeffs = [(name, 2 * math.cos(2 * math.pi * hz / rate)) for name, hz in tones]
    # Only a window sounding throughout is told: a dropout inside one blurs the tones together.
    windows = []
    for w in range(blocks // WINDOW):
        if not all(sounding[w * WINDOW:(w + 1) * WINDOW]):
            windows.append(None)
            continue
        chunk = mono[w * WINDOW * size:(w + 1) * WINDOW * size]
        windows.append(max(coeffs, key=lambda c: tone_power(chunk, c[1]))[0])
    marks = []
    for b in range(len(windows) * WINDOW):
        marks.append(nearest(windows, b // WINDOW) if sounding[b] else "-")
    return marks


def nearest(windows, w):
    """The tone of the told window nearest to window w: a song's tone lasts longer than a dropout."""
    for distance in range(REACH + 1):
        for i in (w - distance, w + distance):
            if 0 <= i < len(windows) and windows[i]:
                return windows[i]
    return "-"


def stretches(marks):
    runs = []
    for mark in marks:
        if runs and runs[-1][0] == mark:
            runs[-1][1] += 1
        else:
            runs.append([mark, 1])
    # Silence is measured block by block and stays as it is, however short; a tone is told over a
    # window, so a few blocks of another tone inside one are part of it.
    merged = []
    for mark, count in runs:
        if merged and merged[-1][0] == mark:
            merged[-1][1] += count
        elif merged and mark != "-" and merged[-1][0] != "-" and count < SHORTEST:
            merged[-1][1] += count
        else:
            merged.append([mark, count])
    return merged


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    tones = [(arg.split("=")[0], float(arg.split("=")[1])) for arg in sys.argv[2:]]
    rate, mono = samples(sys.argv[1])
    at = 0
    for mark, count in stretches(labels(rate, mono, tones)):
        print(f"{mark} {at * BLOCK:.3f} {count * BLOCK:.3f}")
        at += count


if __name__ == "__main__":
    main()
