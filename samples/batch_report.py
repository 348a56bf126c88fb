#!/usr/bin/env python3
"""Loads every Substance archive (*.sbsar) of a folder, applies each of its
presets in turn and writes one JSON report of every input's value per preset.

    batch_report.py FOLDER [--output REPORT.json]

An archive that a normal material refuses is loaded into an environment
material (panorama archives). Each preset is applied to the archive's first
graph, its values read, and the application undone before the next one.

Exit codes: 0 every archive loaded, 1 some archive did not load (the report
says why), 2 bad command line or no archive in the folder.
"""

import argparse
import json
import logging
import pathlib
import sys

import oxsubstance


class Messages(logging.Handler):
    """Keeps the library's messages of the archive being loaded."""

    def __init__(self):
        super().__init__()
        self.lines = []

    def emit(self, record):
        self.lines.append(f"{record.levelname.lower()}: {record.getMessage()}")


def plain(value):
    """A value that JSON can hold: tuples as lists, an image as its size and type."""
    if isinstance(value, oxsubstance.Image):
        return {"width": value.width, "height": value.height, "data_type": value.data_type}
    if isinstance(value, tuple):
        return [plain(v) for v in value]
    return value


def values(material):
    """Every input of the active graph by identifier."""
    graph = material.graphs[material.active_graph]
    return {a.identifier: plain(a.value) for group in graph.groups for a in group.attributes}


def load(path, messages):
    """The archive in a material (an environment material when it is a panorama), or
    why a normal material refused it."""
    errors = []
    for environment in (False, True):
        messages.lines.clear()
        material = oxsubstance.Material(path.stem, environment)
        try:
            material.load_archive(path)
            return material, None
        except oxsubstance.Error as error:
            errors.append(str(error))
    return None, errors[0]


def report(path, messages):
    material, error = load(path, messages)
    if material is None:
        return {"archive": path.name, "loaded": False, "error": error}
    entry = {
        "archive": path.name,
        "loaded": True,
        "environment": material.environment,
        "graph": material.graphs[material.active_graph].name,
        "values": values(material),
        "presets": [],
    }
    for index, name in enumerate(material.preset_names()):
        material.apply_preset(index)
        entry["presets"].append({"index": index, "name": name, "current": material.current_preset == index,
                                 "values": values(material)})
        material.undo_stack.undo()
    entry["messages"] = list(messages.lines)
    return entry


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder", type=pathlib.Path, help="the folder of the archives")
    parser.add_argument("--output", type=pathlib.Path, help="the report file (default: the standard output)")
    options = parser.parse_args()
    archives = sorted(options.folder.glob("*.sbsar"))
    if not archives:
        print(f"batch_report: no archive (*.sbsar) in '{options.folder}'", file=sys.stderr)
        return 2

    messages = Messages()
    logger = logging.getLogger("oxsubstance")
    logger.addHandler(messages)
    logger.propagate = False
    entries = [report(path, messages) for path in archives]
    text = json.dumps({"folder": str(options.folder), "archives": entries}, indent=2, ensure_ascii=False) + "\n"
    if options.output:
        options.output.write_text(text, encoding="utf-8")
    else:
        sys.stdout.write(text)
    for entry in entries:
        if not entry["loaded"]:
            print(f"batch_report: {entry['archive']} did not load: {entry['error']}", file=sys.stderr)
    return 0 if all(entry["loaded"] for entry in entries) else 1


if __name__ == "__main__":
    sys.exit(main())
