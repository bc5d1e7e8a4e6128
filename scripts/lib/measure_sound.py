"""Level and dominant frequency of a mono or stereo 16-bit WAV recording, standard library only."""
import cmath
import math
import sys
import wave


def samples(path):
    with wave.open(path, "rb") as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        raw = w.readframes(w.getnframes())
    if width != 2:
        raise SystemExit("expected 16-bit samples")
    values = memoryview(raw).cast("h")
    mono = [values[i] / 32768.0 for i in range(0, len(values), channels)]
    return rate, mono


def loudest_second(rate, mono):
    best, best_energy = 0, -1.0
    for start in range(0, max(1, len(mono) - rate + 1), rate // 4):
        energy = sum(x * x for x in mono[start:start + rate])
        if energy > best_energy:
            best, best_energy = start, energy
    return mono[best:best + rate]


def dominant_frequency(rate, window):
    """A direct DFT at chosen frequencies over 8192 consecutive samples: coarse, then 1 Hz steps."""
    window = window[:8192]
    n = len(window)
    if n == 0:
        return 0.0
    # Coarse scan in 10 Hz steps up to 4 kHz, refined in 1 Hz steps around the best.
    def power(freq):
        w = -2j * math.pi * freq / rate
        step = 1
        acc = sum(window[k] * cmath.exp(w * k) for k in range(0, n, step))
        return abs(acc)
    coarse = max(range(40, 4000, 20), key=power)
    return float(max(range(coarse - 20, coarse + 21), key=power))


def main():
    try:
        rate, mono = samples(sys.argv[1])
    except (wave.Error, EOFError, OSError) as err:
        # A recording cut off before parec wrote its header (the sound server busy for a moment) is a
        # recording that heard nothing: the callers record again or say nothing was heard.
        print("measure-sound: %s: %s" % (sys.argv[1], err), file=sys.stderr)
        mono = []
    if not mono:
        print("rms=0 peak=0 freq=0")
        return
    rms = math.sqrt(sum(x * x for x in mono) / len(mono))
    peak = max(abs(x) for x in mono)
    freq = dominant_frequency(rate, loudest_second(rate, mono)) if rms > 1e-4 else 0.0
    print(f"rms={rms:.4f} peak={peak:.4f} freq={freq:.0f}")


if __name__ == "__main__":
    main()
