import math

import numpy as np
import pytest

from telmkorvis import NormalStream, add_noise, read_data, simulate
from telmkorvis.noise import portable_log


@pytest.mark.parametrize("x", [1e-300, 1e-17, 0.001, 0.25, 0.5, 0.7071, 0.9999999, 1.0, 1.0000001, 2.0, 12345.678, 1e300])
def test_log_agrees_with_the_library(x):
    assert portable_log(x) == pytest.approx(math.log(x), abs=4e-16 * max(1.0, abs(math.log(x))))


@pytest.mark.parametrize("seed, first", [
    # korvis's own test fixes the same draws.
    (0, [0.9845279121083984, -0.17586928586197706, -0.7120661562402929, -0.31234458525050773]),
    (42, [0.49295065581737485, -0.6940056672160174, -1.2810773478777024, -0.901557193497174]),
])
def test_draws_of_a_seed_are_fixed(seed, first):
    assert NormalStream(seed).draw(len(first)) == first


def test_mean_and_spread_within_their_standard_errors():
    # Five standard errors of the mean (1/sqrt(n)) and of the variance
    # (sqrt(2/n)) leave a correct generator less than one chance in a million.
    n = 40000
    for seed in (1, 2, 3):
        g = np.array(NormalStream(seed).draw(n))
        assert abs(g.mean()) < 5 / math.sqrt(n)
        assert abs(g.var() - 1) < 5 * math.sqrt(2 / n)


def test_seed_out_of_range_is_refused():
    for seed in (-1, 2 ** 64):
        with pytest.raises(ValueError):
            NormalStream(seed)


def test_same_seed_same_numbers_in_python_and_on_the_command_line(programs, dyke_model, small_survey, tmp_path):
    clean = simulate(dyke_model, small_survey, folder=str(tmp_path / "clean"))
    for rel, ab, seed in [(0.05, 1e-3, 7), (0.0, 0.01, 12345678901234567890)]:
        noisy = simulate(dyke_model, small_survey, noise_rel=rel, noise_abs=ab, seed=seed,
                         folder=str(tmp_path / ("n%d" % seed)))
        mine = add_noise(clean, rel, ab, seed)
        for column in ("r", "u", "rhoa", "err"):
            assert ["%.7g" % v for v in mine[column]] == ["%.7g" % v for v in noisy[column]], column
        assert (noisy["k"] == clean["k"]).all()


def test_noise_has_the_documented_spread(programs, dyke_model, small_survey):
    # sd = rel*|r| + abs: the standardised errors of many seeds are N(0, 1).
    clean = simulate(dyke_model, small_survey)
    z = []
    for seed in range(20):
        t = add_noise(clean, 0.03, 1e-3, seed)
        sd = 0.03 * clean["r"].abs() + 1e-3
        z += list((t["r"] - clean["r"]) / sd)
        assert np.allclose(t["rhoa"], t["k"] * t["r"], rtol=1e-6)
        assert np.allclose(t["err"], sd / clean["r"].abs())
    z = np.array(z)
    n = len(z)
    assert abs(z.mean()) < 5 / math.sqrt(n)
    assert abs(z.var() - 1) < 5 * math.sqrt(2 / n)
