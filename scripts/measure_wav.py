#!/usr/bin/python3
"""Measures a rendered WAV with numpy/scipy, independently of the renderer:
peak and RMS per channel in dBFS, the dominant frequency, and optionally the
sweep's frequency along a pass and the pink-noise spectrum per third octave.

usage: measure_wav.py FILE.wav [--sweep START:STOP:SECONDS] [--pink]
Run it with Debian's /usr/bin/python3 (python3-numpy, python3-scipy).
"""
import argparse
import math

import numpy as np
from scipy.io import wavfile
from scipy import signal


def db(x):
    return 20 * math.log10(x) if x > 0 else float("-inf")


def read(path):
    rate, data = wavfile.read(path)
    if data.dtype == np.int16:
        scale = 32768.0
    elif data.dtype == np.int32:     # scipy widens 24-bit PCM to the top of int32
        scale = 2.0 ** 31
    else:
        scale = 1.0
    data = data.astype(np.float64) / scale
    return rate, data.reshape(len(data), -1)


def peak_frequency(x, rate):
    """Frequency of the largest spectral peak: Hann window, zero-padded FFT,
    parabolic interpolation of the log magnitude (well below 0.01 Hz over 10 s)."""
    n = 1 << int(math.ceil(math.log2(len(x)))) + 1
    mag = np.abs(np.fft.rfft(x * np.hanning(len(x)), n))
    k = int(np.argmax(mag[1:-1])) + 1
    a, b, c = np.log(mag[k - 1:k + 2] + 1e-300)
    shift = 0.5 * (a - c) / (a - 2 * b + c)
    return (k + shift) * rate / n


def third_octave_bands(x, rate, low=25.0, high=16000.0):
    """Power per base-10 third-octave band (centres 1000 x 10^(n/10)), from a Welch PSD
    fine enough (under 0.4 Hz) to resolve the 25 Hz band."""
    nper = min(len(x), 1 << 17)
    f, psd = signal.welch(x, rate, window="hann", nperseg=nper)
    df = f[1] - f[0]
    bands = []
    n = round(10 * math.log10(low / 1000))
    while True:
        centre = 1000 * 10 ** (n / 10)
        if centre > high * 1.01:
            break
        lo, hi = centre * 10 ** (-1 / 20), centre * 10 ** (1 / 20)
        sel = (f >= lo) & (f < hi)
        bands.append((centre, 10 * math.log10(psd[sel].sum() * df)))
        n += 1
    return bands


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("wav")
    ap.add_argument("--sweep", help="START:STOP:SECONDS of an exponential sweep from t = 0")
    ap.add_argument("--pink", action="store_true", help="third-octave spectrum and slope")
    args = ap.parse_args()

    rate, data = read(args.wav)
    print("%s: %d Hz, %d channels, %.3f s" % (args.wav, rate, data.shape[1], len(data) / rate))
    for ch in range(data.shape[1]):
        x = data[:, ch]
        print("  channel %d: peak %7.2f dBFS, RMS %7.2f dBFS, mean %+.2e, dominant %.3f Hz"
              % (ch, db(np.max(np.abs(x))), db(np.sqrt(np.mean(x * x))), np.mean(x), peak_frequency(x, rate)))
    if data.shape[1] == 2:
        corr = np.corrcoef(data[:, 0], data[:, 1])[0, 1]
        print("  left/right correlation %.4f" % corr)

    if args.sweep:
        start, stop, seconds = (float(v) for v in args.sweep.split(":"))
        # Instantaneous frequency from the analytic signal's phase, averaged over 10 ms.
        phase = np.unwrap(np.angle(signal.hilbert(data[:, 0])))
        inst = np.diff(phase) * rate / (2 * math.pi)
        print("  sweep frequency (analytic signal, 10 ms mean) against %g * (%g/%g)^(t/%g):"
              % (start, stop, start, seconds))
        for t in (0.1, seconds / 4, seconds / 2, 3 * seconds / 4, seconds - 0.1):
            i = int(t * rate)
            measured = inst[i - rate // 200:i + rate // 200].mean()
            expected = start * (stop / start) ** (t / seconds)
            print("    t = %6.3f s: %9.2f Hz, expected %9.2f Hz (%+.3f%%)"
                  % (t, measured, expected, 100 * (measured / expected - 1)))

    if args.pink:
        bands = third_octave_bands(data[:, 0], rate)
        octaves = np.log2([c for c, _ in bands])
        levels = np.array([l for _, l in bands])
        slope, offset = np.polyfit(octaves, levels, 1)
        # Equal power per third octave means a power density falling 3 dB per octave.
        print("  pink: power density slope %.2f dB/octave (ideal -3.01); band power slope %+.2f dB/octave"
              % (slope - 10 * math.log10(2), slope))
        print("  third-octave band power, deviation from their mean (pink = flat):")
        mean = levels.mean()
        worst = 0.0
        for (centre, level) in bands:
            worst = max(worst, abs(level - mean))
            print("    %8.1f Hz %7.2f dB  %+5.2f" % (centre, level, level - mean))
        print("  largest deviation %.2f dB" % worst)


if __name__ == "__main__":
    main()
