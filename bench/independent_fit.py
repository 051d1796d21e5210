#!/usr/bin/python3
"""Our cuts-only fit against an optimiser of another design, on the same points.

The other optimiser: N cookbook peaking filters (48 kHz), centre, gain and Q free
(gain -20 dB up to the boost limit, 0 by default, Q 0.3 up to --max-q), placed greedily at
the largest excess and then moved together by scipy's bounded least squares on the raw
power mean, at whatever level suits it. Unrounded that is looser than the unit allows, a
bound the fit should approach; --rounded rounds its values as they would be typed into the
unit (whole hertz, tenths of a dB and of Q), as ours always are.

Both are judged alike: RMS at the best level over the passband, leaving out an
octave's 0.4 either side of each cancellation and, with --plays, where the speaker
has rolled off (6 dB below the median), which cuts can only reach by cutting the rest.

  build/release/bin/autotune_corpus_dump /tmp/corpus 3   # or 1: one position
  bench/independent_fit.py /tmp/corpus [--filters 10] [--plays] [--max-boost 6] [--rounded]

Needs python3-scipy (Debian).
"""
import argparse
import glob
import math
import re

import numpy as np
from scipy.optimize import least_squares

RATE = 48000.0


def peaking_db(f, fc, gain, q):
    a = 10 ** (gain / 40.0)
    w0 = 2 * np.pi * fc / RATE
    alpha = np.sin(w0) / (2 * q)
    z = np.exp(-1j * 2 * np.pi * f / RATE)
    num = (1 + alpha * a) - 2 * np.cos(w0) * z + (1 - alpha * a) * z * z
    den = (1 + alpha / a) - 2 * np.cos(w0) * z + (1 - alpha / a) * z * z
    return 20 * np.log10(np.abs(num / den))


def filters_db(f, p):
    out = np.zeros_like(f)
    for i in range(0, len(p), 3):
        out += peaking_db(f, 2 ** p[i], p[i + 1], p[i + 2])
    return out


def centred(x):
    return x - x.mean()


def rms(x):
    x = centred(x)
    return math.sqrt((x * x).mean())


def optimise(f, error, count, max_boost=0.0, max_q=10.0, rounded=False):
    params = []
    for _ in range(count):
        r = centred(error + filters_db(f, params))
        k = int(np.argmax(np.abs(r) if max_boost > 0 else r))
        if abs(r[k]) <= 0.2 or (max_boost <= 0 and r[k] <= 0.2):
            break
        params += [math.log2(f[k]), float(np.clip(-r[k], -20.0, max_boost)), min(2.0, max_q)]
    if not params:
        return error
    n = len(params) // 3
    lower = np.tile([math.log2(f[0]), -20.0, 0.3], n)
    upper = np.tile([math.log2(f[-1]), max(max_boost, 1e-6), max_q], n)
    start = np.clip(np.array(params), lower + 1e-9, upper - 1e-9)
    fit = least_squares(lambda p: centred(error + filters_db(f, p)), start,
                        bounds=(lower, upper), method="trf", max_nfev=400)
    best = fit.x.copy()
    if rounded:
        # As typed into the unit: whole hertz, tenths of a dB and of Q.
        for i in range(0, len(best), 3):
            best[i] = math.log2(max(1.0, round(2 ** best[i])))
            best[i + 1] = round(best[i + 1], 1)
            best[i + 2] = max(0.1, round(best[i + 2], 1))
    return error + filters_db(f, best)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dir")
    ap.add_argument("--filters", type=int, default=10)
    ap.add_argument("--plays", action="store_true")
    ap.add_argument("--max-boost", type=float, default=0.0,
                    help="the other's boost limit (dump ours with the same third argument)")
    ap.add_argument("--max-q", type=float, default=10.0)
    ap.add_argument("--rounded", action="store_true",
                    help="round the other's values to the unit's steps, as ours are")
    args = ap.parse_args()
    paths = sorted(glob.glob(args.dir + "/case*.txt"), key=lambda p: int(re.findall(r"\d+", p)[-1]))
    ours_all, other_all = [], []
    for path in paths:
        with open(path) as fh:
            head = fh.readline()
        m = re.search(r"# (.*) pass ([\d.]+) ([\d.]+)", head)
        name, low, high = m.group(1), float(m.group(2)), float(m.group(3))
        f, measured, target, near_null, ours = np.loadtxt(path, comments="#", usecols=range(5)).T
        error = measured - target
        inside = (f >= max(20, low)) & (f <= min(20000, high))
        keep = inside & (near_null == 0)
        if args.plays:
            keep &= error > np.median(error[inside]) - 6
        f, error, ours = f[keep], error[keep], ours[keep]
        other = optimise(f, error, args.filters, args.max_boost, args.max_q, args.rounded)
        ours_all.append(rms(error + ours))
        other_all.append(rms(other))
        print(f"{name:16s} before {rms(error):5.2f}  ours {ours_all[-1]:5.2f}  other {other_all[-1]:5.2f}")
    ours_all, other_all = np.array(ours_all), np.array(other_all)
    print(f"mean: ours {ours_all.mean():.3f} dB, other {other_all.mean():.3f} dB; "
          f"ours higher on {(ours_all > other_all + 1e-3).sum()} of {len(paths)} cases")


if __name__ == "__main__":
    main()
