"""What every test of the module oxsubstance shares: the samples, a loaded
material, the whole state of a material, and a host that each test leaves
as it found it."""

import gc
import os
import pathlib

import pytest

import oxsubstance as ox

SAMPLES = pathlib.Path(os.environ.get("OX_SAMPLES_DIR", pathlib.Path(__file__).parents[2] / "samples"))


def load(name, environment=False):
    """A new material named after the sample, with the sample loaded into it."""
    material = ox.Material(pathlib.Path(name).stem, environment)
    material.load_archive(SAMPLES / name)
    return material


def state(material):
    """Everything that a script can see of a material, to compare before and after."""
    return (
        material.active_graph,
        [(g.name, [(a.identifier, a.value) for group in g.groups for a in group.attributes]) for g in material.graphs],
        [(p.name, p.content, p.source_path) if p else None for p in material.presets],
        material.current_preset,
        material.textures,
    )


@pytest.fixture(autouse=True)
def host():
    """Every test leaves no host object behind and the render cache off. Tests
    keep their materials in locals, which are gone when the test returns."""
    gc.collect()
    before = ox.live_container_count()
    yield
    ox.enable_cache(False)
    gc.collect()
    assert ox.live_container_count() == before


@pytest.fixture
def ppm(tmp_path):
    """A 4 x 2 binary PPM image."""
    path = tmp_path / "mask.ppm"
    path.write_bytes(b"P6\n4 2\n255\n" + bytes(range(24)))
    return path
