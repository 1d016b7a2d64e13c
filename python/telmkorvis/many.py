"""Many models over one survey: a local process pool, a dask.distributed
cluster, or one folder per model for a batch system's job array.

Each model runs in its own temporary folder (on a cluster: the worker's),
and the tables come back in the order of the models whatever finishes
first. A failed model raises SimulationError naming its index (0-based) and
the program's message.
"""

import os
from concurrent.futures import ProcessPoolExecutor

from .errors import SimulationError, TelmKorvisError
from .run import RESULT_FILE, find_programs, prepare_folder, simulate
from .survey import read_data


def _one(index, model, survey, options):
    try:
        return simulate(model, survey, **options)
    except TelmKorvisError as e:
        raise SimulationError("model %d: %s" % (index, e), getattr(e, "status", None), index) from None


def simulate_many(models, survey, client=None, workers=None, **options):
    """A list of result tables, one per model, in the models' order.

    client: a dask.distributed Client; its workers run the models (they must
    see the programs: the folder found here is passed to them). Without
    one, a local pool of `workers` processes (default: the processor
    count). options: those of simulate (ip, dens, noise_rel, noise_abs,
    seed, ...)."""
    models = list(models)
    options = dict(options)
    options["programs"] = os.path.dirname(find_programs(options.get("programs"))["korvis"])
    options.pop("folder", None)
    if client is not None:
        futures = client.map(_one, range(len(models)), models, [survey] * len(models),
                             [options] * len(models), pure=False)
        results = []
        for index, future in enumerate(futures):
            try:
                results.append(future.result())
            except SimulationError:
                raise
            except Exception as e:  # a worker lost, or an error of the cluster itself
                raise SimulationError("model %d: %s" % (index, e), None, index) from None
        return results
    if workers == 1 or len(models) <= 1:
        return [_one(i, m, survey, options) for i, m in enumerate(models)]
    with ProcessPoolExecutor(max_workers=workers) as pool:
        futures = [pool.submit(_one, i, m, survey, options) for i, m in enumerate(models)]
        return [f.result() for f in futures]


def prepare_folders(models, survey, root, **options):
    """One folder per model under `root` (model-0000, model-0001, ...), each
    ready for run_folder.sh; returns their paths."""
    folders = []
    for index, model in enumerate(models):
        folders.append(prepare_folder(os.path.join(root, "model-%04d" % index), model, survey, **options))
    return folders


def collect_folders(root, count):
    """The result tables of the folders of prepare_folders, in order; a
    folder without results raises with its index."""
    tables = []
    for index in range(count):
        path = os.path.join(root, "model-%04d" % index, RESULT_FILE)
        if not os.path.exists(path):
            raise SimulationError("model %d: no %s in %s (see its log)" % (index, RESULT_FILE, os.path.dirname(path)),
                                  None, index)
        tables.append(read_data(path))
    return tables
