#!/usr/bin/env python3
"""Prints the performance table from Google Benchmark JSON files.

Each figure stands beside its reference measured in the same run (a bare TinyXML
parse of the same text, a write by handle, the writer alone), as a ratio, with the
goal it is held to and, where sizes vary, its growth exponent between two sizes
(time ~ n^k gives k = log(t2 / t1) / log(n2 / n1)). CPU time is used, and of
several repetitions the fastest: the ratios hold better so on a shared machine.

usage: report.py RESULT.json...
"""

import json
import math
import sys

UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def load(paths):
    times = {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        for b in data.get("benchmarks", []):
            if b.get("run_type", "iteration") != "iteration" or b.get("error_occurred"):
                continue
            name = "/".join(p for p in b["name"].split("/") if not p.startswith(("min_warmup_time:", "min_time:")))
            t = b["cpu_time"] * UNITS[b.get("time_unit", "ns")]
            # Of several repetitions the fastest counts: others' load only adds time.
            times[name] = min(t, times.get(name, t))
    return times


def duration(seconds):
    if seconds is None:
        return "–"
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if seconds >= scale:
            return f"{seconds / scale:.3g} {unit}"
    return f"{seconds / 1e-9:.3g} ns"


def exponent(times, name, n1, n2):
    t1, t2 = times.get(f"{name}/{n1}"), times.get(f"{name}/{n2}")
    if not t1 or not t2:
        return None
    return math.log(t2 / t1) / math.log(n2 / n1)


# (workload, benchmark, reference benchmark, ratio goal, absolute goal in seconds)
ROWS = [
    ("load 1,000 inputs (loadArchive)", "LoadArchive/1000", "ArchiveBareParse/1000", 5.0, None),
    ("load 10,000 inputs (loadArchive)", "LoadArchive/10000", "ArchiveBareParse/10000", 5.0, None),
    ("load 100,000 inputs (loadArchive)", "LoadArchive/100000", "ArchiveBareParse/100000", 5.0, None),
    ("stand-in reading, 10,000 inputs", "ArchiveStandInRead/10000", "ArchiveBareParse/10000", 2.0, None),
    ("write by identifier, 100 inputs", "WriteByIdentifier/100", "WriteByHandle/100", 3.0, None),
    ("write by identifier, 1,000 inputs", "WriteByIdentifier/1000", "WriteByHandle/1000", 3.0, None),
    ("write by identifier, 10,000 inputs", "WriteByIdentifier/10000", "WriteByHandle/10000", 3.0, None),
    ("read 20,000 presets x 25 inputs", "PresetListRead", "PresetListBareParse", 1.3, None),
    ("addPresets, file of 2,000 presets", "AddPresetsFromFile", "PresetFileBareParse", 1.5, None),
    ("exportPresets, 2,000 presets", "ExportPresets", "PresetWriterAlone", 2.0, None),
    ("import 2,000 into 2,000 (duplicates)", "ImportWithDuplicateCheck", None, None, 0.1),
    ("reset + undo, 16,000 changed inputs", "ResetAndUndo/16000", "LoadForReset/16000", 1.0, None),
    ("editor: open and show 1,000 inputs", "EditorOpen", None, None, 1.0),
    ("editor: slider drag step, 1,000 inputs, 1,000 presets of 500", "EditorDragStep", None, None, 0.016),
    ("editor: the stand-in's render in that step", "EditorRenderAlone", None, None, 0.016),
]

# (what, benchmark family, n1, n2, goal: largest exponent)
GROWTH = [
    ("load, 1,000 -> 10,000 inputs", "LoadArchive", 1000, 10000, 1.1),
    ("load, 10,000 -> 100,000 inputs", "LoadArchive", 10000, 100000, 1.1),
    ("stand-in reading, 1,000 -> 100,000 inputs", "ArchiveStandInRead", 1000, 100000, 1.1),
    ("write by identifier, 100 -> 10,000 inputs", "WriteByIdentifier", 100, 10000, 0.1),
    ("write by handle, 100 -> 10,000 inputs", "WriteByHandle", 100, 10000, 0.1),
    ("reset + undo, 4,000 -> 16,000 changed inputs", "ResetAndUndo", 4000, 16000, 1.2),
]


def verdict(ok):
    return "met" if ok else "NOT met"


def main(paths):
    times = load(paths)
    print("| workload | time | reference | time / reference | goal | |")
    print("|---|---|---|---|---|---|")
    for what, name, reference, ratio_goal, absolute_goal in ROWS:
        t = times.get(name)
        if t is None:
            print(f"| {what} | not run | | | | |")
            continue
        if reference:
            r = times.get(reference)
            ratio = t / r if r else None
            shown = f"{ratio:.2f}x" if ratio else "–"
            ok = ratio is not None and ratio <= ratio_goal
            print(f"| {what} | {duration(t)} | {duration(r)} ({reference.split('/')[0]}) | {shown} "
                  f"| <= {ratio_goal:g}x | {verdict(ok)} |")
        else:
            print(f"| {what} | {duration(t)} | | | < {duration(absolute_goal)} | {verdict(t < absolute_goal)} |")
    print()
    print("| growth | exponent | goal | |")
    print("|---|---|---|---|")
    for what, name, n1, n2, goal in GROWTH:
        k = exponent(times, name, n1, n2)
        if k is None:
            print(f"| {what} | not run | | |")
        else:
            print(f"| {what} | n^{k:.2f} | <= n^{goal:g} | {verdict(k <= goal)} |")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main(sys.argv[1:])
