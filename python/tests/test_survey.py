import math

import pytest

from telmkorvis import Survey, SurveyError, read_data, write_data


@pytest.mark.parametrize("scheme, count, first", [
    (lambda s: s.dipole_dipole(a=[1], n=[1, 2]), 7 + 6, (1, 2, 3, 4)),
    (lambda s: s.dipole_dipole(a=[2], n=[1]), 4, (1, 3, 5, 7)),
    (lambda s: s.wenner(a=[1, 2]), 7 + 4, (1, 4, 2, 3)),
    (lambda s: s.wenner(a=[1], kind="beta"), 7, (2, 1, 3, 4)),
    (lambda s: s.wenner(a=[1], kind="gamma"), 7, (1, 3, 2, 4)),
    (lambda s: s.schlumberger(a=[1], n=[2]), 5, (1, 6, 3, 4)),
    (lambda s: s.pole_dipole(a=[1], n=[1, 2]), 8 + 7, (1, 0, 2, 3)),
    (lambda s: s.pole_dipole(a=[1], n=[2], reverse=True), 7, (4, 0, 2, 1)),
    (lambda s: s.pole_pole(a=[1, 3]), 9 + 7, (1, 0, 2, 0)),
    (lambda s: s.gradient(a=1, s=3), 5 * 3, (1, 6, 2, 3)),
])
def test_schemes_on_a_line_of_ten(scheme, count, first):
    s = scheme(Survey.line(10, 5.0))
    assert len(s) == count and s.data[0] == first
    # Every measurement within the line and no electrode twice.
    for q in s.data:
        used = [e for e in q if e]
        assert len(set(used)) == len(used) and max(used) <= 10


def test_repeated_schemes_add_no_duplicates():
    s = Survey.line(10, 5.0).wenner(a=[1]).wenner(a=[1]).dipole_dipole(a=[1], n=[1]).wenner(a=[1], kind="beta")
    # Beta is dipole-dipole n = 1 with A and B swapped: kept, as its own datum.
    assert len(s) == 21


def test_boreholes_and_cross_hole():
    s = Survey.line(4, 5.0)
    left = s.add_borehole(-10.0, 5, 2.0)
    right = s.add_borehole(30.0, 5, 2.0, top=1.0)
    assert left == [5, 6, 7, 8, 9] and s.electrodes[4] == (-10.0, -2.0) and s.electrodes[9] == (30.0, -1.0)
    s.cross_hole(left, right)
    assert len(s) == 2 * 4 * 4 and s.data[0] == (5, 6, 10, 11)
    assert s.surface() == [1, 2, 3, 4]


@pytest.mark.parametrize("make, message", [
    (lambda: Survey.line(1, 5.0), "at least 2 electrodes"),
    (lambda: Survey.line(5, 5.0).add([(1, 2, 3, 9)]), "needs four electrode numbers from 0 to 5"),
    (lambda: Survey.line(5, 5.0).wenner(kind="delta"), "alpha, beta or gamma"),
])
def test_bad_surveys_are_refused(make, message):
    with pytest.raises(SurveyError) as e:
        make()
    assert message in str(e.value)


def test_unified_format_round_trip(tmp_path):
    s = Survey.line(8, 2.5, start=-8.75).pole_dipole(a=[1], n=[1, 2])
    s.add_borehole(0.3, 2, 1.5)
    path = str(tmp_path / "s.dat")
    s.write(path)
    back = Survey.read(path)
    assert back.electrodes == s.electrodes and back.data == s.data
    table = s.table()
    assert math.isnan(table.loc[0, "xb"]) and table.loc[0, "xa"] == -8.75
    table["rhoa"] = [100.0 + i / 3 for i in range(len(table))]
    write_data(str(tmp_path / "d.dat"), s.electrodes, table)
    again = read_data(str(tmp_path / "d.dat"))
    assert list(again.columns) == list(table.columns)
    assert (again["rhoa"] - table["rhoa"]).abs().max() < 1e-4


def test_reading_names_the_line(tmp_path):
    path = tmp_path / "bad.dat"
    path.write_text("2\n# x z\n0 0\n5 0\n1\n# a b m n\n1 2 3\n")
    with pytest.raises(SurveyError) as e:
        read_data(str(path))
    assert str(e.value) == "%s, line 7: expected 1 data lines with the columns a b m n" % path
