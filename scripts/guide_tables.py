#!/usr/bin/env python3
"""Writes the tables of docs/guide.md that the built plug-in tells, each
between its two marker lines, or checks that they are current.

usage: guide_tables.py [--check] QUILLBEAT_RENDER GUIDE_FACTS GUIDE.md

The tempo table: for a few Tempo values it asks the plug-in (through
quillbeat-render --info) which BPM it shows, and works out the tempo that
sounds at common sample rates. The effect counts a step as two beats of the
shown BPM at 44.1 kHz, in samples, at whatever rate the host runs: a step of
N samples at rate R lasts N / R seconds, so the tempo that sounds is
2 * 60 * R / N.

The other tables are printed by guide-facts (tools/guide-facts/), which
plays the plug-in through its record and measures what it plays: value
texts, step lengths, the length of notes and fades, and the factory presets'
pulses and levels. guide-facts fails, and with it this script, when two
factory presets sound alike.
With --check nothing is written; the exit status is 1 when a table differs.
"""
import struct
import subprocess
import sys

TEMPO_VALUES = [0.0, 0.1, 0.24, 0.5, 0.75, 1.0]
RATES = [44100, 48000, 88200, 96000, 192000]
FACT_TABLES = ["tempo-lookup", "note-values", "at-48k", "auto-shares", "thresholds", "gap", "fades",
               "longest-fades", "presets"]


def markers(name):
    return (f"<!-- {name} table: written by scripts/guide-pictures.sh -->",
            f"<!-- end of {name} table -->")


def shown_bpm(tool, tempo):
    info = subprocess.run([tool, "--info", "--param", f"Tempo={tempo}"],
                          check=True, capture_output=True, text=True).stdout
    for line in info.splitlines():
        words = line.split()
        if len(words) >= 3 and words[1] == "Tempo":
            return int(words[2])
    sys.exit(f"guide_tables: {tool} --info shows no Tempo")


def step_samples(bpm):
    # 44100 * 120 / BPM, held as a 32-bit float and cut to whole samples.
    as_float = struct.unpack("f", struct.pack("f", 44100.0 * 120.0 / bpm))[0]
    return int(as_float)


def kilohertz(rate):
    return f"{rate / 1000:g} kHz"


def tempo_table(tool):
    lines = ["| Tempo value | Shows | Step (samples) | " + " | ".join(kilohertz(r) for r in RATES) + " |",
             "|---" * (3 + len(RATES)) + "|"]
    for tempo in TEMPO_VALUES:
        bpm = shown_bpm(tool, tempo)
        step = step_samples(bpm)
        sounding = " | ".join(f"{120.0 * rate / step:.1f}" for rate in RATES)
        lines.append(f"| {tempo:g} | {bpm} | {step} | {sounding} |")
    return lines


def fact_table(facts, name):
    run = subprocess.run([facts, name], capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"guide_tables: guide-facts {name} failed:\n{run.stderr}")
    return run.stdout.rstrip("\n").split("\n")


def main():
    args = sys.argv[1:]
    check = args[:1] == ["--check"]
    if check:
        args = args[1:]
    if len(args) != 3:
        sys.exit(__doc__.strip().splitlines()[3])
    tool, facts, guide = args
    with open(guide, encoding="utf-8") as file:
        text = file.read().split("\n")
    tables = {"tempo": tempo_table(tool)}
    for name in FACT_TABLES:
        tables[name] = fact_table(facts, name)
    stale = []
    for name, lines in tables.items():
        begin, end = markers(name)
        if begin not in text or end not in text or text.index(begin) > text.index(end):
            sys.exit(f"guide_tables: {guide} lacks the lines\n{begin}\n{end}")
        first, last = text.index(begin), text.index(end)
        if text[first + 1:last] != lines:
            stale.append(name)
            text[first + 1:last] = lines
    if check:
        if stale:
            sys.exit(f"guide_tables: {guide} has out-of-date tables: {', '.join(stale)}; "
                     "run scripts/guide-pictures.sh and read the words beside them")
        return
    with open(guide, "w", encoding="utf-8") as file:
        file.write("\n".join(text))


if __name__ == "__main__":
    main()
