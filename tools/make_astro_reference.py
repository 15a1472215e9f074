#!/usr/bin/python3
"""Independent reference numbers for the Sun and Moon tests.

Positions come from the Swiss Ephemeris' built-in Moshier theory (Debian
package swetest, option -emos: no data files), sidereal time from Skyfield
(python3-skyfield, IAU 2000A nutation). Neither shares code or tables with
astro/. The conventions match the program's: the Julian date is used as
dynamical time for the places and as UT1 for the Earth's rotation.

Rise and set instants use the program's geocentric definition (apparent
geocentric place, the observer's horizon, no refraction, thresholds
-50' for the Sun and minus the Moon's semidiameter at the search start): the
first crossing after the start, interpolated on a one-minute grid over 48 h.

Run:  /usr/bin/python3 tools/make_astro_reference.py tests/data/astro
Writes sun_moon_reference.csv and rise_set_reference.csv there.
"""
import csv
import math
import os
import subprocess
import sys

import numpy as np
from skyfield.api import load

TS = load.timescale(builtin=True)

# Places over six decades, at odd times of day.
POSITION_INSTANTS = [2446000.5 + k * 613.37 + (k * 0.137) % 1.0 for k in range(36)]

# (name, latitude, longitude, start JD)
RISE_SET_CASES = [
    ("paris", 48.85, 2.35, 2460676.5),          # 2025-01-01 00:00
    ("paris", 48.85, 2.35, 2460846.75),         # 2025-06-20 06:00, Sun up
    ("sydney", -33.87, 151.21, 2460492.25),     # 2024-06-30 18:00, Sun down
    ("quito", -0.18, -78.47, 2461000.6),        # 2025-11-20 02:24
    ("tromso", 69.65, 18.96, 2461100.5),        # 2026-02-28 00:00
    ("anchorage", 61.22, -149.9, 2461200.9),    # 2026-06-08 09:36
    ("svalbard", 78.22, 15.65, 2461212.5),      # 2026-06-21 00:00, polar day
    ("svalbard", 78.22, 15.65, 2461395.5),      # 2026-12-21 00:00, polar night
    ("svalbard", 78.22, 15.65, 2461119.5),      # 2026-03-20 00:00
]

SUN_THRESHOLD = -0.8333333333333334
MINUTES = 48 * 60


def swetest(body, jd, count=1, true_place=False):
    """(ra, dec, distance_km) rows of the apparent geocentric place, one a minute.
    The apparent place's distance carries the light-time correction; true_place
    gives the geometric one, which is what the program computes."""
    args = ["swetest", "-bj%.8f" % jd, "-p%d" % body, "-emos", "-fadw", "-head", "-g,"]
    if true_place:
        args.append("-true")
    if count > 1:
        args += ["-n%d" % count, "-s1m"]
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    rows = [[float(x) for x in line.split(",")] for line in out.strip().splitlines()]
    if len(rows) != count:
        raise RuntimeError("swetest gave %d rows, expected %d" % (len(rows), count))
    return np.array(rows)


def gast_deg(jd):
    return TS.ut1_jd(jd).gast * 15.0


def elevation(ra, dec, gast, lat, lon):
    h = np.radians(gast + lon - ra)
    phi = math.radians(lat)
    d = np.radians(dec)
    return np.degrees(np.arcsin(math.sin(phi) * np.sin(d) + math.cos(phi) * np.cos(d) * np.cos(h)))


def first_crossing(times, el, h0, rising):
    """Interpolated time of the first crossing of h0 after times[0], or None."""
    for i in range(len(el) - 1):
        a, b = el[i] - h0, el[i + 1] - h0
        if (rising and a < 0 <= b) or (not rising and a > 0 >= b):
            return times[i] + (times[i + 1] - times[i]) * a / (a - b)
    return None


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "sun_moon_reference.csv"), "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["jd", "gast_deg", "sun_ra_deg", "sun_dec_deg", "moon_ra_deg", "moon_dec_deg", "moon_dist_km"])
        for jd in POSITION_INSTANTS:
            sun = swetest(0, jd)[0]
            moon = swetest(1, jd)[0]
            moon_distance = swetest(1, jd, true_place=True)[0][2]
            w.writerow(["%.6f" % jd, "%.7f" % gast_deg(jd), "%.7f" % sun[0], "%.7f" % sun[1],
                        "%.7f" % moon[0], "%.7f" % moon[1], "%.3f" % moon_distance])

    with open(os.path.join(out_dir, "rise_set_reference.csv"), "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["site", "lat", "lon", "start_jd", "body", "rise_jd", "set_jd"])
        for name, lat, lon, start in RISE_SET_CASES:
            times = start + np.arange(MINUTES + 1) / 1440.0
            gast = gast_deg(times)
            for body, label in ((0, "sun"), (1, "moon")):
                pos = swetest(body, start, MINUTES + 1)
                el = elevation(pos[:, 0], pos[:, 1], gast, lat, lon)
                if body == 0:
                    h0 = SUN_THRESHOLD
                else:
                    distance = swetest(1, start, true_place=True)[0][2]
                    h0 = -0.5 * (358473400.0 / distance) / 3600.0
                rise = first_crossing(times, el, h0, True)
                set_ = first_crossing(times, el, h0, False)
                w.writerow([name, lat, lon, "%.6f" % start, label,
                            "" if rise is None else "%.8f" % rise,
                            "" if set_ is None else "%.8f" % set_])


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tests/data/astro")
