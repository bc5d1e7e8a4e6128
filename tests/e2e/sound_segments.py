"""Cuts a recording into sounding and silent stretches and measures each sounding one.

usage: sound_segments.py FILE.wav
prints one line per stretch: "on|off <start s> <length s> [rms=<level> freq=<Hz>]".
"""
import math
import sys
import wave

sys.path.insert(0, __file__.rsplit("/", 3)[0] + "/scripts/lib")
from measure_sound import dominant_frequency  # noqa: E402

WINDOW = 0.05  # seconds
THRESHOLD = 0.005  # rms of a window that counts as sound


def read(path):
    with wave.open(path, "rb") as w:
        rate, channels = w.getframerate(), w.getnchannels()
        raw = w.readframes(w.getnframes())
    values = memoryview(raw).cast("h")
    return rate, [values[i] / 32768.0 for i in range(0, len(values), channels)]


def stretches(rate, mono):
    size = int(rate * WINDOW)
    flags = []
    for start in range(0, len(mono) - size + 1, size):
        chunk = mono[start:start + size]
        flags.append(math.sqrt(sum(x * x for x in chunk) / size) > THRESHOLD)
    runs = []
    for i, flag in enumerate(flags):
        if runs and runs[-1][0] == flag:
            runs[-1][2] += 1
        else:
            runs.append([flag, i, 1])
    # A lone window of the other kind inside a stretch is a glitch of the recording, not a change.
    merged = []
    for run in runs:
        if merged and run[2] == 1 and len(merged) >= 1:
            merged[-1][2] += 1
            continue
        if merged and merged[-1][0] == run[0]:
            merged[-1][2] += run[2]
        else:
            merged.append(run)
    return [(flag, start * size, count * size) for flag, start, count in merged]


def main():
    rate, mono = read(sys.argv[1])
    for flag, start, length in stretches(rate, mono):
        line = f"{'on' if flag else 'off'} {start / rate:.2f} {length / rate:.2f}"
        if flag:
            part = mono[start:start + length]
            rms = math.sqrt(sum(x * x for x in part) / len(part))
            middle = part[len(part) // 4:]
            line += f" rms={rms:.4f} freq={dominant_frequency(rate, middle):.0f}"
        print(line)


if __name__ == "__main__":
    main()
