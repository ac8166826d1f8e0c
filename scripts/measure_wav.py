#!/usr/bin/python3
"""Measures a rendered WAV with numpy/scipy, independently of the renderer:
peak and RMS per channel in dBFS, the dominant frequency, the tone's
frequency, level and THD+N, and optionally the sweep's frequency along a pass
and the pink-noise spectrum per third octave. With --png it also draws these
figures: a spectrogram of the whole file, the third-octave spectrum against
the ideal pink slope, and the tone's figures, all from the same measurements
that it prints.

usage: measure_wav.py FILE.wav [--sweep START:STOP:SECONDS] [--pink] [--png FILE.png]
Run it with Debian's /usr/bin/python3 (python3-numpy, python3-scipy, and
python3-matplotlib for --png).
"""
import argparse
import math

import numpy as np
from scipy.io import wavfile
from scipy import signal


def db(x):
    return 20 * math.log10(x) if x > 0 else float("-inf")


def read(path):
    """Rate, samples as float64 with full scale 1.0 (one column per channel),
    and the highest level the file can hold: the top code of 16- and 24-bit
    PCM, or None for 32-bit float, whose samples may lie beyond full scale."""
    rate, data = wavfile.read(path)
    if data.dtype == np.int16:
        scale, top = 32768.0, 32767
    elif data.dtype == np.int32:     # scipy widens 24-bit PCM to the top of int32
        scale, top = 2.0 ** 31, 2 ** 31 - 256
    else:
        scale, top = 1.0, None
    data = data.astype(np.float64) / scale
    return rate, data.reshape(len(data), -1), None if top is None else top / scale


def full_scale_count(x, top):
    """Samples over full scale in a float file, which keeps them; in a PCM
    file, samples at full scale, where any overs were clipped."""
    if top is None:
        return "%d over full scale" % np.count_nonzero(np.abs(x) > 1.0)
    return "%d at full scale" % np.count_nonzero((x >= top) | (x <= -1.0))


def peak_frequency(x, rate):
    """Frequency of the largest spectral peak: Hann window, zero-padded FFT,
    parabolic interpolation of the log magnitude (well below 0.01 Hz over 10 s)."""
    n = 1 << int(math.ceil(math.log2(len(x)))) + 1
    mag = np.abs(np.fft.rfft(x * np.hanning(len(x)), n))
    k = int(np.argmax(mag[1:-1])) + 1
    a, b, c = np.log(mag[k - 1:k + 2] + 1e-300)
    shift = 0.5 * (a - c) / (a - 2 * b + c)
    return (k + shift) * rate / n


def third_octave_bands(x, rate, low=25.0, high=16000.0, whole=False):
    """Power per base-10 third-octave band (centres 1000 x 10^(n/10)), from a Welch PSD
    fine enough (under 0.4 Hz) to resolve the 25 Hz band. Welch's overlapping Hann
    segments weigh the first and last second of a file less; with `whole` one
    periodogram of the whole file (Tukey window, 1 % tapers) weighs all of it
    alike, as a signal that changes over time, such as a sweep, needs."""
    if whole:
        f, psd = signal.periodogram(x, rate, window=("tukey", 0.01))
    else:
        f, psd = signal.welch(x, rate, window="hann", nperseg=min(len(x), 1 << 17))
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


def tone_figures(x, rate):
    """The largest spectral component as a tone: frequency, peak level in dBFS
    and THD+N (everything else from 20 Hz to 20 kHz against it, in dB). A
    Kaiser window (beta 38) keeps the tone's leakage below double precision
    outside +-20 bins, so a clean 24-bit tone reads about -145 dB. Returns
    None when there is no tone: no component in 20 Hz..20 kHz standing 30 dB
    above the bins around it (noise alone has none)."""
    frequency = peak_frequency(x, rate)
    w = np.kaiser(len(x), 38.0)
    power = np.abs(np.fft.rfft(x * w)) ** 2 * 2 / (len(x) * np.sum(w * w))   # mean square per bin
    bins = np.fft.rfftfreq(len(x), 1.0 / rate)
    k = int(round(frequency * len(x) / rate))
    tone = np.zeros(len(power), bool)
    tone[max(k - 20, 0):k + 21] = True
    band = (bins >= 20) & (bins <= 20000)
    tone_power = power[tone].sum()
    rest = power[band & ~tone].sum()
    around = np.concatenate((power[max(k - 240, 0):max(k - 40, 0)], power[k + 41:k + 241]))
    if not 20 <= frequency <= 20000 or len(around) == 0 or tone_power < 1000 * 41 * around.mean():
        return None
    return {"frequency": frequency, "level": 10 * math.log10(2 * tone_power) if tone_power > 0 else float("-inf"),
            "thdn": 10 * math.log10(rest / tone_power) if rest > 0 else float("-inf")}


def pink_fit(bands, skip=None):
    """Least-squares line through the band levels against octaves, leaving out
    the band that holds frequency `skip` (the tone). Returns (slope per octave
    of the band power, offset, the bands used)."""
    used = [(c, l) for c, l in bands
            if skip is None or not (c * 10 ** (-1 / 20) <= skip < c * 10 ** (1 / 20))]
    slope, offset = np.polyfit(np.log2([c for c, _ in used]), [l for _, l in used], 1)
    return slope, offset, used


def draw(path, wav, rate, data, channels, tone, bands, fit):
    """The picture: spectrogram of the first channel over the whole file, the
    third-octave spectrum with the ideal pink line, and the figures."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig = plt.figure(figsize=(12, 8), dpi=100)
    grid = fig.add_gridspec(2, 3, height_ratios=[1.25, 1], hspace=0.35, wspace=0.35)
    top = fig.add_subplot(grid[0, :])
    f, t, sxx = signal.spectrogram(data[:, 0], rate, window="hann", nperseg=4096, noverlap=3072, mode="psd")
    sxx = 10 * np.log10(sxx[1:] + 1e-20)
    mesh = top.pcolormesh(t, f[1:], sxx, shading="auto", cmap="magma", vmax=sxx.max(), vmin=sxx.max() - 100)
    top.set_yscale("log")
    top.set_ylim(20, rate / 2)
    top.set_xlabel("time, s")
    top.set_ylabel("frequency, Hz")
    top.set_title("Spectrogram, left channel (%s)" % wav.split("/")[-1])
    fig.colorbar(mesh, ax=top, label="dB", pad=0.01)

    bottom = fig.add_subplot(grid[1, :2])
    centres = np.array([c for c, _ in bands])
    levels = np.array([l for _, l in bands])
    bottom.semilogx(centres, levels, "o-", color="tab:blue", label="measured, left channel, all sources")
    slope, offset, used = fit
    ideal = np.mean([l for _, l in used]) + 0 * centres   # pink: equal power in every band
    bottom.semilogx(centres, ideal, "--", color="tab:green", label="ideal pink (-3.01 dB/octave density)")
    if tone is not None:
        bottom.axvline(tone["frequency"], color="tab:red", lw=0.8, label="tone (left out of the fit)")
    bottom.set_xlabel("third-octave band, Hz")
    bottom.set_ylabel("band power, dBFS")
    bottom.set_title("Third-octave spectrum, whole file: density slope %.2f dB/octave"
                     % (slope - 10 * math.log10(2)))
    bottom.grid(True, which="both", alpha=0.3)
    bottom.set_ylim(min(levels.min(), ideal[0]) - 8, max(levels.max(), ideal[0]) + 8)
    bottom.legend(fontsize=8, loc="upper left")

    text = fig.add_subplot(grid[1, 2])
    text.axis("off")
    lines = ["%d Hz, %s, %.2f s" % (rate, "stereo" if data.shape[1] == 2 else "%d channels" % data.shape[1],
                                    len(data) / rate), ""]
    if tone is not None:
        lines += ["Tone", "  frequency %.3f Hz" % tone["frequency"], "  level %.3f dBFS peak" % tone["level"],
                  "  THD+N %.1f dB" % tone["thdn"], "  (all but the tone, 20 Hz-20 kHz)", ""]
    else:
        lines += ["No tone", ""]
    for name, c in zip(("left", "right"), channels):
        lines.append("%s: peak %.2f, RMS %.2f dBFS" % (name, c["peak"], c["rms"]))
    if data.shape[1] == 2:
        lines.append("left/right correlation %.2f" % np.corrcoef(data[:, 0], data[:, 1])[0, 1])
    text.text(0, 1, "\n".join(lines), va="top", family="monospace", fontsize=9)
    fig.savefig(path, metadata={"Software": None})
    plt.close(fig)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("wav")
    ap.add_argument("--sweep", help="START:STOP:SECONDS of an exponential sweep from t = 0")
    ap.add_argument("--pink", action="store_true", help="third-octave spectrum and slope")
    ap.add_argument("--png", help="also draw the spectrogram, spectrum and tone figures into this PNG")
    args = ap.parse_args()

    rate, data, top = read(args.wav)
    print("%s: %d Hz, %d channels, %.3f s" % (args.wav, rate, data.shape[1], len(data) / rate))
    channels = []
    for ch in range(data.shape[1]):
        x = data[:, ch]
        channels.append({"peak": db(np.max(np.abs(x))), "rms": db(np.sqrt(np.mean(x * x)))})
        print("  channel %d: peak %+7.2f dBFS, RMS %7.2f dBFS, %s, mean %+.2e, dominant %.3f Hz"
              % (ch, channels[-1]["peak"], channels[-1]["rms"], full_scale_count(x, top), np.mean(x),
                 peak_frequency(x, rate)))
    if data.shape[1] == 2:
        corr = np.corrcoef(data[:, 0], data[:, 1])[0, 1]
        print("  left/right correlation %.4f" % corr)
    tone = tone_figures(data[:, 0], rate)
    if tone is not None:
        print("  tone: %.3f Hz, %.3f dBFS peak, THD+N %.1f dB (all but the tone, 20 Hz-20 kHz)"
              % (tone["frequency"], tone["level"], tone["thdn"]))

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
        levels = np.array([l for _, l in bands])
        slope, offset, _ = pink_fit(bands)
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

    if args.png:
        bands = third_octave_bands(data[:, 0], rate, whole=True)
        draw(args.png, args.wav, rate, data, channels, tone, bands,
             pink_fit(bands, tone["frequency"] if tone else None))
        print("  picture: %s" % args.png)


if __name__ == "__main__":
    main()
