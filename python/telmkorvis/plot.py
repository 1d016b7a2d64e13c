"""Pictures with matplotlib: pseudosections of a result table and the model.

Pseudosections follow the conventions of the `section` program: each datum
at the midpoint of its configuration (halfway between the centre of the
current electrodes and that of the potential electrodes, electrodes at
infinity left out) and at its median depth of investigation over a
homogeneous half-space (the depth above which half the signal arises);
resistivity on a logarithmic colour scale with a diverging map (blue low,
red high), chargeability and other quantities on a linear scale. A datum
with no finite median depth (a pole-pole) or below the surface is drawn at
the mean depth of its electrodes.
"""

import math

import numpy as np

_MAPS = {"rhoa": "RdYlBu_r", "ip": "viridis"}


def _pairs(row):
    """(sign, xi, zi, xj, zj) of the current-potential pairs of one datum
    (depth positive down)."""
    out = []
    for c, cs in (("a", 1.0), ("b", -1.0)):
        for p, ps in (("m", 1.0), ("n", -1.0)):
            if row[c] != 0 and row[p] != 0:
                out.append((cs * ps, row["x" + c], -row["z" + c], row["x" + p], -row["z" + p]))
    return out


def median_depth(row):
    """The median depth of investigation of one surface datum, or NaN."""
    pairs = _pairs(row)
    if any(zi != 0 or zj != 0 for _, _, zi, _, zj in pairs):
        return math.nan
    lengths = [(s, abs(xi - xj)) for s, xi, _, xj, _ in pairs]
    total = sum(s / length for s, length in lengths)
    if total == 0 or any(length == 0 for _, length in lengths):
        return math.nan

    def above(z):
        return 1.0 - sum(s / math.sqrt(length * length + 4 * z * z) for s, length in lengths) / total

    hi = max(length for _, length in lengths)
    for _ in range(60):
        if above(hi) >= 0.5:
            break
        hi *= 2
    else:
        return math.nan
    lo = 0.0
    for _ in range(80):
        mid = 0.5 * (lo + hi)
        if above(mid) < 0.5:
            lo = mid
        else:
            hi = mid
    return 0.5 * (lo + hi)


def positions(table):
    """(x, depth) of every datum as the pseudosection draws it."""
    xs, zs = [], []
    for _, row in table.iterrows():
        cur = [(row["x" + c], -row["z" + c]) for c in "ab" if row[c] != 0]
        pot = [(row["x" + c], -row["z" + c]) for c in "mn" if row[c] != 0]
        x = 0.5 * (np.mean([p[0] for p in cur]) + np.mean([p[0] for p in pot]))
        z = median_depth(row)
        if math.isnan(z):
            z = float(np.mean([p[1] for p in cur + pot]))
        xs.append(x)
        zs.append(z)
    return np.array(xs), np.array(zs)


def pseudosection(table, column="rhoa", ax=None, title=None, cmap=None, log=None, norm=None):
    """Draws `column` of a result table as a pseudosection; returns the axes.
    `norm` (a matplotlib Normalize) replaces the automatic colour scale."""
    import matplotlib.pyplot as plt
    from matplotlib.colors import LogNorm, Normalize

    if ax is None:
        _, ax = plt.subplots(figsize=(9, 4))
    x, z = positions(table)
    values = table[column].to_numpy(dtype=float)
    if log is None:
        log = column in ("rhoa", "r") and bool((values > 0).all())
    if norm is None:
        norm = LogNorm(values.min(), values.max()) if log else Normalize(values.min(), values.max())
    cmap = cmap or _MAPS.get(column, "RdYlBu_r" if log else "viridis")
    size = min(120.0, max(4.0, 30000.0 / max(len(values), 1)))
    drawn = ax.scatter(x, z, c=values, cmap=cmap, norm=norm, s=size, marker="s", linewidths=0)
    ax.set_ylim(max(z.max() * 1.08, 1e-9), min(0.0, z.min()))
    ax.set_xlabel("x (m)")
    ax.set_ylabel("pseudo-depth (m)")
    ax.set_title(title or column)
    label = {"rhoa": "apparent resistivity (ohm-m)", "ip": "apparent chargeability (%)"}.get(column, column)
    ax.figure.colorbar(drawn, ax=ax, label=label)
    return ax


def plot_model(model, ax=None, survey=None, column="resistivity"):
    """The model's bodies coloured by resistivity (log) or chargeability,
    numbered as in the model file, with the electrodes on top."""
    import matplotlib.pyplot as plt
    from matplotlib.cm import ScalarMappable
    from matplotlib.colors import LogNorm, Normalize
    from matplotlib.patches import Polygon as Patch

    if ax is None:
        _, ax = plt.subplots(figsize=(9, 4))
    layout = model.layout(survey.model_points() if survey is not None else ())
    values = [b.resistivity if column == "resistivity" else b.chargeability for b in layout.bodies]
    lo, hi = min(values), max(values)
    if hi == lo:
        hi = lo * 1.01 + 1e-9
    if column == "resistivity":
        norm, cmap = LogNorm(lo, hi), plt.get_cmap("RdYlBu_r")
    else:
        norm, cmap = Normalize(lo, hi), plt.get_cmap("viridis")
    for number, (body, v) in enumerate(zip(layout.bodies, values), 1):
        pts = [layout.vertices[i - 1] for i in body.outline]
        ax.add_patch(Patch(pts, closed=True, facecolor=cmap(norm(v)), edgecolor="k", linewidth=0.6))
        c = body.polygon.representative_point()
        ax.annotate(str(number), (c.x, c.y), ha="center", va="center", fontsize=7)
    xmin, xmax, zmax = layout.extent
    # The highest ground, and the electrodes standing on relief (as the
    # programs place them with --drape).
    ztop = min(0.0, min(z for _, z in layout.vertices))
    if survey is not None:
        ex = [x for x, _ in survey.electrodes]
        ez = [-z if model.surface is None or z != 0 else model.surface_depth(x) for x, z in survey.electrodes]
        ax.plot(ex, ez, "kv", markersize=3)
        width = max(ex) - min(ex)
        focus = (min(ex) - 0.25 * width, max(ex) + 0.25 * width, min(zmax, 0.6 * width))
    else:
        focus = (xmin, xmax, zmax)
    ax.set_xlim(focus[0], focus[1])
    ax.set_ylim(focus[2], ztop - 0.05 * (focus[2] - ztop) if ztop < 0 else 0)
    ax.set_xlabel("x (m)")
    ax.set_ylabel("depth (m)")
    ax.set_aspect("equal", adjustable="box")
    label = "resistivity (ohm-m)" if column == "resistivity" else "chargeability (%)"
    ax.figure.colorbar(ScalarMappable(norm=norm, cmap=cmap), ax=ax, label=label)
    return ax
