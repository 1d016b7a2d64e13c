import math

import pandas as pd
import pytest

from telmkorvis import Survey, read_general_array, read_protocol, write_general_array, write_protocol


def _table(with_ip):
    s = Survey.line(8, 5.0).dipole_dipole(a=[1], n=[1]).pole_dipole(a=[1], n=[1]).pole_pole(a=[1])
    t = s.table()
    t["r"] = [0.5 + i / 7 for i in range(len(t))]
    t["rhoa"] = [100 + i for i in range(len(t))]
    if with_ip:
        t["ip"] = [1.5 + i / 10 for i in range(len(t))]
    return t


@pytest.mark.parametrize("with_ip, value", [(False, "rhoa"), (True, "rhoa"), (True, "r")])
def test_general_array_round_trip(tmp_path, with_ip, value):
    t = _table(with_ip)
    path = str(tmp_path / "g.dat")
    write_general_array(path, t, value=value)
    text = open(path).read().splitlines()
    assert text[2:4] == ["11", "0"] and text[6] == str(len(t)) and text[-2:] == ["0", "0,0,0,0"]
    assert text[8] == ("1" if with_ip else "0")
    back = read_general_array(path)
    assert len(back) == len(t)
    for c in ("xa", "xb", "xm", "xn", "za", "zm"):
        same = [(math.isnan(x) and math.isnan(y)) or x == y for x, y in zip(back[c], t[c])]
        assert all(same), c
    assert (back[value] - t[value]).abs().max() < 1e-5
    if with_ip:
        assert (back["ip"] - t["ip"]).abs().max() < 1e-6
    # Electrode counts per line: 4, 3 (B at infinity), 2 (B and N).
    counts = sorted({line.split()[0] for line in text[12 if with_ip else 9:-2]})
    assert counts == ["2", "3", "4"]


def test_protocol_round_trip(tmp_path):
    t = _table(False)
    path = str(tmp_path / "protocol.dat")
    write_protocol(path, t)
    lines = open(path).read().splitlines()
    assert lines[0] == str(len(t)) and lines[1] == "1 1 2 3 4 0.5"
    back = read_protocol(path)
    pd.testing.assert_frame_equal(back[["a", "b", "m", "n"]], t[["a", "b", "m", "n"]].astype(back["a"].dtype))
    assert (back["r"] - t["r"]).abs().max() < 1e-6
