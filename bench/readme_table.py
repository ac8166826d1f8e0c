#!/usr/bin/python3
"""Writes the speed table of README.md from the last `make bench` report
(build/bench/report.txt): the native engine's cost per stereo frame at 5024
frames against sox synth's for the same signals, their ratio, the 512-frame
cost, the cost of white noise against the tone and of all sources with
white noise against all with pink (native and DLL), and the processor they
were measured on. Everything between the two marker lines of the README is
replaced; the rest is left as it is.

usage: readme_table.py [REPORT [README]]
"""
import re
import sys

BEGIN = "<!-- speed table: written by bench/readme_table.py from the last make bench -->"
END = "<!-- end of the speed table -->"
NAMES = {
    "tone": "tone",
    "sweep": "sweep",
    "white": "white noise",
    "pink": "pink noise",
    "all_white": "all sources, white noise",
    "all_pink": "all sources, pink noise",
}


def parse(report):
    """Processor, {signal: (native ns, sox ns, ratio)} and the native
    512-frame growth, from the report's text."""
    processor = re.search(r"^Processor: (.+)$", report, re.M).group(1)
    rows = {}
    # "tone           40.80 |      4.25     9.6 |      5.10     8.0"
    for m in re.finditer(r"^(\w+) +([\d.]+) \| +([\d.]+) +([\d.]+) \|", report, re.M):
        if m.group(1) in NAMES:
            rows[m.group(1)] = (float(m.group(3)), float(m.group(2)), float(m.group(4)))
    growth = re.search(r"^  512-frame cost .*? native ([\d.]+)x", report, re.M).group(1)
    missing = [name for name in NAMES if name not in rows]
    if missing:
        sys.exit("readme_table: no figures for %s in the report" % ", ".join(missing))
    # "  white noise costs <= 1.2x the tone (5024 frames)   native 1.14x met   DLL 1.18x met":
    # the goal's own figure, then the native and the DLL's.
    costs = []
    for goal in ("white noise costs", "all sources with white"):
        line = re.search(r"^  %s .*$" % goal, report, re.M).group(0)
        costs.append(re.findall(r"([\d.]+)x", line)[-2:])
    return processor, rows, growth, costs


def table(processor, rows, growth, costs):
    lines = [BEGIN,
             "Native x86-64 figures on %s, ns per stereo frame at 5024 frames:" % processor,
             "",
             "| signal | Kelvane | sox synth | ratio |",
             "|---|---|---|---|"]
    for key, name in NAMES.items():
        native, sox, ratio = rows[key]
        lines.append("| %s | %.2f | %.1f | %.1f× |" % (name, native, sox, ratio))
    lines += ["", "512-frame buffers cost %s× the 5024-frame cost per frame. White noise costs %s× the tone"
              " and all sources with white noise %s× those with pink noise (the 32-bit DLL: %s× and %s×)."
              % (growth, costs[0][0], costs[1][0], costs[0][1], costs[1][1]), END]
    return "\n".join(lines)


def main():
    report_path = sys.argv[1] if len(sys.argv) > 1 else "build/bench/report.txt"
    readme_path = sys.argv[2] if len(sys.argv) > 2 else "README.md"
    try:
        report = open(report_path, encoding="utf-8").read()
    except OSError:
        sys.exit("readme_table: no report at %s; run make bench first" % report_path)
    readme = open(readme_path, encoding="utf-8").read()
    start, end = readme.find(BEGIN), readme.find(END)
    if start < 0 or end < start:
        sys.exit("readme_table: %s has no speed table markers" % readme_path)
    new = readme[:start] + table(*parse(report)) + readme[end + len(END):]
    open(readme_path, "w", encoding="utf-8").write(new)
    print("readme_table: %s's speed table now shows the report of %s" % (readme_path, report_path))


if __name__ == "__main__":
    main()
