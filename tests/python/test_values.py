"""Reading every kind of attribute, setting values of every type, and values
that do not fit."""

import re

import pytest

import oxsubstance as ox
from conftest import load, state

# identifier: label, type, value, default, min, max, step, labels, widget, extra fields
WOOD = {
    "$outputsize": ("Output Size", "int[2]", (512, 512, True), (512, 512), (256, 256), (4096, 4096), 1,
                    ["Width", "Height"], "combobox", {"description": "Texture size as powers of two."}),
    "roughness": ("Roughness", "float", 0.35, 0.5, 0.0, 1.0, 0.01, [], "slider",
                  {"description": "How rough the surface is."}),
    "grain": ("Grain Direction", "float[4]", (1.0, 0.0, 0.0, 0.5), (1.0, 0.0, 0.0, 0.5), (-1.0, -1.0, -1.0, 0.0),
              (1.0, 1.0, 1.0, 1.0), 0.1, ["X", "Y", "Z", "Strength"], "slider", {}),
    "mask": ("Mask", "image", None, "", None, None, None, [], "", {"description": "Optional mask (PPM)."}),
    "tint": ("Tint", "float[4]", (0.8, 0.6, 0.4), (0.8, 0.6, 0.4, 1.0), (0.0,) * 4, (1.0,) * 4, 0.01,
             ["Red", "Green", "Blue", "Alpha"], "color", {}),
    "contrast": ("Contrast", "float[3]", (1.0, 1.0, 1.0), (1.0, 1.0, 1.0), (0.0,) * 3, (2.0,) * 3, 0.05,
                 ["X", "Middle", "Z"], "slider", {}),
    "pattern": ("Pattern", "int", 1, 0, 0, 2, 1, [], "combobox",
                {"map": {0: "Planks", 1: "Parquet", 2: "Herringbone"}}),
    "tiling": ("Tiling", "float[2]", (2.0, 2.0), (1.0, 1.0), (0.5, 0.5), (8.0, 8.0), 0.5, ["U", "V"], "slider", {}),
    "knots": ("Knots", "int[3]", (3, 2, 10), (3, 2, 10), (0, 1, 0), (20, 8, 100), 1, ["Count", "Size", "Spread"],
              "slider", {"visibility": "input['pattern'] != 2"}),
    "region": ("Region", "int[4]", (0, 0, 512, 512), (0, 0, 512, 512), (0,) * 4, (4096,) * 4, 16,
               ["X", "Y", "Z", "W"], "", {}),
    "$randomseed": ("Random Seed", "int", 0, 0, 0, 10000, 1, [], "slider", {}),
    "notes": ("Notes", "string", "Oak", "Oak", None, None, None, [], "", {"description": "Free text."}),
}


def test_every_attribute_of_every_type_reads_as_the_archive_states_it():
    wood = load("materials.sbsar")
    (graph,) = wood.graphs
    assert [(g.name, g.common) for g in graph.groups] == [
        ("Output", False), ("Surface", False), ("Colour", False), ("Pattern", False), ("Common", True)]
    attributes = {a.identifier: a for group in graph.groups for a in group.attributes}
    assert list(attributes) == list(WOOD)
    for identifier, (label, type_, value, default, min_, max_, step, labels, widget, extra) in WOOD.items():
        a = attributes[identifier]
        read = (a.label, a.type, a.value, a.default, a.min, a.max, a.step, a.labels, a.widget)
        assert read == (label, type_, value, default, min_, max_, step, labels, widget), identifier
        fields = {"description": a.description, "visibility": a.visibility, "map": a.map}
        assert fields == {"description": "", "visibility": "", "map": None, **extra}, identifier
        assert wood.get(identifier) == wood.get(label) == value


# property (identifier or label), value set, value read back
SETS = [
    ("Roughness", 1, 1.0),
    ("tiling", (3, 4.5), (3.0, 4.5)),
    ("contrast", [0.5, 1, 1.5], (0.5, 1.0, 1.5)),
    ("grain", (0.1, 0.2, 0.3, 0.4), (0.1, 0.2, 0.3, 0.4)),
    ("Tint", (0.1, 0.2, 0.3, 0.5), (0.1, 0.2, 0.3)),
    ("knots", (2**31 - 1, -2, 3), (2**31 - 1, -2, 3)),
    ("region", [0, 16, 32, 48], (0, 16, 32, 48)),
    ("notes", "Walnut ∅", "Walnut ∅"),
    ("$outputsize", (1024, 256), (1024, 256, True)),
    ("Output Size", (2048, 2048, False), (2048, 2048, False)),
    ("$randomseed", -2**31, -2**31),
]


@pytest.mark.parametrize("property, value, expected", SETS)
def test_a_value_set_reads_back_as_one_step(property, value, expected):
    wood = load("materials.sbsar")
    wood.set(property, value)
    assert (wood.get(property), wood.undo_stack.count) == (expected, 1)


def test_an_image_is_set_from_a_file_and_from_an_image_and_taken_away_with_none(ppm):
    wood, other = load("materials.sbsar"), load("materials.sbsar")
    wood.set("mask", ppm)
    image = wood.get("mask")
    assert (image.width, image.height, image.data_type) == (4, 2, "uint8")
    other.set("Mask", image)
    assert other.get("mask") == image
    wood.set("roughness", 0.1)
    wood.set("mask", None)
    assert wood.get("mask") is None
    wood.undo_stack.undo()
    assert wood.get("mask") == image


# property, value, error, text of the message
BAD = [
    ("roughness", "0.5", TypeError, "'roughness' takes a number, not '0.5'"),
    ("roughness", True, TypeError, "'roughness' takes a number, not True"),
    ("Roughness", 1e39, ValueError, "'Roughness': '1e+39' is not a finite number that a float can hold"),
    ("tiling", (1, 2, 3), ValueError, "'tiling': (1, 2, 3) is not 2 numbers"),
    ("tiling", 5.0, TypeError, "'tiling' takes 2 numbers, not 5.0"),
    ("tint", [1, 2], ValueError, "'tint': (1, 2) is not 3 or 4 numbers"),
    ("pattern", 1.5, ValueError, "'pattern': '1.5' is not an integer of 32 bits"),
    ("pattern", 2**31, ValueError, "'pattern': '2147483648' is not an integer of 32 bits"),
    ("knots", (1, 2, "3"), TypeError, "'knots' takes 3 integers, not (1, 2, '3')"),
    ("knots", {1, 2, 3}, TypeError, "'knots' takes 3 integers, not {1, 2, 3}"),
    ("notes", 5, TypeError, "'notes' takes a string, not 5"),
    ("$outputsize", [512, 0], ValueError, "'$outputsize': '0' is not a power of two"),
    ("$outputsize", (512,), ValueError, "'$outputsize': (512) is not a width and height in pixels"),
    ("$outputsize", (512, 512, 1), TypeError, "'$outputsize' takes a width and height in pixels, optionally with "
                                              "the sync state, not (512, 512, 1)"),
    ("mask", 3, TypeError, "'mask' takes an image file's path, an image or none, not 3"),
    ("mask", "missing.ppm", ValueError, "'mask': Unable to read image 'missing.ppm': the file does not exist."),
]


@pytest.mark.parametrize("property, value, error, message", BAD)
def test_a_value_that_does_not_fit_raises_naming_the_property(property, value, error, message):
    wood = load("materials.sbsar")
    before = state(wood)
    with pytest.raises(error, match=re.escape(message)):
        wood.set(property, value)
    assert (state(wood), wood.undo_stack.count) == (before, 0)


def test_get_and_set_reach_every_graph_by_name_and_the_active_one_by_default():
    bricks = load("multigraph.sbsar")
    assert bricks.get("tiles", graph="Tiles") == 6
    bricks.set("Tiles", 9, graph="Tiles")
    bricks.active_graph = "Tiles"
    assert (bricks.active_graph, bricks.get("tiles")) == (1, 9)
    bricks.set("glaze", "matte")
    assert bricks.get("glaze", graph="Tiles") == "matte"
    bricks.active_graph = 0
    assert bricks.get("Bricks") == (8, 16)
