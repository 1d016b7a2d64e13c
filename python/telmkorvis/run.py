"""Running the programs: where they are, one survey in a folder, and the
table of results.

The programs are looked for, in this order: in the folder the environment
variable TELMKORVIS_BIN names, in the folder `bin` next to the package, and
on PATH. A missing program raises ProgramNotFound saying where it looked; a
run that fails raises SimulationError with the program's own message.
"""

import os
import shutil
import subprocess
import sys
import tempfile

from .errors import ModelError, ProgramNotFound, SimulationError
from .survey import Survey, read_data

MODEL_FILE = "model.dat"
SURVEY_FILE = "survey.dat"
RESULT_FILE = "survey-data.dat"


def find_programs(folder=None):
    """{'telm': path, 'korvis': path}: from `folder`, TELMKORVIS_BIN, the
    package's own bin folder, or PATH."""
    places = []
    if folder:
        places.append(str(folder))
    if os.environ.get("TELMKORVIS_BIN"):
        places.append(os.environ["TELMKORVIS_BIN"])
    places.append(os.path.join(os.path.dirname(os.path.abspath(__file__)), "bin"))
    found = {}
    for name in ("telm", "korvis"):
        for place in places:
            path = os.path.join(place, name)
            if os.path.isfile(path) and os.access(path, os.X_OK):
                found[name] = path
                break
        else:
            path = shutil.which(name)
            if path is None:
                raise ProgramNotFound(
                    "%s not found in %s or on PATH: build the programs and set TELMKORVIS_BIN to "
                    "their folder (for example build/bin)" % (name, " or ".join(places)))
            found[name] = path
    return found


def _run(args, folder, progress=None):
    """Runs a program in `folder`; returns its standard output. With
    `progress` (a callable) every line of standard output is passed on as it
    comes."""
    process = subprocess.Popen(args, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               text=True)
    if progress is None:
        out, err = process.communicate()
    else:
        lines = []
        for line in process.stdout:
            lines.append(line)
            progress(line.rstrip("\n"))
        err = process.stderr.read()
        process.wait()
        out = "".join(lines)
    if process.returncode != 0:
        message = err.strip() or out.strip().splitlines()[-1:] or ["no message"]
        if isinstance(message, list):
            message = message[0]
        raise SimulationError("%s (exit status %d)" % (message, process.returncode),
                              status=process.returncode)
    return out


def check_model(text, survey=None, programs=None, drape=False):
    """Runs telm's checks on a model file's text (with the survey, placed on
    the ground surface with `drape`); raises ModelError with telm's message
    when they fail."""
    programs = find_programs(programs)
    with tempfile.TemporaryDirectory(prefix="telmkorvis-") as folder:
        _write_inputs(folder, text, survey)
        try:
            _run([programs["telm"], "--survey", SURVEY_FILE] + (["--drape"] if drape else []), folder)
        except SimulationError as e:
            raise ModelError(str(e)) from None


def _write_inputs(folder, text, survey):
    with open(os.path.join(folder, MODEL_FILE), "w") as f:
        f.write(text)
    with open(os.path.join(folder, "filename"), "w") as f:
        f.write(MODEL_FILE + "\n")
    if survey is None:
        # Three surface electrodes inside the model, to check a model that
        # has no survey yet.
        xmin, xmax = _text_extent(text)
        mid, step = 0.5 * (xmin + xmax), (xmax - xmin) / 7.0
        survey = Survey([(mid - step, 0.0), (mid + step / 3.0, 0.0), (mid + step, 0.0)], [(1, 0, 2, 3)])
    survey.write(os.path.join(folder, SURVEY_FILE))


def _text_extent(text):
    lines = text.splitlines()
    nt, npt = (int(v) for v in lines[2].split()[:2])
    xs = [float(line.split()[0]) for line in lines[3 + 2 * nt:3 + 2 * nt + npt]]
    return min(xs), max(xs)


def prepare_folder(folder, model, survey, ip=False, dens=None, noise_rel=0.0, noise_abs=0.0, seed=0):
    """Writes the inputs of one run into `folder` (made if missing): the
    model file, `filename`, the survey file, and `telm-args` and
    `korvis-args`, the options of the programs' runs (read by the job-array
    script run_folder.sh)."""
    os.makedirs(folder, exist_ok=True)
    text = model.text(survey.model_points(), ip=ip, dens=dens)
    _write_inputs(folder, text, survey)
    # Over relief the electrodes (x, or elevations) are placed on the ground
    # surface by both programs.
    drape = ["--drape"] if model.surface is not None else []
    with open(os.path.join(folder, "korvis-args"), "w") as f:
        f.write(" ".join(drape + _korvis_options(noise_rel, noise_abs, seed)) + "\n")
    with open(os.path.join(folder, "telm-args"), "w") as f:
        f.write(" ".join(drape) + "\n")
    return folder


def _korvis_options(noise_rel, noise_abs, seed):
    if noise_rel == 0 and noise_abs == 0:
        return []
    if not (noise_rel >= 0 and noise_abs >= 0):
        raise ValueError("noise_rel and noise_abs must be >= 0")
    return ["--noise", "%r,%r" % (float(noise_rel), float(noise_abs)), "--seed", str(int(seed))]


def run_folder(folder, programs=None, progress=None, noise_options=None):
    """Runs telm --survey and korvis --survey in a prepared folder; returns
    the result table."""
    programs = find_programs(programs)
    if noise_options is None:
        path = os.path.join(folder, "korvis-args")
        noise_options = open(path).read().split() if os.path.exists(path) else []
    path = os.path.join(folder, "telm-args")
    telm_options = open(path).read().split() if os.path.exists(path) else []
    _run([programs["telm"], "--survey", SURVEY_FILE] + telm_options, folder, progress)
    _run([programs["korvis"], "--survey", SURVEY_FILE] + noise_options, folder, progress)
    return read_data(os.path.join(folder, RESULT_FILE))


def _printer(line):
    if "nKy_i" in line or line.startswith(" Wavenumbers"):
        sys.stderr.write("korvis:" + line.replace("===>", "").rstrip() + "\n")
        sys.stderr.flush()


def simulate(model, survey, ip=False, dens=None, noise_rel=0.0, noise_abs=0.0, seed=0,
             folder=None, programs=None, progress=False):
    """Models `survey` over `model` with telm --survey and korvis --survey
    and returns the result table: a b m n, the electrodes' coordinates,
    k u i r rhoa (ip), and with noise the noisy values and err.

    folder: where to run (kept); by default a temporary folder, removed.
    dens: the mesh density (default: the model's). progress: True prints
    korvis's progress per wavenumber to standard error, or a callable gets
    every console line."""
    if not survey.data:
        raise SimulationError("the survey has no measurements: add a scheme first")
    callback = _printer if progress is True else (progress or None)
    if folder is not None:
        prepare_folder(folder, model, survey, ip, dens, noise_rel, noise_abs, seed)
        return run_folder(folder, programs, callback)
    with tempfile.TemporaryDirectory(prefix="telmkorvis-") as work:
        prepare_folder(work, model, survey, ip, dens, noise_rel, noise_abs, seed)
        return run_folder(work, programs, callback)
