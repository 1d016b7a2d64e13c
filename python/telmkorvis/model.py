"""Models from shapes: a ground of layers over a half-space and shapes added
in order, turned into the polygon model file the programs read.

Coordinates are those of the model file: x along the profile, z the depth
(positive down, 0 at the datum, the ground surface of a flat model),
metres. Relief is a surface profile of (x, elevation) points, elevation up
positive: the ground is the part of the model below it (level beyond its
ends), the first layer reaches up to it, and shapes are cut at it. A later shape overrides
earlier ones where they overlap. The partition into bodies is a polygon
overlay; a body that would have a hole (a shape wholly inside another body)
is cut by vertical lines through its holes, since an outline has none; a
body of more than 40 vertices is cut in two until none is. Every vertex of
any body that lies on a side of another is listed in both outlines, every
outline runs clockwise with z down (its surface side towards larger x) and
starts at its top-left vertex, and the bodies are numbered with the one
under the left end of the ground surface first, then the others under the
surface from left to right, then the rest by depth of their top and x.
"""

import math

from shapely.geometry import LineString, MultiPolygon, Polygon, box
from shapely.geometry.polygon import orient
from shapely.ops import split

from .errors import ModelError

MAX_BODIES = 50
MAX_VERTICES = 100
MAX_OUTLINE = 40
SURFACE_BAND = 0.001


class Body:
    """One body of the model: its outline (vertex numbers, clockwise with z
    down), resistivity and chargeability."""

    def __init__(self, outline, resistivity, chargeability, polygon):
        self.outline = outline
        self.resistivity = resistivity
        self.chargeability = chargeability
        self.polygon = polygon

    def __repr__(self):
        return "Body(outline=%r, resistivity=%g, chargeability=%g)" % (
            self.outline, self.resistivity, self.chargeability)


class Layout:
    """The numbered model: vertices (x, z) and bodies, ready to be written."""

    def __init__(self, vertices, bodies, extent):
        self.vertices = vertices
        self.bodies = bodies
        self.extent = extent

    def text(self, title1, title2, ip, dens):
        """The model file's text for mesh preparation (keyRun = -1)."""
        lines = [title1[:75], title2[:75],
                 "%d %d %d %s -1          nT, nP, keyIP, dens, keyRun" % (
                     len(self.bodies), len(self.vertices), 1 if ip else 0, _number(dens))]
        for i, b in enumerate(self.bodies, 1):
            lines.append("%s %s %d          body %d" % (
                _number(b.resistivity), _number(b.chargeability if ip else 0.0), len(b.outline), i))
            lines.append(" ".join(str(v) for v in b.outline))
        for j, (x, z) in enumerate(self.vertices, 1):
            lines.append("%s %s          vertex %d" % (_number(x), _number(z), j))
        return "\n".join(lines) + "\n"


def _number(v):
    v = float(v)
    if v == 0.0:
        return "0"
    return repr(v)


class Model:
    """A 2D earth built from shapes.

    Model(resistivity=100, chargeability=0, layers=[(500, 10), ...]):
    the half-space under the layers, and the layers from the surface down,
    each (resistivity, thickness) or (resistivity, thickness, chargeability).
    """

    def __init__(self, resistivity=100.0, chargeability=0.0, layers=(), extent=None,
                 dens=4.0, title="Model built from shapes", surface=None):
        _check_properties(resistivity, chargeability)
        self.surface = None
        if surface is not None:
            points = sorted((float(x), float(z)) for x, z in surface)
            if len(points) < 2 or any(b[0] <= a[0] for a, b in zip(points, points[1:])):
                raise ModelError("the surface profile needs two or more points of distinct x")
            self.surface = points
        self.resistivity = float(resistivity)
        self.chargeability = float(chargeability)
        self.layers = []
        for layer in layers:
            rho, thickness = float(layer[0]), float(layer[1])
            eta = float(layer[2]) if len(layer) > 2 else 0.0
            _check_properties(rho, eta)
            if not thickness > 0:
                raise ModelError("a layer's thickness must be > 0, not %g" % thickness)
            self.layers.append((rho, thickness, eta))
        self.shapes = []  # (kind, polygon coordinates, resistivity, chargeability)
        self.extent = None if extent is None else tuple(float(v) for v in extent)
        self.dens = float(dens)
        self.title = title

    # Shapes -----------------------------------------------------------------

    def add_polygon(self, points, resistivity, chargeability=0.0):
        """A polygon of (x, z) points (any orientation)."""
        _check_properties(resistivity, chargeability)
        points = [(float(x), float(z)) for x, z in points]
        shape = Polygon(points)
        if len(points) < 3 or not shape.is_valid or shape.area <= 0:
            raise ModelError("the polygon %r is not a simple polygon with an area" % (points,))
        self.shapes.append(("polygon", points, float(resistivity), float(chargeability)))
        return self

    def add_rectangle(self, x1, z1, x2, z2, resistivity, chargeability=0.0):
        """The rectangle between the corners (x1, z1) and (x2, z2)."""
        self.add_polygon([(x1, z1), (x2, z1), (x2, z2), (x1, z2)], resistivity, chargeability)
        self.shapes[-1] = ("rectangle",) + self.shapes[-1][1:]
        return self

    def add_circle(self, x, z, radius, resistivity, chargeability=0.0, sides=16):
        """A circle as a regular polygon of `sides` corners on the circle."""
        if sides < 3 or not radius > 0:
            raise ModelError("a circle needs a radius > 0 and at least 3 sides")
        points = [(x + radius * math.cos(2 * math.pi * i / sides),
                   z + radius * math.sin(2 * math.pi * i / sides)) for i in range(sides)]
        self.add_polygon(points, resistivity, chargeability)
        self.shapes[-1] = ("circle",) + self.shapes[-1][1:]
        return self

    def add_dyke(self, x, z, width, dip, depth_extent, resistivity, chargeability=0.0):
        """A dipping dyke: top centre (x, z), horizontal width at the top, dip
        in degrees from the horizontal (90 vertical; below 90 it goes down
        towards larger x, above 90 towards smaller x), vertical extent."""
        if not 0 < dip < 180:
            raise ModelError("the dip must lie between 0 and 180 degrees, not %g" % dip)
        shift = depth_extent / math.tan(math.radians(dip)) if dip != 90 else 0.0
        h = width / 2.0
        self.add_polygon([(x - h, z), (x + h, z), (x + h + shift, z + depth_extent),
                          (x - h + shift, z + depth_extent)], resistivity, chargeability)
        self.shapes[-1] = ("dyke",) + self.shapes[-1][1:]
        return self

    # The partition -----------------------------------------------------------

    def model_extent(self, electrodes=()):
        """(xmin, xmax, zmax) of the model. Unless given: W is the width
        spanned by the electrodes and the shapes (at least 1 m and at least
        the deepest of them); the model reaches 2 W beyond both ends and
        down to the larger of W and twice the deepest shape, layer base or
        electrode."""
        if self.extent is not None:
            return self.extent
        xs = [x for x, _ in electrodes]
        zs = [z for _, z in electrodes]
        for _, points, _, _ in self.shapes:
            xs += [p[0] for p in points]
            zs += [p[1] for p in points]
        depth = sum(t for _, t, _ in self.layers)
        if self.surface is not None:
            xs += [x for x, _ in self.surface]
            depth += max(max(z for _, z in self.surface), 0.0)
        deepest = max(zs + [depth, 0.0])
        if not xs:
            xs = [0.0]
        width = max(max(xs) - min(xs), 1.0, deepest)
        return (min(xs) - 2 * width, max(xs) + 2 * width, max(width, 2 * deepest))

    def regions(self, electrodes=()):
        """The overlay: a list of (polygon, resistivity, chargeability)."""
        xmin, xmax, zmax = self.model_extent(electrodes)
        if not (xmax > xmin and zmax > 0):
            raise ModelError("the model's extent %r is empty" % ((xmin, xmax, zmax),))
        domain = self._ground(xmin, xmax, zmax)
        pieces = []
        # Layer bases lie at their depths below the datum; the first layer
        # reaches up to the highest ground.
        top, base = min(domain.bounds[1], 0.0), 0.0
        for rho, thickness, eta in self.layers:
            base += thickness
            bottom = min(base, zmax)
            if bottom > top:
                pieces.append((box(xmin, top, xmax, bottom), rho, eta))
            top = max(top, bottom)
        if top < zmax:
            pieces.append((box(xmin, top, xmax, zmax), self.resistivity, self.chargeability))
        for _, points, rho, eta in self.shapes:
            shape = Polygon(points).intersection(domain)
            if shape.is_empty or shape.area <= 0:
                continue
            pieces = [(p.difference(shape), r, e) for p, r, e in pieces]
            pieces.append((shape, rho, eta))
        pieces = [(p.intersection(domain), r, e) for p, r, e in pieces]
        out = []
        for geometry, rho, eta in pieces:
            for p in _polygons(geometry):
                for q in _without_holes(p):
                    out.append((q, rho, eta))
        return out

    def _ground(self, xmin, xmax, zmax):
        """The ground: the box below z = 0, or below the surface profile
        (depth = -elevation) run on level beyond its ends."""
        if self.surface is None:
            return box(xmin, 0.0, xmax, zmax)
        line = [(x, -z) for x, z in self.surface if xmin < x < xmax]
        left, right = self.surface_depth(xmin), self.surface_depth(xmax)
        top = [(xmin, left)] + line + [(xmax, right)]
        if max(z for _, z in top) >= zmax:
            raise ModelError("the surface profile reaches the model's base at %g m" % zmax)
        return Polygon(top + [(xmax, zmax), (xmin, zmax)])

    def surface_depth(self, x):
        """The depth of the ground surface at x (0 without relief)."""
        if self.surface is None:
            return 0.0
        pts = self.surface
        if x <= pts[0][0]:
            return -pts[0][1]
        if x >= pts[-1][0]:
            return -pts[-1][1]
        for (x0, z0), (x1, z1) in zip(pts, pts[1:]):
            if x0 <= x <= x1:
                return -(z0 + (z1 - z0) * (x - x0) / (x1 - x0))
        return 0.0

    def layout(self, electrodes=()):
        """The numbered vertices and bodies (see the module's description)."""
        extent = self.model_extent(electrodes)
        size = max(extent[1] - extent[0], extent[2])
        tol = max(1e-3, 1e-6 * size)
        polys = [(orient(p, 1.0), r, e) for p, r, e in self.regions(electrodes)]
        polys = [(p, r, e) for p, r, e in polys if p.area > tol * tol]
        # One vertex for every cluster of points closer than the tolerance.
        points = []
        for p, _, _ in polys:
            for c in list(p.exterior.coords)[:-1]:
                points.append(_snap(c, points, tol))
        bodies = []
        for p, r, e in polys:
            ring = _outline(p, points, tol)
            if len(ring) >= 3:
                bodies.append((ring, r, e))
        # Long outlines are cut until every one fits.
        cut = []
        while bodies:
            ring, r, e = bodies.pop()
            if len(ring) <= MAX_OUTLINE:
                cut.append((ring, r, e))
                continue
            xs = sorted(x for x, _ in ring)
            x = 0.5 * (xs[len(xs) // 2 - 1] + xs[len(xs) // 2])
            for half in _cut_vertical(Polygon(ring), x):
                c = [_snap(pt, points, tol) for pt in list(orient(half, 1.0).exterior.coords)[:-1]]
                bodies.append((c, r, e))
            bodies = [(_outline(Polygon(b[0]), points, tol), b[1], b[2]) for b in bodies]
        cut = [(_outline(Polygon(ring), points, tol), r, e) for ring, r, e in cut]
        ordered = sorted(cut, key=lambda body: _body_order(body, self.surface_depth, tol))
        if len(ordered) > MAX_BODIES:
            raise ModelError("the shapes make %d bodies; the programs take at most %d: use fewer "
                             "or simpler shapes" % (len(ordered), MAX_BODIES))
        numbers, vertices, out = {}, [], []
        for ring, r, e in ordered:
            start = min(range(len(ring)), key=lambda i: (ring[i][1], ring[i][0]))
            ring = ring[start:] + ring[:start]
            outline = []
            for pt in ring:
                if pt not in numbers:
                    numbers[pt] = len(vertices) + 1
                    vertices.append(pt)
                outline.append(numbers[pt])
            out.append(Body(outline, r, e, Polygon(ring)))
        if len(vertices) > MAX_VERTICES:
            raise ModelError("the shapes make %d vertices; the programs take at most %d: use fewer "
                             "shapes or circles with fewer sides" % (len(vertices), MAX_VERTICES))
        return Layout(vertices, out, extent)

    def text(self, electrodes=(), ip=False, dens=None):
        """The model file's text (keyRun = -1)."""
        layout = self.layout(electrodes)
        return layout.text(self.title, "%d bodies from %d shapes over %d layers" % (
            len(layout.bodies), len(self.shapes), len(self.layers)), ip,
            self.dens if dens is None else dens)

    def write(self, path, survey=None, ip=False, dens=None, programs=None):
        """Writes the model file after the programs' own checks passed on it
        (with the survey when given); raises ModelError with telm's message
        otherwise, and then writes nothing."""
        from .run import check_model
        electrodes = survey.model_points() if survey is not None else ()
        text = self.text(electrodes, ip=ip, dens=dens)
        check_model(text, survey, programs, drape=self.surface is not None)
        with open(path, "w") as f:
            f.write(text)
        return path

    def plot(self, ax=None, survey=None, column="resistivity"):
        """Draws the bodies coloured by resistivity (log scale) or
        chargeability, with their numbers; returns the axes."""
        from .plot import plot_model
        return plot_model(self, ax=ax, survey=survey, column=column)


def _check_properties(rho, eta):
    if not (math.isfinite(rho) and rho > 0):
        raise ModelError("a resistivity must be a number > 0, not %r" % (rho,))
    if not (math.isfinite(eta) and 0 <= eta < 100):
        raise ModelError("a chargeability must lie in [0, 100) percent, not %r" % (eta,))


def _polygons(geometry):
    if geometry.is_empty:
        return []
    if isinstance(geometry, Polygon):
        return [geometry]
    if isinstance(geometry, MultiPolygon):
        return list(geometry.geoms)
    if hasattr(geometry, "geoms"):
        return [g for g in geometry.geoms if isinstance(g, Polygon) and g.area > 0]
    return []


def _cut_vertical(polygon, x):
    _, zmin, _, zmax = polygon.bounds
    line = LineString([(x, zmin - 1.0), (x, zmax + 1.0)])
    return [g for g in split(polygon, line).geoms if isinstance(g, Polygon) and g.area > 0]


def _without_holes(polygon):
    """Pieces without holes: cut by a vertical line through a point inside
    each hole until none is left."""
    done, todo = [], [polygon]
    while todo:
        p = todo.pop()
        if not p.interiors:
            done.append(p)
            continue
        x = Polygon(p.interiors[0]).representative_point().x
        todo.extend(_cut_vertical(p, x))
    return done


def _snap(point, points, tol):
    for q in points:
        if abs(q[0] - point[0]) <= tol and abs(q[1] - point[1]) <= tol:
            return q
    # Points on the surface lie on it exactly.
    q = (float(point[0]), 0.0 if abs(point[1]) <= tol else float(point[1]))
    points.append(q)
    return q


def _outline(polygon, points, tol):
    """The outline through snapped vertices, with every vertex of `points`
    that lies on one of its sides inserted there (shared vertices)."""
    coords = [_snap(c, points, tol) for c in list(polygon.exterior.coords)[:-1]]
    ring = []
    for c in coords:
        if not ring or ring[-1] != c:
            ring.append(c)
    while len(ring) > 1 and ring[0] == ring[-1]:
        ring.pop()
    out = []
    for i, a in enumerate(ring):
        b = ring[(i + 1) % len(ring)]
        out.append(a)
        dx, dz = b[0] - a[0], b[1] - a[1]
        length2 = dx * dx + dz * dz
        if length2 == 0:
            continue
        between = []
        for q in points:
            if q == a or q == b:
                continue
            t = ((q[0] - a[0]) * dx + (q[1] - a[1]) * dz) / length2
            if t <= 0 or t >= 1:
                continue
            distance = abs((q[0] - a[0]) * dz - (q[1] - a[1]) * dx) / math.sqrt(length2)
            if distance <= tol:
                between.append((t, q))
        out.extend(q for _, q in sorted(between))
    # Drop a vertex that would be visited twice (a pinched outline).
    seen, ring = set(), []
    for q in out:
        if q not in seen:
            seen.add(q)
            ring.append(q)
    return ring


def _body_order(body, surface_depth, tol):
    ring = body[0]
    on_surface = [x for x, z in ring if abs(z - surface_depth(x)) <= tol]
    surface_side = len(on_surface) >= 2
    top = min(z for _, z in ring)
    left = min(x for x, _ in ring)
    if surface_side:
        return (0, min(on_surface), 0.0)
    return (1, top, left)
