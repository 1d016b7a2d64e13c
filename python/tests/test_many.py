import os
import subprocess
import time

import pandas as pd
import pytest

import telmkorvis
from telmkorvis import Model, SimulationError, collect_folders, prepare_folders, simulate, simulate_many

SCRIPTS = os.path.join(os.path.dirname(telmkorvis.__file__), "scripts")


def _models(count):
    return [Model(100.0, layers=[(300.0, 4.0)], dens=1).add_rectangle(-30 + 6 * i, 6, -20 + 6 * i, 16, 10.0, 5.0)
            for i in range(count)]


def test_local_pool_and_serial_agree_in_order(programs, small_survey):
    models = _models(4)
    serial = [simulate(m, small_survey, ip=True) for m in models]
    pooled = simulate_many(models, small_survey, ip=True, workers=2)
    for a, b in zip(serial, pooled):
        pd.testing.assert_frame_equal(a, b)


def test_dask_local_cluster_gives_the_serial_tables(programs, small_survey):
    distributed = pytest.importorskip("distributed")
    models = _models(6)
    start = time.time()
    serial = simulate_many(models, small_survey, workers=1, noise_rel=0.02, noise_abs=1e-4, seed=3)
    took = time.time() - start
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        start = time.time()
        clustered = simulate_many(models, small_survey, client=client, noise_rel=0.02, noise_abs=1e-4, seed=3)
        print("serial %.2f s, cluster %.2f s" % (took, time.time() - start))
        for a, b in zip(serial, clustered):
            pd.testing.assert_frame_equal(a, b)
        # A failed model names its index.
        bad = _models(3)
        bad[1] = Model(100.0, extent=(-10, 10, 5))
        with pytest.raises(SimulationError) as e:
            simulate_many(bad, small_survey, client=client)
        assert str(e.value).startswith("model 1: telm: ") and e.value.index == 1


def test_a_failed_model_names_its_index_locally(programs, small_survey):
    bad = _models(3)
    bad[2] = Model(100.0, extent=(-10, 10, 5))
    with pytest.raises(SimulationError) as e:
        simulate_many(bad, small_survey, workers=2)
    assert str(e.value).startswith("model 2: telm: ") and "(exit status 2)" in str(e.value)


def test_job_array_task_script_on_one_folder_per_model(programs, small_survey, tmp_path):
    models = _models(2)
    root = str(tmp_path)
    prepare_folders(models, small_survey, root, ip=True, noise_rel=0.01, noise_abs=0.0, seed=5)
    env = dict(os.environ, TELMKORVIS_BIN=os.path.dirname(programs["telm"]))
    for task in range(2):
        # What array.sbatch runs for task `task`.
        subprocess.run(["sh", os.path.join(SCRIPTS, "run_folder.sh"), os.path.join(root, "model-%04d" % task)],
                       env=env, check=True)
    tables = collect_folders(root, 2)
    for model, table in zip(models, tables):
        pd.testing.assert_frame_equal(table, simulate(model, small_survey, ip=True, noise_rel=0.01, seed=5))
    with pytest.raises(SimulationError, match="model 2: no survey-data.dat"):
        collect_folders(root, 3)
    failed = subprocess.run(["sh", os.path.join(SCRIPTS, "run_folder.sh"), str(tmp_path / "missing")],
                            env=env, capture_output=True)
    assert failed.returncode != 0
