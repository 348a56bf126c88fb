"""The scripting interface from Python, the library's messages in logging,
materials that Python collects, the module's documentation and stubs, and
the batch report sample."""

import ast
import gc
import inspect
import json
import os
import pathlib
import re
import subprocess
import sys

import pytest

import oxsubstance as ox
from conftest import SAMPLES, load, state

# sample, environment material; graphs, presets, textures, warnings while loading
SAMPLE_TABLE = [
    ("materials.sbsar", False, ["Wood"], ["Light Oak", "Dark Walnut", "Weathered Pine"],
     ["diffuse", "specular", "roughness", "normal", "cutout", "height"],
     ["Skipped preset 'Light Oak'. Duplicate preset already exists in material.",
      "Skipped preset 'Brushed Steel'. It does not match any graph of the material."]),
    ("multigraph.sbsar", False, ["Brick", "Tiles", "Concrete"], ["Old Brick", "Bathroom", "Kitchen", "Smooth Concrete"],
     ["diffuse", "normal", "height"], ["Skipped preset 'Light Oak'. It does not match any graph of the material."]),
    ("panorama.sbsar", True, ["Sky"], ["Sunset"], ["diffuse"], []),
]


@pytest.mark.parametrize("sample, environment, graphs, presets, textures, warnings", SAMPLE_TABLE)
def test_each_sample_loads(caplog, sample, environment, graphs, presets, textures, warnings):
    material = load(sample, environment)
    assert [g.name for g in material.graphs] == graphs
    assert material.preset_names() == presets == [p.name for p in material.presets]
    assert list(material.textures) == textures
    assert all(size is not None and size[:2] == (4, 4) for size in material.textures.values())
    assert [(r.name, r.levelname, r.getMessage()) for r in caplog.records] == [
        ("oxsubstance", "WARNING", w) for w in warnings]


def test_a_refused_archive_raises_the_librarys_message_and_changes_nothing(caplog):
    sky = load("panorama.sbsar", environment=True)
    sky.set("Sun Elevation", 1)
    before = state(sky)
    caplog.clear()
    message = "Panorama channel missing. Substance archive not suited for Substance environment material."
    with pytest.raises(ox.Error) as raised:
        sky.load_archive(SAMPLES / "materials.sbsar")
    assert str(raised.value) == message
    assert [(r.name, r.levelname, r.getMessage()) for r in caplog.records] == [("oxsubstance", "ERROR", message)]
    assert (state(sky), sky.archive_path, sky.undo_stack.count) == (before, str(SAMPLES / "panorama.sbsar"), 1)


def test_the_scripting_interface_acts_without_undo_steps(tmp_path):
    bricks = ox.Material("bricks")
    assert (bricks.preset_names(), bricks.archive_path, bricks.graphs, bricks.textures) == ([], "", [], {})
    bricks.update()
    bricks.load_archive(SAMPLES / "multigraph.sbsar")
    bricks.set("mortar", 0.2)
    bricks.load_archive(SAMPLES / "multigraph.sbsar")
    assert (bricks.get("mortar"), bricks.undo_stack.count) == (0.05, 0)
    (tmp_path / "oak.sbsprs").write_bytes((SAMPLES / "multigraph.sbsprs").read_bytes().replace(b"Kitchen", b"Hall"))
    bricks.load_preset_file(tmp_path / "oak.sbsprs")
    assert bricks.preset_names()[4:] == ["Hall"]
    with pytest.raises(ox.Error, match=re.escape(f"'{SAMPLES / 'multigraph.sbsar'}' is not a preset file: ")):
        bricks.load_preset_file(SAMPLES / "multigraph.sbsar")
    bricks.update()
    assert (len(bricks.presets), bricks.undo_stack.count) == (5, 0)


def test_a_material_that_python_collects_leaves_no_host_object_behind(ppm):
    before = ox.live_container_count()
    wood = load("materials.sbsar")
    wood.set("mask", ppm)
    image = wood.get("mask")
    wood.apply_preset(1)
    wood.remove_presets([0, 1])
    stack = wood.undo_stack
    del wood
    gc.collect()
    assert stack.count == 3
    del stack
    gc.collect()
    assert ox.live_container_count() == before + 1
    del image
    assert ox.live_container_count() == before


def public(names):
    return {n for n in names if not n.startswith("_")}


def test_every_name_has_its_documentation_and_its_type_stub():
    stub = ast.parse((pathlib.Path(ox.__file__).parent / "oxsubstance.pyi").read_text())
    stubbed = {node.name: node for node in stub.body if isinstance(node, (ast.ClassDef, ast.FunctionDef))}
    assert set(stubbed) == public(dir(ox))
    for name, node in stubbed.items():
        documented = getattr(ox, name)
        assert documented.__doc__.strip(), name
        if isinstance(node, ast.ClassDef):
            members = {n.name for n in node.body if isinstance(n, ast.FunctionDef)} - {"__init__"}
            assert members == public(vars(documented)), name
            for member in members:
                doc = inspect.getattr_static(documented, member).__doc__ or ""
                assert doc.split("\n\n")[-1].strip() and "->" not in doc.split("\n\n")[-1], f"{name}.{member}"


def run_report(folder, *arguments):
    environment = dict(os.environ, PYTHONPATH=str(pathlib.Path(ox.__file__).parent))
    return subprocess.run([sys.executable, str(SAMPLES / "batch_report.py"), str(folder), *arguments],
                          capture_output=True, text=True, env=environment)


def test_the_batch_report_applies_each_preset_of_each_sample(tmp_path):
    run = run_report(SAMPLES, "--output", str(tmp_path / "report.json"))
    assert (run.returncode, run.stdout, run.stderr) == (0, "", "")
    archives = {a["archive"]: a for a in json.loads((tmp_path / "report.json").read_text())["archives"]}
    assert list(archives) == ["materials.sbsar", "multigraph.sbsar", "panorama.sbsar"]
    wood, sky = archives["materials.sbsar"], archives["panorama.sbsar"]
    assert [(p["name"], p["values"]["roughness"], p["values"]["$outputsize"]) for p in wood["presets"]] == [
        ("Light Oak", 0.25, [512, 512, True]), ("Dark Walnut", 0.6, [1024, 1024, True]),
        ("Weathered Pine", 0.8, [512, 512, True])]
    assert wood["values"]["tint"] == [0.8, 0.6, 0.4] and wood["messages"][1].startswith("warning: Skipped preset")
    assert (sky["environment"], sky["presets"][0]["values"]["sun_elevation"]) == (True, 4.0)


@pytest.mark.parametrize("files, exit_code, error", [
    ({"wood.sbsar": (SAMPLES / "materials.sbsar").read_bytes(), "broken.sbsar": b"<sbsar"}, 1,
     "batch_report: broken.sbsar did not load: Unable to load Substance archive"),
    ({"notes.txt": b""}, 2, "batch_report: no archive (*.sbsar) in"),
])
def test_the_batch_report_exit_code_says_whether_every_archive_loaded(tmp_path, files, exit_code, error):
    for name, content in files.items():
        (tmp_path / name).write_bytes(content)
    run = run_report(tmp_path)
    assert (run.returncode, run.stderr.startswith(error)) == (exit_code, True), run.stderr
    assert exit_code == 2 or [a["loaded"] for a in json.loads(run.stdout)["archives"]] == [False, True]
