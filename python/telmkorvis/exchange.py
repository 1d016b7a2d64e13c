"""Exchange with inversion packages: the general-array .dat format of the
common 2D inversion programs (with IP) and the protocol.dat of the R2
family, written and read back. The unified data format is read and written
by survey.read_data and survey.write_data.
"""

import math

import pandas as pd

from .errors import SurveyError


def write_general_array(path, table, value="rhoa", title="telmkorvis data", spacing=None,
                        ip_unit="mV/V", ip_times=(0.12, 0.26)):
    """The general-array .dat file (type 11) of a result table: electrodes
    A B M N as x and elevation (left out at infinity), then `value` (rhoa as
    apparent resistivity, or r as resistance in ohms), then the chargeability
    when the table has `ip` (percent written as mV/V, 10 mV/V a percent)."""
    if value not in ("rhoa", "r"):
        raise ValueError("value is 'rhoa' or 'r'")
    ip = "ip" in table.columns
    if spacing is None:
        xs = sorted(set(float(v) for c in "abmn" for v in table["x" + c] if not math.isnan(v)))
        steps = [b - a for a, b in zip(xs, xs[1:]) if b - a > 0]
        spacing = min(steps) if steps else 1.0
    lines = [title, "%g" % spacing, "11", "0", "Type of measurement (0=app. resistivity,1=resistance)",
             "0" if value == "rhoa" else "1", "%d" % len(table), "0", "1" if ip else "0"]
    if ip:
        lines += ["Chargeability", ip_unit, "%g,%g" % ip_times]
    for _, row in table.iterrows():
        points = [(row["x" + c], row["z" + c]) for c in "abmn" if row[c] != 0]
        fields = ["%d" % len(points)] + ["%.10g %.10g" % (x, z + 0.0) for x, z in points]
        fields.append("%.7g" % row[value])
        if ip:
            fields.append("%.7g" % (row["ip"] * 10.0 if ip_unit == "mV/V" else row["ip"]))
        lines.append(" ".join(fields))
    lines += ["0", "0,0,0,0"]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return path


def read_general_array(path):
    """A general-array .dat file (type 11) as a table of electrode
    coordinates (xa za xb zb xm zm xn zn; NaN where left out: B, then N) and
    `rhoa` or `r` (and `ip` in percent when present)."""
    with open(path) as f:
        rows = [line.strip() for line in f if line.strip() and not line.lstrip().startswith(";")]
    try:
        kind = int(rows[2].split()[0])
        if kind != 11:
            raise SurveyError("%s: only the general array (type 11) is read, not type %d" % (path, kind))
        resistance = int(rows[5].split()[0].rstrip(",")) == 1
        count = int(rows[6].split()[0])
        has_ip = int(rows[8].split()[0]) == 1
        unit = rows[10] if has_ip else ""
        first = 12 if has_ip else 9
        out = []
        for line in rows[first:first + count]:
            v = [float(t) for t in line.replace(",", " ").split()]
            n = int(v[0])
            coords = v[1:1 + 2 * n]
            rest = v[1 + 2 * n:]
            pts = [(coords[2 * i], coords[2 * i + 1]) for i in range(n)]
            # A, M always; B and N when the array has them (3: B at infinity, 2: B and N).
            order = {4: "abmn", 3: "amn", 2: "am"}[n]
            row = {}
            for c in "abmn":
                x, z = pts[order.index(c)] if c in order else (math.nan, math.nan)
                row["x" + c], row["z" + c] = x, z
            row["r" if resistance else "rhoa"] = rest[0]
            if has_ip:
                row["ip"] = rest[1] / 10.0 if unit.lower().startswith("mv/v") else rest[1]
            out.append(row)
    except (IndexError, ValueError, KeyError) as e:
        raise SurveyError("%s: not a general-array .dat file (%s)" % (path, e)) from None
    return pd.DataFrame(out)


def write_protocol(path, table):
    """The R2 family's protocol.dat: the number of measurements, then per
    measurement its index, a b m n and the resistance r in ohms."""
    lines = ["%d" % len(table)]
    for i, (a, b, m, n, r) in enumerate(table[["a", "b", "m", "n", "r"]].itertuples(index=False, name=None), 1):
        lines.append("%d %d %d %d %d %.7g" % (i, a, b, m, n, r))
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return path


def read_protocol(path):
    """A protocol.dat as a table a b m n r."""
    with open(path) as f:
        rows = [line.split() for line in f if line.strip()]
    count = int(rows[0][0])
    if len(rows) - 1 < count:
        raise SurveyError("%s: %d measurements announced, %d present" % (path, count, len(rows) - 1))
    data = [[int(v) for v in row[1:5]] + [float(row[-1])] for row in rows[1:1 + count]]
    return pd.DataFrame(data, columns=["a", "b", "m", "n", "r"])
