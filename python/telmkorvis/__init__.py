"""Models from shapes, surveys, and synthetic data from the telm and korvis
programs, driven through their files.

    from telmkorvis import Model, Survey, simulate
    model = Model(100, layers=[(500, 10)]).add_dyke(0, 10, 20, 60, 90, 10, 10)
    survey = Survey.line(48, 5.0, start=-117.5).dipole_dipole(a=[1, 2], n=range(1, 7))
    data = simulate(model, survey, ip=True, dens=2, noise_rel=0.02, noise_abs=1e-4, seed=1)
"""

from .errors import (ModelError, ProgramNotFound, SimulationError, SurveyError,
                     TelmKorvisError)
from .exchange import read_general_array, read_protocol, write_general_array, write_protocol
from .many import collect_folders, prepare_folders, simulate_many
from .model import Model
from .noise import NormalStream, add_noise
from .plot import median_depth, pseudosection
from .run import find_programs, prepare_folder, run_folder, simulate
from .survey import Survey, read_data, write_data

__version__ = "1.1.0"

__all__ = [
    "Model", "Survey", "simulate", "simulate_many", "prepare_folders", "collect_folders",
    "prepare_folder", "run_folder", "find_programs", "read_data", "write_data",
    "write_general_array", "read_general_array", "write_protocol", "read_protocol",
    "add_noise", "NormalStream", "pseudosection", "median_depth", "TelmKorvisError",
    "ModelError", "SurveyError", "SimulationError", "ProgramNotFound",
]
