"""Reproducible Gaussian noise, the same numbers as ``korvis --noise``.

The resistance r of each datum gets an error of standard deviation
``sd = noise_rel * |r| + noise_abs`` (ohms); ``u = r`` (1 A) and
``rhoa = k * r`` follow; ``ip`` is left alone. ``err = sd / |r|`` (0 where r
is 0). r and k are taken as the noise-free result file writes them, with 7
significant digits, so noise added here to a noise-free table and noise
added by ``korvis --survey FILE --noise REL,ABS --seed N`` are equal.

The generator: splitmix64 from the seed; per draw two uniforms
``(bits >> 11) * 2**-52 - 1``; Marsaglia's polar method (reject
``s = u*u + v*v`` outside (0, 1)) yields ``u*f`` and then ``v*f`` with
``f = sqrt(-2 ln(s) / s)``; one normal per datum in order. The logarithm is
a fixed series of correctly rounded operations, so every platform gives the
same bits.
"""

import math

_MASK = (1 << 64) - 1
_LN2 = 0.69314718055994530942
_SQRT_HALF = 0.70710678118654752440


def portable_log(x):
    """ln(x) for x > 0 with + - * / only (identical to korvis's)."""
    m, e = math.frexp(x)
    if m < _SQRT_HALF:
        m *= 2.0
        e -= 1
    t = (m - 1.0) / (m + 1.0)
    t2 = t * t
    total = 0.0
    for k in range(27, 0, -2):
        total = total * t2 + 1.0 / float(k)
    return float(e) * _LN2 + 2.0 * t * total


class NormalStream:
    """Standard normal numbers from a 64-bit seed."""

    def __init__(self, seed=0):
        seed = int(seed)
        if not 0 <= seed <= _MASK:
            raise ValueError("seed must be a whole number from 0 to 2**64 - 1")
        self._state = seed
        self._spare = None

    def _bits(self):
        self._state = (self._state + 0x9E3779B97F4A7C15) & _MASK
        z = self._state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & _MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & _MASK
        return z ^ (z >> 31)

    def next(self):
        if self._spare is not None:
            value, self._spare = self._spare, None
            return value
        step = 2.0 ** -52
        while True:
            u = float(self._bits() >> 11) * step - 1.0
            v = float(self._bits() >> 11) * step - 1.0
            s = u * u + v * v
            if s <= 0.0 or s >= 1.0:
                continue
            f = math.sqrt(-2.0 * portable_log(s) / s)
            self._spare = v * f
            return u * f

    def draw(self, count):
        return [self.next() for _ in range(count)]


def as_written(value):
    """The value as a result file writes it (7 significant digits)."""
    return float("%.7g" % value)


def add_noise(table, noise_rel, noise_abs, seed=0):
    """A copy of a noise-free table (columns k, r; u, rhoa if present) with
    noisy r, u, rhoa and the column err, as ``korvis --noise`` writes them."""
    if not (noise_rel >= 0 and noise_abs >= 0) or not math.isfinite(noise_rel + noise_abs):
        raise ValueError("noise_rel and noise_abs must be finite numbers >= 0")
    out = table.copy()
    stream = NormalStream(seed)
    noisy, err, rhoa = [], [], []
    for k, r in zip(out["k"], out["r"]):
        clean = as_written(float(r))
        sd = noise_rel * abs(clean) + noise_abs
        value = clean + sd * stream.next()
        noisy.append(value)
        rhoa.append(as_written(float(k)) * value)
        err.append(sd / abs(clean) if clean != 0.0 else 0.0)
    out["r"] = noisy
    if "u" in out:
        out["u"] = noisy
    out["rhoa"] = rhoa
    out["err"] = err
    return out
