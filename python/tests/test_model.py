import math
import os
import random
import shutil

import pytest
from shapely.geometry import Polygon, box
from shapely.ops import unary_union

from telmkorvis import Model, ModelError, Survey, read_data, simulate
from telmkorvis.model import MAX_OUTLINE
from telmkorvis.run import check_model

from conftest import EXAMPLES


def _area(layout, body):
    return Polygon([layout.vertices[i - 1] for i in body.outline]).area


def _check_layout(model, electrodes=()):
    """What every layout must be: clockwise outlines (z down) within the
    limits, areas that tile the extent, every vertex on a side of a body
    listed by it, body 1 under the surface at its left end."""
    layout = model.layout(electrodes)
    xmin, xmax, zmax = layout.extent
    total = 0.0
    polys = []
    for b in layout.bodies:
        ring = [layout.vertices[i - 1] for i in b.outline]
        p = Polygon(ring)
        assert p.is_valid and len(ring) <= MAX_OUTLINE
        signed = sum(x1 * z2 - x2 * z1 for (x1, z1), (x2, z2) in zip(ring, ring[1:] + ring[:1]))
        assert signed > 0, "anticlockwise with z down: %r" % ring
        total += p.area
        polys.append(p)
    assert total == pytest.approx((xmax - xmin) * zmax, rel=1e-9)
    assert unary_union(polys).area == pytest.approx(total, rel=1e-9)
    for b, p in zip(layout.bodies, polys):
        listed = set(b.outline)
        for j, v in enumerate(layout.vertices, 1):
            if j not in listed:
                assert p.exterior.distance(Polygon([(v[0] - 1e-9, v[1]), (v[0] + 1e-9, v[1]),
                                                    (v[0], v[1] + 1e-9)]).centroid) > 1e-6
    first = [layout.vertices[i - 1] for i in layout.bodies[0].outline]
    assert (xmin, 0.0) in first
    return layout


@pytest.mark.parametrize("build, bodies", [
    (lambda: Model(100), 1),
    (lambda: Model(100, layers=[(500, 10), (50, 20)]), 3),
    # A block touching the layer boundary: host with a notch.
    (lambda: Model(100, layers=[(500, 10)]).add_rectangle(-10, 10, 10, 100, 10), 3),
    # A block wholly inside the host: the host is cut through the hole.
    (lambda: Model(100).add_rectangle(-10, 10, 10, 30, 10), 3),
    # Later shapes override: the second block cuts the first in two.
    (lambda: Model(100).add_rectangle(-40, 10, 40, 30, 10).add_rectangle(-5, 0, 5, 50, 1000), 4),
    # A shape outcropping and a circle across a layer interface.
    (lambda: Model(100, layers=[(300, 8)]).add_circle(0, 8, 5, 20, sides=12).add_dyke(30, 0, 6, 45, 30, 5), 5),
    # A shape reaching beyond the extent is clipped.
    (lambda: Model(100, extent=(-50, 50, 40)).add_rectangle(-100, 20, 100, 60, 10), 2),
    # A dyke dipping the other way.
    (lambda: Model(100).add_dyke(0, 2, 4, 120, 20, 10), 3),
])
def test_layouts(build, bodies):
    layout = _check_layout(build())
    assert len(layout.bodies) == bodies


def test_the_dyke_example_rebuilt_has_its_bodies():
    m = Model(100, layers=[(500, 10)], extent=(-500, 500, 200), dens=2).add_rectangle(-10, 10, 10, 100, 10, 10)
    lines = m.text(ip=True).splitlines()
    assert lines[2].split()[:5] == ["3", "10", "1", "2.0", "-1"]
    assert lines[3:9] == ["500.0 0 6          body 1", "1 2 3 4 5 6", "100.0 0 8          body 2",
                          "6 5 7 8 4 3 9 10", "10.0 10.0 4          body 3", "5 4 8 7"]


def test_the_dyke_example_rebuilt_gives_its_rhoa(programs, tmp_path):
    # The survey example's hand-written model and the same model from shapes,
    # both through telm --survey and korvis --survey with the example's survey.
    folder = tmp_path / "hand"
    shutil.copytree(os.path.join(EXAMPLES, "survey"), folder)
    survey = Survey.read(str(folder / "survey.dat"))
    import subprocess
    for name in ("telm", "korvis"):
        subprocess.run([programs[name], "--survey", "survey.dat"], cwd=folder, check=True, capture_output=True)
    hand = read_data(str(folder / "survey-data.dat"))
    m = Model(100, layers=[(500, 10)], extent=(-500, 500, 200), dens=2).add_rectangle(-10, 10, 10, 100, 10, 10)
    shapes = simulate(m, survey, ip=True)
    assert ((shapes["rhoa"] / hand["rhoa"] - 1).abs() <= 1e-6).all()
    assert ((shapes["ip"] - hand["ip"]).abs() <= 1e-6).all()


@pytest.mark.parametrize("action, message", [
    (lambda: Model(-1), "a resistivity must be a number > 0"),
    (lambda: Model(100, chargeability=100), "a chargeability must lie in [0, 100) percent"),
    (lambda: Model(100, layers=[(10, 0)]), "a layer's thickness must be > 0"),
    (lambda: Model(100).add_polygon([(0, 0), (1, 1), (1, 0), (0, 1)], 10), "is not a simple polygon"),
    (lambda: Model(100).add_dyke(0, 0, 1, 0, 10, 10), "the dip must lie between 0 and 180"),
    (lambda: Model(100).add_circle(0, 5, 0, 10), "a circle needs a radius > 0"),
    (lambda: Model(100, extent=(0, 0, 10)).layout(), "is empty"),
    (lambda: _many_blocks(30).layout(), "the programs take at most"),
])
def test_bad_shapes_are_refused(action, message):
    with pytest.raises(ModelError, match=None) as e:
        action()
    assert message in str(e.value)


def _many_blocks(count):
    m = Model(100)
    for i in range(count):
        m.add_rectangle(i * 3, 5, i * 3 + 2, 7, 10 + i)
    return m


def test_a_model_the_programs_refuse_carries_their_message(programs, tmp_path):
    # An electrode outside the model: telm's own check, and no file written.
    m = Model(100, extent=(-20, 20, 10)).add_rectangle(-5, 2, 5, 6, 10)
    survey = Survey([(-10, 0), (0, 0), (10, 0), (50, 0)], [(1, 2, 3, 4)])
    target = tmp_path / "m.dat"
    with pytest.raises(ModelError) as e:
        m.write(str(target), survey)
    assert str(e.value).startswith("telm: ") and "survey.dat" in str(e.value) and "(exit status 2)" in str(e.value)
    assert not target.exists()
    with pytest.raises(ModelError) as e:
        check_model(m.text().replace("1 2 3 4 5 6", "6 5 4 3 2 1", 1))
    assert "telm" in str(e.value)
    m.write(str(target))
    assert target.read_text().startswith("Model built from shapes\n")


def random_model(rng):
    layers = [(rng.choice([20, 50, 200, 500]), rng.choice([2, 5, 8])) for _ in range(rng.randint(0, 2))]
    m = Model(rng.choice([30, 100, 300]), layers=layers, extent=(-150, 150, 80), dens=1)
    for _ in range(rng.randint(1, 6)):
        kind = rng.choice(["rectangle", "circle", "dyke", "polygon"])
        x, z = rng.uniform(-40, 40), rng.uniform(0, 30)
        rho, eta = rng.choice([1, 10, 1000]), rng.choice([0, 5])
        if kind == "rectangle":
            m.add_rectangle(x, z, x + rng.uniform(2, 30), z + rng.uniform(2, 20), rho, eta)
        elif kind == "circle":
            m.add_circle(x, z + 6, rng.uniform(2, 8), rho, eta, sides=rng.choice([6, 8, 10]))
        elif kind == "dyke":
            m.add_dyke(x, z, rng.uniform(2, 10), rng.uniform(30, 150), rng.uniform(5, 30), rho, eta)
        else:
            m.add_polygon([(x, z), (x + 12, z + 2), (x + 6, z + 14)], rho, eta)
    return m


def test_random_models_pass_the_checks_and_match_the_overlay(programs):
    # 200 with TELMKORVIS_RANDOM_MODELS=200 (about 2 minutes on 2 cores).
    count = int(os.environ.get("TELMKORVIS_RANDOM_MODELS", "12"))
    rng = random.Random(2024)
    survey = Survey.line(12, 10.0, start=-55.0).dipole_dipole(a=[1], n=[1, 2])
    for index in range(count):
        m = random_model(rng)
        layout = _check_layout(m)
        regions = m.regions()
        # The overlay's pieces and areas: bodies only cut them further.
        assert len(layout.bodies) >= len(regions)
        for rho in {r for _, r, _ in regions}:
            expected = sum(p.area for p, r, _ in regions if r == rho)
            got = sum(_area(layout, b) for b in layout.bodies if b.resistivity == rho)
            assert got == pytest.approx(expected, rel=1e-9, abs=1e-6), index
        data = simulate(m, survey, dens=1)
        assert len(data) == len(survey) and data["rhoa"].notna().all(), index


HILL = [(x, 8.0 * math.exp(-x * x / (2 * (40 / 2.355) ** 2))) for x in range(-60, 61, 5)]


@pytest.mark.parametrize("build, bodies, rhoa_range", [
    # A homogeneous earth under a hill: the written k is the hill's, so
    # rhoa is the resistivity.
    (lambda: Model(100, surface=HILL, dens=2), 1, (99.999, 100.001)),
    # A cover down to 4 m below the datum (the hill's whole height above it)
    # and a block under the flank, below the surface.
    (lambda: Model(100, layers=[(300, 4)], surface=HILL, dens=2).add_rectangle(5, 2, 20, 15, 10), 3, (50, 330)),
])
def test_relief_from_a_surface_profile(programs, build, bodies, rhoa_range):
    model = build()
    survey = Survey.line(16, 2.0, start=-15).dipole_dipole(a=[1], n=range(1, 4))
    layout = model.layout(survey.model_points())
    assert len(layout.bodies) == bodies
    assert min(z for _, z in layout.vertices) == pytest.approx(-8.0, abs=0.01)
    table = simulate(model, survey)
    assert rhoa_range[0] < table.rhoa.min() and table.rhoa.max() < rhoa_range[1]
    # The electrodes were draped on the hill: their elevations follow it.
    top = table.loc[table.xa.abs() < 1.5, "za"]
    assert (top > 7.5).all()
