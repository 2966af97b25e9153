#!/usr/bin/env python3
"""Writes the tempo table of docs/guide.md between its two marker lines.

usage: guide_tempo_table.py QUILLBEAT_RENDER GUIDE.md

For a few Tempo values it asks the built plug-in (through quillbeat-render
--info) which BPM it shows, and works out the tempo that sounds at common
sample rates. The effect counts a step as two beats of the shown BPM at
44.1 kHz, in samples, at whatever rate the host runs: a step of N samples at
rate R lasts N / R seconds, so the tempo that sounds is 2 * 60 * R / N.
"""
import struct
import subprocess
import sys

TEMPO_VALUES = [0.0, 0.1, 0.24, 0.5, 0.75, 1.0]
RATES = [44100, 48000, 88200, 96000, 192000]
BEGIN = "<!-- tempo table: written by scripts/guide-pictures.sh -->"
END = "<!-- end of tempo table -->"


def shown_bpm(tool, tempo):
    info = subprocess.run([tool, "--info", "--param", f"Tempo={tempo}"],
                          check=True, capture_output=True, text=True).stdout
    for line in info.splitlines():
        words = line.split()
        if len(words) >= 3 and words[1] == "Tempo":
            return int(words[2])
    sys.exit(f"guide_tempo_table: {tool} --info shows no Tempo")


def step_samples(bpm):
    # 44100 * 120 / BPM, held as a 32-bit float and cut to whole samples.
    as_float = struct.unpack("f", struct.pack("f", 44100.0 * 120.0 / bpm))[0]
    return int(as_float)


def kilohertz(rate):
    return f"{rate / 1000:g} kHz"


def table(tool):
    lines = ["| Tempo value | Shows | Step (samples) | " + " | ".join(kilohertz(r) for r in RATES) + " |",
             "|---" * (3 + len(RATES)) + "|"]
    for tempo in TEMPO_VALUES:
        bpm = shown_bpm(tool, tempo)
        step = step_samples(bpm)
        sounding = " | ".join(f"{120.0 * rate / step:.1f}" for rate in RATES)
        lines.append(f"| {tempo:g} | {bpm} | {step} | {sounding} |")
    return lines


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[2])
    tool, guide = sys.argv[1], sys.argv[2]
    with open(guide, encoding="utf-8") as file:
        text = file.read().split("\n")
    if BEGIN not in text or END not in text or text.index(BEGIN) > text.index(END):
        sys.exit(f"guide_tempo_table: {guide} lacks the lines\n{BEGIN}\n{END}")
    first, last = text.index(BEGIN), text.index(END)
    text[first + 1:last] = table(tool)
    with open(guide, "w", encoding="utf-8") as file:
        file.write("\n".join(text))


if __name__ == "__main__":
    main()
