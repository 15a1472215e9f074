#!/usr/bin/python3
"""Reference states for the high, eccentric satellites of the active catalogue.

These are the sets of the 2026-05-07 CelesTrak active file whose apogee lies beyond
84483.784 km, where the program's model stops: CXO, XMM-Newton, two Cluster II, three
THEMIS and the four MMS. States come from python-sgp4 (Debian python3-sgp4, the 2006 code,
AFSPC mode, WGS-72), which has no upper radius limit, every 60 minutes from one day before
to seven days after each epoch.

Run:  /usr/bin/python3 tools/make_high_orbit_reference.py \
          /work/shared/data/tle/celestrak-active-2026-05-07.txt tests/data/orbit
Writes high_orbits.tle (the three-line sets) and high_orbits_sgp4.txt, one row a time:
catalogue, minutes since epoch, x y z (km), vx vy vz (km/s), TEME.
"""
import os
import sys

from sgp4.earth_gravity import wgs72
from sgp4.io import twoline2rv
from sgp4.propagation import sgp4

CATALOGUE = [25867, 25989, 26410, 26464, 30580, 30797, 30798, 40482, 40483, 40484, 40485]
START, STOP, STEP = -1440, 10080, 60


def main():
    source, out_dir = sys.argv[1], sys.argv[2]
    lines = open(source).read().splitlines()
    sets = {}
    for i in range(1, len(lines) - 1):
        l1, l2 = lines[i], lines[i + 1]
        if l1.startswith("1 ") and l2.startswith("2 ") and int(l1[2:7]) in CATALOGUE:
            sets[int(l1[2:7])] = (lines[i - 1].rstrip(), l1.rstrip(), l2.rstrip())
    missing = set(CATALOGUE) - set(sets)
    if missing:
        sys.exit("not in %s: %s" % (source, sorted(missing)))

    with open(os.path.join(out_dir, "high_orbits.tle"), "w") as f:
        f.write("# CelesTrak active satellites, 2026-05-07: apogee beyond 84483.784 km\n")
        for cat in CATALOGUE:
            f.write("\n".join(sets[cat]) + "\n")

    with open(os.path.join(out_dir, "high_orbits_sgp4.txt"), "w") as f:
        f.write("# python-sgp4 (2006 code, AFSPC mode, WGS-72): catalogue, minutes, "
                "x y z km, vx vy vz km/s (TEME)\n")
        for cat in CATALOGUE:
            sat = twoline2rv(sets[cat][1], sets[cat][2], wgs72, "a")
            for t in range(START, STOP + 1, STEP):
                r, v = sgp4_at(sat, t)
                if r is None:
                    continue
                f.write("%d %d %.8f %.8f %.8f %.9f %.9f %.9f\n" % ((cat, t) + tuple(r) + tuple(v)))


def sgp4_at(sat, t):
    r, v = sgp4(sat, t)
    if sat.error != 0:
        return None, None
    return r, v


if __name__ == "__main__":
    main()
