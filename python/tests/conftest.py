"""The programs come from TELMKORVIS_BIN (CTest passes the build's bin
folder); the tests that run them are skipped when they cannot be found."""

import os

import pytest

import telmkorvis
from telmkorvis.errors import ProgramNotFound

EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples")


@pytest.fixture(scope="session")
def programs():
    try:
        return telmkorvis.find_programs()
    except ProgramNotFound as e:
        pytest.skip(str(e))


@pytest.fixture(scope="session")
def small_survey():
    return telmkorvis.Survey.line(16, 5.0, start=-37.5).dipole_dipole(a=[1], n=range(1, 4)).wenner(a=[1, 2])


@pytest.fixture(scope="session")
def dyke_model():
    return telmkorvis.Model(100.0, layers=[(500.0, 5.0)], dens=1.5).add_dyke(0.0, 5.0, 10.0, 60.0, 40.0, 10.0, 10.0)
