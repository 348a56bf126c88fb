"""Every change through a material's methods is one step of its undo stack,
and undo and redo give back exactly the state before and after it."""

import os
import re
import subprocess
import tempfile
from pathlib import Path

import pytest

import oxsubstance as ox
from conftest import SAMPLES, load, state

SET = "Setting substance property '{}' of material 'materials' (graph 'Wood')"
# what a step does, the undo text it leaves
STEPS = [
    (lambda m, files: m.set("roughness", 0.9), SET.format("roughness")),
    (lambda m, files: m.set("Tint", (0.1, 0.2, 0.3, 0.4)), SET.format("Tint")),
    (lambda m, files: m.set("mask", files["ppm"]), SET.format("mask")),
    (lambda m, files: m.set("$outputsize", (1024, 256, False)), SET.format("$outputsize")),
    (lambda m, files: m.apply_preset("Dark Walnut"), "Apply substance preset"),
    (lambda m, files: m.recapture_preset(0), "Capture substance presets"),
    (lambda m, files: m.reset(), "Reset substance graph"),
    (lambda m, files: m.apply_preset(2, default_size=True), "Apply substance preset"),
    (lambda m, files: m.add_presets([ox.Preset("Mine", m.presets[0].content, "mine.sbsprs")]), "Add substance presets"),
    (lambda m, files: m.add_presets(files["presets"]), "Add substance presets"),
    (lambda m, files: m.remove_presets([3, 1]), "Remove substance presets"),
    (lambda m, files: m.reorder_presets([2, 0, 1]), "Reorder substance presets"),
]


def test_undo_and_redo_give_back_the_whole_state_of_every_step(ppm, tmp_path):
    (tmp_path / "teak.sbsprs").write_text('<sbspresets><sbspreset pkgurl="pkg://materials/wood" label="Oiled Teak">'
                                          '<presetinput identifier="roughness" uid="2" type="0" value="0.15"/>'
                                          '</sbspreset></sbspresets>')
    files = {"ppm": ppm, "presets": tmp_path / "teak.sbsprs"}
    wood = load("materials.sbsar")
    states = [state(wood)]
    for step, text in STEPS:
        step(wood, files)
        assert wood.undo_stack.texts[-1] == text
        assert wood.undo_stack.index == wood.undo_stack.count == len(states)
        states.append(state(wood))
        assert states[-1] != states[-2], text
    for expected in reversed(states[:-1]):
        wood.undo_stack.undo()
        assert state(wood) == expected
    with pytest.raises(ox.Error, match="nothing to undo"):
        wood.undo_stack.undo()
    for expected in states[1:]:
        wood.undo_stack.redo()
        assert state(wood) == expected
    with pytest.raises(ox.Error, match="nothing to redo"):
        wood.undo_stack.redo()
    wood.undo_stack.clear()
    assert (wood.undo_stack.count, state(wood)) == (0, states[-1])


# call, error, message; nothing changes
REFUSED = [
    (lambda m: m.get("nothing"), KeyError, "no property 'nothing' in graph 'Wood'"),
    (lambda m: m.set("roughness", 1, graph="Stone"), KeyError, "no graph named 'Stone'"),
    (lambda m: setattr(m, "active_graph", 1), IndexError, "no graph 1: the material has 1"),
    (lambda m: ox.Material("empty").reset(), ox.Error, "the material has no active graph: load an archive first"),
    (lambda m: m.apply_preset(3), IndexError, "no preset 3: the material has 3"),
    (lambda m: m.apply_preset(-1), IndexError, "no preset -1"),
    (lambda m: m.apply_preset("Pine"), KeyError, "no preset named 'Pine'"),
    (lambda m: m.remove_presets([0, 0]), ValueError, "preset 0 is named twice"),
    (lambda m: m.remove_presets([]), ValueError, "no preset to remove"),
    (lambda m: m.reorder_presets([1, 0]), ValueError, "the order must name each of the 3 presets once"),
    (lambda m: m.reorder_presets([0, 1, 3]), IndexError, "no preset 3"),
    (lambda m: m.recapture_preset(5), IndexError, "no preset 5"),
    (lambda m: m.add_presets(SAMPLES / "materials.sbsar"), ox.Error, "is not a preset file"),
    (lambda m: m.add_presets(["Light Oak"]), TypeError, "incompatible function arguments"),
    # Outside the source tree, should a fault let the refused export write.
    (lambda m: m.export_presets(str(Path(tempfile.gettempdir()) / "refused.sbsprs"), [1, 3]), IndexError,
     "no preset 3"),
    (lambda m: m.export_presets("/no/such/folder/x.sbsprs"), ox.Error, "could not write the preset file"),
]


@pytest.mark.parametrize("call, error, message", REFUSED)
def test_a_call_that_cannot_be_made_raises_and_changes_nothing(call, error, message):
    wood = load("materials.sbsar")
    before = state(wood)
    with pytest.raises(error, match=re.escape(message)):
        call(wood)
    assert (state(wood), wood.undo_stack.count) == (before, 0)


# how a preset is applied, the preset, default size, cache; roughness, output size and current preset after
APPLY = [
    ("method", 1, False, False, 0.6, (1024, 1024, True), 1),
    ("method", "Dark Walnut", True, True, 0.6, (512, 512, True), None),
    ("interface", 1, True, False, 0.6, (512, 512, True), None),
    ("interface", "Dark Walnut", True, False, 0.6, (512, 512, True), None),
    ("interface", "Light Oak", False, False, 0.25, (512, 512, True), 0),
]


@pytest.mark.parametrize("how, preset, default_size, cache, roughness, size, current", APPLY)
def test_a_preset_applies_and_the_current_preset_follows(how, preset, default_size, cache, roughness, size, current):
    ox.enable_cache(cache)
    assert ox.cache_enabled() == cache
    wood = load("materials.sbsar")
    for _ in range(2):
        if how == "method":
            wood.apply_preset(preset, default_size)
        else:
            ox.apply_preset(wood, preset, default_size=default_size)
        assert (wood.get("roughness"), wood.get("$outputsize")) == (roughness, size)
        assert (wood.current_preset, wood.matching_presets) == (current, [] if current is None else [current])
        wood.set("roughness", 0.5)
        assert wood.current_preset is None
        wood.undo_stack.undo()
        assert wood.current_preset == current
        if how == "method":
            wood.undo_stack.undo()
            assert wood.get("roughness") == 0.35
    assert ("Apply substance preset" in wood.undo_stack.texts) == (how == "method")


# Each flag of import_presets has its own effect: every preset of the sample file is of the
# material's graph and new to it, but for one of another graph and two duplicates.
@pytest.mark.parametrize("any_graph, skip_duplicates, names", [
    (True, False, ["Weathered Pine", "Light Oak", "Brushed Steel"]), (False, True, [])])
def test_import_reads_presets_without_adding_them(any_graph, skip_duplicates, names):
    wood = load("materials.sbsar")
    presets = wood.import_presets([SAMPLES / "materials.sbsprs"], any_graph, skip_duplicates)
    assert [(p.name, p.source_path) for p in presets] == [(n, str(SAMPLES / "materials.sbsprs")) for n in names]
    assert len(wood.presets) == 3
    assert (wood.add_presets(SAMPLES / "materials.sbsprs"), wood.undo_stack.count) == (0, 0), "no preset is new"


@pytest.mark.parametrize("indexes, cli_option", [(None, []), ([2, 0], ["--presets", "2,0"])])
def test_export_writes_the_bytes_that_the_command_line_host_writes(tmp_path, indexes, cli_option):
    load("materials.sbsar").export_presets(tmp_path / "module.sbsprs", indexes)
    subprocess.run([os.environ["OX_CLI"], str(SAMPLES / "materials.sbsar"), "--export", str(tmp_path / "cli.sbsprs"),
                    *cli_option], check=True, capture_output=True)
    module = (tmp_path / "module.sbsprs").read_bytes()
    assert module == (tmp_path / "cli.sbsprs").read_bytes()
    assert module.count(b"<sbspreset ") == (3 if indexes is None else 2)
