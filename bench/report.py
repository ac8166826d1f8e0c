#!/usr/bin/python3
"""Prints make bench's table: the native engine (engine_bench JSON) beside the
32-bit DLL (bench_host output), sox synth's cost for the same signals, the
ratios and the performance goals marked met or not met.

usage: report.py ENGINE_JSON DLL_OUTPUT [SOX_SECONDS [CPU]]
CPU is how scripts/wine-run.sh ran the DLL (its --cpu answer): "qemu-user"
when Wine's 32-bit loader was emulated, "native" when it ran on the real CPU.
"""
import json
import shutil
import subprocess
import sys
import time

RATE = 48000
CASES = ["tone", "sweep", "white", "pink", "input", "all_white", "all_pink"]


def load_native(path):
    """The best of the repetitions of each case, in ns per frame."""
    out = {}
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration":
            name = b.get("run_name", b["name"])
            out[name] = min(out.get(name, float("inf")), b["s/frame"] * 1e9)
    return out


def load_dll(path):
    """The best of the runs of each case, in ns per frame."""
    out = {}
    for line in open(path):
        parts = line.split()
        if len(parts) == 3 and parts[0].startswith("BM_Render"):
            out[parts[0]] = min(out.get(parts[0], float("inf")), float(parts[1]))
    return out


def sox_ns_per_frame(seconds, *synth, emulator=None, runs=3):
    """Best of three wall-clock runs of sox synth, 24-bit stereo discarded."""
    cmd = ([emulator] if emulator else []) + ["/usr/bin/sox", "-q", "-n", "-r", str(RATE), "-b", "24", "-c", "2", "-t", "wav",
           "/dev/null", "synth", str(seconds)] + [str(a) for a in synth]
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(cmd, check=True, stderr=subprocess.DEVNULL)
        ns = (time.perf_counter() - start) * 1e9 / (seconds * RATE)
        best = ns if best is None else min(best, ns)
    return best


def processor():
    """The machine's processor as the kernel names it."""
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                return " ".join(line.split(":", 1)[1].split())
    except OSError:
        pass
    return "an unnamed processor"


def fmt(ns):
    return ("%9.2f %9.0f" % (ns, 1e9 / (ns * RATE))) if ns else "%9s %9s" % ("-", "-")


def main():
    native, dll = load_native(sys.argv[1]), load_dll(sys.argv[2])
    seconds = int(sys.argv[3]) if len(sys.argv) > 3 else 60
    emulated = len(sys.argv) > 4 and sys.argv[4] == "qemu-user"
    if emulated:
        caveat = ("The DLL figures are measured under Wine with qemu-user emulating the 32-bit x86 CPU\n"
                  "on this machine: they are software-emulation timings, several times slower than\n"
                  "the same DLL on real hardware. The native figures are x86-64 on real hardware.")
    else:
        caveat = ("The DLL ran under Wine on this machine's real CPU, as 32-bit x86 code, no emulation;\n"
                  "the native figures are the same engine built for x86-64.")

    print("Processor: %s" % processor())
    print("Rendering cost per stereo frame (ns) and real-time factor at 48 kHz")
    print(caveat)
    print("%-10s %4s %6s | %9s %9s | %9s %9s" % ("case", "bits", "frames", "native ns", "x rt",
                                                "DLL ns", "x rt"))
    for bits in (32, 16):
        for case in CASES:
            for frames in (512, 5024):
                key = "BM_Render%d/%s/%d" % (bits, case, frames)
                print("%-10s %4d %6d | %s | %s" % (case, bits, frames, fmt(native.get(key)),
                                                    fmt(dll.get(key))))

    def signals(sec):
        chain = ["synth", sec]
        return {
            "tone": ["sine", 1000],
            "sweep": ["sine", "20/20000"],
            "white": ["whitenoise"],
            "pink": ["pinknoise"],
            "all_white": ["sine", 1000] + chain + ["sine", "mix", "20/20000"] + chain + ["whitenoise", "mix"],
            "all_pink": ["sine", 1000] + chain + ["sine", "mix", "20/20000"] + chain + ["pinknoise", "mix"],
        }

    sox = {name: sox_ns_per_frame(seconds, *args) for name, args in signals(seconds).items()}
    print()
    print("sox synth (%ds of 24-bit stereo at 48 kHz, best of 3) against 32-bit buffers of 5024 frames;" % seconds)
    print("ratio = sox time / Kelvane time (how many times faster Kelvane is)")
    print("%-10s %9s | %9s %7s | %9s %7s" % ("signal", "sox ns", "native ns", "ratio", "DLL ns", "ratio"))
    ratio = {}
    for name, sox_ns in sox.items():
        key = "BM_Render32/%s/5024" % name
        n, d = native.get(key), dll.get(key)
        ratio[name] = (sox_ns / n if n else 0, sox_ns / d if d else 0)
        print("%-10s %9.2f | %9.2f %7.1f | %9.2f %7.1f" % (name, sox_ns, n or 0, ratio[name][0],
                                                         d or 0, ratio[name][1]))

    # Where the DLL ran under qemu, sox under qemu's x86-64 emulator gives a
    # rough emulated-against-emulated comparison (the two emulators differ).
    emulator = shutil.which("qemu-x86_64") if emulated else None
    if emulator:
        print()
        print("Indicative only: sox synth also emulated (qemu-x86_64, 5 s of audio) against the DLL under qemu-i386")
        print("%-10s %9s | %9s %7s" % ("signal", "sox ns", "DLL ns", "ratio"))
        for name, args in signals(5).items():
            emulated = sox_ns_per_frame(5, *args, emulator=emulator, runs=2)
            d = dll.get("BM_Render32/%s/5024" % name)
            print("%-10s %9.2f | %9.2f %7.1f" % (name, emulated, d or 0, emulated / d if d else 0))

    def per_frame_growth(figures):
        a, b = figures.get("BM_Render32/all_white/512"), figures.get("BM_Render32/all_white/5024")
        return a / b if a and b else float("inf")

    def cost_ratio(figures, case, other):
        a, b = figures.get("BM_Render32/%s/5024" % case), figures.get("BM_Render32/%s/5024" % other)
        return a / b if a and b else float("inf")

    goals = [
        ("all sources, white, 5024 frames: >= 4x faster than sox", lambda i: ratio["all_white"][i] >= 4,
         lambda i: "%.1fx" % ratio["all_white"][i]),
        ("512-frame cost <= 1.1x the 5024-frame cost per frame", lambda i: per_frame_growth((native, dll)[i]) <= 1.1,
         lambda i: "%.2fx" % per_frame_growth((native, dll)[i])),
        ("tone >= 5x faster than sox synth sine", lambda i: ratio["tone"][i] >= 5,
         lambda i: "%.1fx" % ratio["tone"][i]),
        ("sweep >= 5x faster than sox synth sine", lambda i: ratio["sweep"][i] >= 5,
         lambda i: "%.1fx" % ratio["sweep"][i]),
        # Both builds keep these two: white noise costs little more than the tone.
        ("white noise costs <= 1.2x the tone (5024 frames)",
         lambda i: cost_ratio((native, dll)[i], "white", "tone") <= 1.2,
         lambda i: "%.2fx" % cost_ratio((native, dll)[i], "white", "tone")),
        ("all sources with white <= 1.3x all with pink",
         lambda i: cost_ratio((native, dll)[i], "all_white", "all_pink") <= 1.3,
         lambda i: "%.2fx" % cost_ratio((native, dll)[i], "all_white", "all_pink")),
    ]
    print()
    print("Goals (the target is the 32-bit DLL; native shown for reference, except the last two, which both keep)")
    for text, met, value in goals:
        marks = ["%s %s" % (value(i), "met" if met(i) else "NOT MET") for i in (0, 1)]
        print("  %-56s native %-14s DLL %s" % (text, marks[0], marks[1]))
    if emulated:
        print("  (DLL under qemu emulation: see the note above)")


if __name__ == "__main__":
    main()
