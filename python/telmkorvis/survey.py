"""Surveys: electrodes and four-electrode measurements, and the unified
data format that the programs read and write.

Electrodes are (x, z) with z the elevation as in the survey file: 0 on the
surface, negative below (a borehole electrode 20 m deep has z = -20). The
measurements are (a, b, m, n) with 1-based electrode numbers and 0 for an
electrode at infinity. The schemes work on the surface electrodes in order
of x; their spacings and dipole lengths count electrode steps.
"""

import re

import pandas as pd

from .errors import SurveyError


class Survey:
    """Electrodes and measurements. Survey.line(48, 5.0, start=-117.5) or
    Survey([(x, z), ...]); schemes add measurements and return self."""

    def __init__(self, electrodes=(), data=(), topography=()):
        self.electrodes = [(float(x), float(z)) for x, z in electrodes]
        self.data = []
        self._seen = set()
        self.topography = [(float(x), float(z)) for x, z in topography]
        self.add(data)

    @classmethod
    def line(cls, count, spacing, start=0.0):
        """`count` surface electrodes every `spacing` m from x = start."""
        if count < 2 or not spacing > 0:
            raise SurveyError("a line needs at least 2 electrodes and a spacing > 0")
        return cls([(start + i * spacing, 0.0) for i in range(count)])

    @classmethod
    def from_coordinates(cls, points):
        """Electrodes at the given (x, z) points (z elevation, <= 0)."""
        return cls(points)

    def add_borehole(self, x, count, spacing, top=None):
        """`count` electrodes in a vertical hole at x, every `spacing` m from
        the depth `top` (default: one spacing) down; returns their numbers."""
        top = spacing if top is None else top
        first = len(self.electrodes) + 1
        self.electrodes += [(float(x), -(top + i * spacing)) for i in range(count)]
        return list(range(first, first + count))

    def add(self, data):
        """Adds (a, b, m, n) measurements, skipping ones already present."""
        count = len(self.electrodes)
        for d in data:
            q = tuple(int(v) for v in d)
            if len(q) != 4 or any(not 0 <= v <= count for v in q):
                raise SurveyError("measurement %r: needs four electrode numbers from 0 to %d" % (d, count))
            if q not in self._seen:
                self._seen.add(q)
                self.data.append(q)
        return self

    # Schemes -------------------------------------------------------------------

    def surface(self):
        """Numbers of the surface electrodes (z = 0) in order of x."""
        on = [i + 1 for i, (_, z) in enumerate(self.electrodes) if z == 0.0]
        return sorted(on, key=lambda i: self.electrodes[i - 1][0])

    def _each(self, span, make):
        line = self.surface()
        out = []
        for i in range(len(line) - span):
            out.append(make(lambda j: line[i + j]))
        return self.add(out)

    def dipole_dipole(self, a=(1,), n=range(1, 7)):
        """A B M N from left to right: AB = MN = a, gap n*a."""
        for aa in _list(a):
            for nn in _list(n):
                self._each(aa * (nn + 2), lambda e: (e(0), e(aa), e(aa * (nn + 1)), e(aa * (nn + 2))))
        return self

    def wenner(self, a=(1, 2, 3), kind="alpha"):
        """Wenner alpha (A M N B), beta (B A M N) or gamma (A M B N)."""
        order = {"alpha": (0, 3, 1, 2), "beta": (1, 0, 2, 3), "gamma": (0, 2, 1, 3)}
        if kind not in order:
            raise SurveyError("the Wenner kind is alpha, beta or gamma, not %r" % (kind,))
        pos = order[kind]
        for aa in _list(a):
            self._each(3 * aa, lambda e: tuple(e(p * aa) for p in pos))
        return self

    def schlumberger(self, a=(1,), n=range(1, 7)):
        """A M N B with MN = a and AM = NB = n*a."""
        for aa in _list(a):
            for nn in _list(n):
                self._each(aa * (2 * nn + 1), lambda e: (e(0), e(aa * (2 * nn + 1)), e(aa * nn), e(aa * (nn + 1))))
        return self

    def pole_dipole(self, a=(1,), n=range(1, 7), reverse=False):
        """A M N (B at infinity), A left of the dipole; reverse: N M A."""
        for aa in _list(a):
            for nn in _list(n):
                if reverse:
                    self._each(aa * (nn + 1), lambda e: (e(aa * (nn + 1)), 0, e(aa), e(0)))
                else:
                    self._each(aa * (nn + 1), lambda e: (e(0), 0, e(aa * nn), e(aa * (nn + 1))))
        return self

    def pole_pole(self, a=(1, 2, 3, 4)):
        """A M, with B and N at infinity."""
        for aa in _list(a):
            self._each(aa, lambda e: (e(0), 0, e(aa), 0))
        return self

    def gradient(self, a=1, s=7):
        """Multiple gradient: A and B (s + 2) * a apart, the dipoles of
        length a between them."""
        for aa in _list(a):
            for ss in _list(s):
                span = (ss + 2) * aa
                for k in range(1, ss + 1):
                    self._each(span, lambda e: (e(0), e(span), e(k * aa), e((k + 1) * aa)))
        return self

    def cross_hole(self, hole1, hole2, a=1):
        """A B in one hole and M N in the other (a steps apart in each), both
        ways round."""
        out = []
        for src, rec in ((hole1, hole2), (hole2, hole1)):
            for i in range(len(src) - a):
                for j in range(len(rec) - a):
                    out.append((src[i], src[i + a], rec[j], rec[j + a]))
        return self.add(out)

    # Tables and files -------------------------------------------------------------

    def model_points(self):
        """The electrodes as (x, depth) for the model's extent."""
        return [(x, -z) for x, z in self.electrodes]

    def table(self):
        """a b m n and the electrodes' coordinates (NaN at infinity)."""
        return _with_coordinates(pd.DataFrame(self.data, columns=list("abmn")), self.electrodes)

    def text(self):
        out = ["%d  # number of electrodes" % len(self.electrodes), "# x z"]
        out += ["%r %r" % (x + 0.0, z + 0.0) for x, z in self.electrodes]
        out += ["%d  # number of data" % len(self.data), "# a b m n"]
        out += ["%d %d %d %d" % d for d in self.data]
        if self.topography:
            out += ["%d  # number of topography points" % len(self.topography), "# x z"]
            out += ["%r %r" % p for p in self.topography]
        return "\n".join(out) + "\n"

    def write(self, path):
        if not self.data:
            raise SurveyError("the survey has no measurements: add a scheme first")
        with open(path, "w") as f:
            f.write(self.text())
        return path

    @classmethod
    def read(cls, path):
        electrodes, table, topography = read_data(path, with_electrodes=True)
        return cls(electrodes, table[list("abmn")].itertuples(index=False, name=None), topography)

    def __len__(self):
        return len(self.data)


def _list(v):
    return list(v) if hasattr(v, "__iter__") else [v]


def _with_coordinates(table, electrodes):
    for c in "abmn":
        xs, zs = [], []
        for e in table[c]:
            x, z = electrodes[e - 1] if e > 0 else (float("nan"), float("nan"))
            xs.append(x)
            zs.append(z)
        table["x" + c] = xs
        table["z" + c] = zs
    return table


_COUNT = re.compile(r"^\s*(\d+)")


def read_data(path, with_electrodes=False):
    """A file of the unified data format as a DataFrame (a b m n, the
    electrodes' coordinates, and every further column of the file); with
    with_electrodes also the electrodes and topography as lists."""
    with open(path) as f:
        lines = f.read().replace("\r\n", "\n").replace("\r", "\n").split("\n")

    def fail(i, what):
        raise SurveyError("%s, line %d: %s" % (path, i + 1, what))

    i = 0

    def next_line():
        nonlocal i
        while i < len(lines):
            text = lines[i].strip()
            i += 1
            if text and not text.startswith("#"):
                return text.split("#")[0].split()
        return None

    def tokens(kind):
        nonlocal i
        while i < len(lines) and not lines[i].strip():
            i += 1
        if i >= len(lines) or not lines[i].lstrip().startswith("#"):
            fail(min(i, len(lines) - 1), "expected the token line of the %s (# x z or # a b m n ...)" % kind)
        names = lines[i].lstrip()[1:].split()
        i += 1
        return [n.lower() for n in names]

    head = next_line()
    if not head or not head[0].isdigit():
        fail(i - 1, "expected the number of electrodes")
    count = int(head[0])
    names = tokens("electrodes")
    if "x" not in names:
        fail(i - 1, "the electrode tokens must name x")
    electrodes = []
    for _ in range(count):
        values = next_line()
        if values is None or len(values) < len(names):
            fail(i - 1, "expected %d electrode lines" % count)
        row = dict(zip(names, (float(v) for v in values)))
        electrodes.append((row["x"], row.get("z", 0.0)))
    head = next_line()
    if not head or not head[0].isdigit():
        fail(i - 1, "expected the number of data")
    ndata = int(head[0])
    names = tokens("data")
    if names[:4] != list("abmn"):
        fail(i - 1, "the data tokens must start with a b m n")
    rows = []
    for _ in range(ndata):
        values = next_line()
        if values is None or len(values) < len(names):
            fail(i - 1, "expected %d data lines with the columns %s" % (ndata, " ".join(names)))
        rows.append([int(v) for v in values[:4]] + [float(v) for v in values[4:len(names)]])
    topography = []
    head = next_line()
    if head and head[0].isdigit():
        points = int(head[0])
        while i < len(lines) and not lines[i].strip():
            i += 1
        if points and i < len(lines) and lines[i].lstrip().startswith("#"):
            i += 1
        for _ in range(points):
            values = next_line()
            if values is None:
                fail(len(lines) - 1, "expected %d topography lines" % points)
            topography.append((float(values[0]), float(values[1])))
    table = pd.DataFrame(rows, columns=names)
    for c in "abmn":
        if ((table[c] < 0) | (table[c] > count)).any():
            fail(i - 1, "an electrode number lies outside 0 to %d" % count)
    values = [c for c in names[4:]]
    table = _with_coordinates(table[list("abmn")].copy(), electrodes).join(table[values])
    if with_electrodes:
        return electrodes, table, topography
    return table


def write_data(path, electrodes, table, columns=None):
    """Writes electrodes and a table (a b m n and `columns`, by default every
    column that is not a coordinate) in the unified data format."""
    if columns is None:
        columns = [c for c in table.columns if c not in list("abmn") and not re.fullmatch(r"[xz][abmn]", c)]
    out = ["%d  # number of electrodes" % len(electrodes), "# x z"]
    out += ["%r %r" % (float(x) + 0.0, float(z) + 0.0) for x, z in electrodes]
    out += ["%d  # number of data" % len(table), "# " + " ".join(list("abmn") + list(columns))]
    for row in table[list("abmn") + list(columns)].itertuples(index=False, name=None):
        out.append(" ".join(["%d" % v for v in row[:4]] + ["%.7g" % v for v in row[4:]]))
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")
    return path
