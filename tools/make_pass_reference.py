#!/usr/bin/python3
"""Independent reference passes for the pass-search tests.

Rise and set times come from Skyfield (Debian python3-skyfield:
EarthSatellite(...).find_events, geometric altitude above the WGS-84 horizon,
threshold 0 degrees, no refraction; and its generic find_discrete on the same
altitude for the passes find_events misses), which shares no code with the program:
its propagator is python-sgp4 and its frames are its own. For every pass it
also gives the highest altitude and the altitude at the midpoint between rise
and set (the program's "Max El" is the midpoint's).

Satellites: ISS, a second-generation Iridium and a sun-synchronous weather
satellite (CelesTrak, 2026-05-07), a Molniya (CelesTrak, 2022-02-04); four
days each from their elements' epoch, from Greenwich and from Sydney (both at
sea level, so the program's whole-kilometre site heights agree).

Run:  /usr/bin/python3 tools/make_pass_reference.py /work/shared/data/tle tests/data/catalogue
Writes pass_reference.tle (the element sets used) and pass_reference.csv, and copies the
fixtures of the flare and lunar-pass tests: iridium_2014.tle (the first-generation Iridium
sets of 2014-09-18, whose antennas flared) and lunar_passes.tle (satellites that cross the
Moon seen from Greenwich on 2026-05-08).
"""
import csv
import os
import sys

import numpy as np
from skyfield.api import EarthSatellite, load, wgs84
from skyfield.searchlib import find_discrete

TS = load.timescale(builtin=True)

SATELLITES = [  # (file, name, window start UTC)
    ("wellknown-2026-05-07.txt", "ISS (ZARYA)", (2026, 5, 7, 12)),
    ("wellknown-2026-05-07.txt", "IRIDIUM 106", (2026, 5, 7, 12)),
    ("wellknown-2026-05-07.txt", "NOAA 20 (JPSS-1)", (2026, 5, 7, 18)),  # sun-synchronous
    ("celestrak-molniya-2022-02-04.txt", "MOLNIYA 3-50", (2022, 2, 4, 0)),
]
DAYS = 4.0

LUNAR_SATELLITES = ["O3B FM15", "STARLINK-4191", "YAOGAN-36 01A", "RAPTOR4"]

SITES = [  # (name, latitude, longitude, height in metres)
    ("greenwich", 51.4779, -0.0015, 0),
    ("sydney", -33.8688, 151.2093, 0),
]


def read_sets(path):
    with open(path) as f:
        lines = [l.rstrip("\n") for l in f]
    sets = []
    for i in range(0, len(lines) - 2, 3):
        sets.append((lines[i], lines[i + 1], lines[i + 2]))
    return sets


def find(sets, name):
    for s in sets:
        if s[0].strip() == name:
            return s
    raise SystemExit("element set not found: %s" % name)


def event_passes(sat, site, t0, t1):
    t, events = sat.find_events(site, t0, t1, altitude_degrees=0.0)
    diff = sat - site
    out = []
    rise = None
    culm = -90.0
    for ti, e in zip(t, events):
        if e == 0:
            rise, culm = ti, -90.0
        elif e == 1 and rise is not None:
            culm = max(culm, diff.at(ti).altaz()[0].degrees)
        elif e == 2 and rise is not None:
            out.append((rise, ti, culm))
            rise = None
    return out


def discrete_passes(sat, site, t0, t1):
    """Crossings of altitude 0 sampled every 30 s. find_events misses the rises and sets of
    satellites that stay up through its search points (a Molniya near apogee), so both
    searches are run and merged."""
    diff = sat - site

    def above(t):
        return diff.at(t).altaz()[0].degrees > 0.0

    above.step_days = 30.0 / 86400.0
    t, up = find_discrete(t0, t1, above)
    out = []
    rise = None
    for ti, u in zip(t, up):
        if u:
            rise = ti
        elif rise is not None:
            n = max(2, int((ti.tt - rise.tt) * 86400 / 10))
            samples = TS.tt_jd(np.linspace(rise.tt, ti.tt, n))
            out.append((rise, ti, float(np.max(diff.at(samples).altaz()[0].degrees))))
            rise = None
    return out


def passes(sat, site, t0, t1):
    found = [(r, s, c, "find_events") for r, s, c in event_passes(sat, site, t0, t1)]
    for r, s, c in discrete_passes(sat, site, t0, t1):
        if not any(abs(r.tt - f[0].tt) * 86400 < 5 for f in found):
            found.append((r, s, c, "find_discrete"))
    found.sort(key=lambda p: p[0].tt)
    diff = sat - site
    return [(r, s, c, diff.at(TS.tt_jd((r.tt + s.tt) / 2.0)).altaz()[0].degrees, how)
            for r, s, c, how in found]


def main():
    src, dst = sys.argv[1], sys.argv[2]
    chosen = []
    for fname, name, start in SATELLITES:
        chosen.append((find(read_sets(os.path.join(src, fname)), name), start))

    with open(os.path.join(dst, "pass_reference.tle"), "w") as f:
        for (name, l1, l2), _ in chosen:
            f.write("%s\n%s\n%s\n" % (name, l1, l2))

    with open(os.path.join(dst, "iridium_2014.tle"), "w") as f:
        f.write("# CelesTrak iridium.txt of 2014-09-18 (see /work/shared/data/SOURCES.md)\n")
        for name, l1, l2 in read_sets(os.path.join(src, "celestrak-iridium-2014-09-18.txt")):
            f.write("%s\n%s\n%s\n" % (name, l1, l2))
    active = read_sets(os.path.join(src, "celestrak-active-2026-05-07.txt"))
    with open(os.path.join(dst, "lunar_passes.tle"), "w") as f:
        f.write("# CelesTrak active group of 2026-05-07 (see /work/shared/data/SOURCES.md)\n")
        for name in LUNAR_SATELLITES:
            f.write("%s\n%s\n%s\n" % find(active, name))

    with open(os.path.join(dst, "pass_reference.csv"), "w", newline="") as f:
        f.write("# Made by: /usr/bin/python3 tools/make_pass_reference.py /work/shared/data/tle "
                "tests/data/catalogue\n")
        f.write("# Skyfield find_events (find_discrete where it misses a pass), geometric, 0 degrees; window_start/window_end bound the "
                "search, passes cut by them are left out.\n")
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["site", "lat", "lon", "alt_m", "catalogue", "window_start", "window_end",
                    "aos_utc", "los_utc", "culmination_el", "midpoint_el", "method"])
        for (name, l1, l2), (y, mo, d, h) in chosen:
            sat = EarthSatellite(l1, l2, name.strip(), TS)
            t0 = TS.utc(y, mo, d, h)
            t1 = TS.tt_jd(t0.tt + DAYS)
            for site_name, lat, lon, alt in SITES:
                site = wgs84.latlon(lat, lon, elevation_m=alt)
                for rise, set_, culm, mid, how in passes(sat, site, t0, t1):
                    w.writerow([site_name, lat, lon, alt, int(l1[2:7]), t0.utc_iso(),
                                t1.utc_iso(), rise.utc_iso(places=3), set_.utc_iso(places=3),
                                "%.3f" % culm, "%.3f" % mid, how])


if __name__ == "__main__":
    main()
