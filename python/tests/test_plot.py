import matplotlib

matplotlib.use("Agg")

import pandas as pd  # noqa: E402
import pytest  # noqa: E402

from telmkorvis import Survey, median_depth, pseudosection, simulate  # noqa: E402


@pytest.mark.parametrize("quadrupole, expected", [
    # Edwards' median depths: pole-pole 0.867 a, Wenner 0.519 a,
    # dipole-dipole n = 1 0.416 a, Schlumberger n = 1 about 0.52 a.
    ((1, 0, 2, 0), 0.867),
    ((1, 4, 2, 3), 0.519),
    ((1, 2, 3, 4), 0.416),
])
def test_median_depths_of_common_arrays(quadrupole, expected):
    s = Survey.line(6, 1.0).add([quadrupole])
    row = s.table().iloc[0]
    assert median_depth(row) == pytest.approx(expected, abs=0.002)


def test_buried_electrodes_have_no_median_depth():
    s = Survey.line(4, 1.0)
    hole = s.add_borehole(0.5, 2, 1.0)
    s.add([(1, 2, hole[0], hole[1])])
    assert pd.isna(median_depth(s.table().iloc[0]))


def test_pictures_are_written(programs, dyke_model, small_survey, tmp_path):
    import matplotlib.pyplot as plt

    data = simulate(dyke_model, small_survey, ip=True)
    fig, axes = plt.subplots(3, 1, figsize=(8, 10))
    dyke_model.plot(ax=axes[0], survey=small_survey)
    pseudosection(data, "rhoa", ax=axes[1])
    pseudosection(data, "ip", ax=axes[2])
    path = tmp_path / "pictures.png"
    fig.savefig(path, dpi=80)
    assert path.stat().st_size > 10000
    plt.close(fig)
