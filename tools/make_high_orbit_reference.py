#!/usr/bin/python3
"""Reference states for the high, eccentric satellites of the active catalogue.

These are the sets of the 2026-05-07 CelesTrak active file whose apogee lies beyond
84483.784 km, where the program's model stops: CXO, XMM-Newton, two Cluster II, three
THEMIS and the four MMS. States come from python-sgp4 (Debian python3-sgp4, the 2006 code,
AFSPC mode, WGS-72), which has no upper radius limit, every 60 minutes from one day before
to seven days after each epoch.

A second file holds the same times from python-sgp4's own propagation source with the 1980
report's choices put back where the 2006 code changed them (Kepler's equation stopped at
1e-6 rad after at most ten passes, keeping the state of the last pass; short-period and
long-period coefficients, and the node periodic of the direct branch, from the epoch
inclination; the Lyddane branch chosen by the epoch inclination and formed with the unreduced
node and the inclination before the periodics, its new node kept within pi of the old one).
The program's model should meet that one to well under a metre.

Run:  /usr/bin/python3 tools/make_high_orbit_reference.py \
          /work/shared/data/tle/celestrak-active-2026-05-07.txt tests/data/orbit
Writes high_orbits.tle (the three-line sets), high_orbits_sgp4.txt and high_orbits_1980.txt,
one row a time: catalogue, minutes since epoch, x y z (km), vx vy vz (km/s), TEME.
"""
import os
import sys
import types

import sgp4.propagation as sgp4_source

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

    propagate = sgp4_1980()
    with open(os.path.join(out_dir, "high_orbits_1980.txt"), "w") as f:
        f.write("# python-sgp4 with the 1980 choices (see make_high_orbit_reference.py), "
                "WGS-72: catalogue, minutes, x y z km, vx vy vz km/s (TEME)\n")
        for cat in CATALOGUE:
            sat = twoline2rv(sets[cat][1], sets[cat][2], wgs72, "i")
            for t in range(START, STOP + 1, STEP):
                r, v = sgp4_at(sat, t, propagate)
                if r is None:
                    continue
                f.write("%d %d %.8f %.8f %.8f %.9f %.9f %.9f\n" % ((cat, t) + tuple(r) + tuple(v)))


def sgp4_at(sat, t, propagate=sgp4):
    r, v = propagate(sat, t)
    if sat.error != 0:
        return None, None
    return r, v


# (text of sgp4/propagation.py, replacement); each must occur exactly once.
PATCHES_1980 = [
    # Periodics: remember the inclination before they are added.
    ("       inclp = inclp + pinc;\n",
     "       sinis = sin(inclp); cosis = cos(inclp)\n       inclp = inclp + pinc;\n"),
    # Branch by epoch inclination; direct branch divides by the epoch sine.
    ("       if inclp >= 0.2:\n\n           ph /= sinip\n           pgh -= cosip * ph\n",
     "       if inclo >= 0.2:\n\n           ph /= sin(inclo)\n           pgh -= cos(inclo) * ph\n"),
    # Lyddane form of 1980 with the node kept continuous.
    ("           alfdp  = sinip * sinop;\n", "           alfdp  = sinis * sinop;\n"),
    ("           betdp  = sinip * cosop;\n", "           betdp  = sinis * cosop;\n"),
    ("           dalf   =  ph * cosop + pinc * cosip * sinop;\n",
     "           dalf   =  ph * cosop + pinc * cosis * sinop;\n"),
    ("           dbet   = -ph * sinop + pinc * cosip * cosop;\n",
     "           dbet   = -ph * sinop + pinc * cosis * cosop;\n"),
    ("           nodep  = nodep % twopi if nodep >= 0.0 else -(-nodep % twopi)\n", ""),
    ("           xls = mp + argpp + pl + pgh + (cosip - pinc * sinip) * nodep\n",
     "           xls = mp + argpp + pl + pgh + (cosis - pinc * sinis) * nodep\n"),
    ("           nodep  = atan2(alfdp, betdp);\n",
     "           nodep  = atan2(alfdp, betdp);\n"
     "           nodep += twopi * round((xnoh - nodep) / twopi)\n"),
    ("     nodem  = nodem % twopi if nodem >= 0.0 else -(-nodem % twopi)\n", ""),
    # Coefficients stay those of the epoch inclination.
    ("     if satrec.method == 'd':\n\n         sinip =  sin(xincp);",
     # (set again here: initialisation ran the 2006 step once and left perturbed ones)
     "     _s = sin(satrec.inclo); _c = cos(satrec.inclo)\n"
     "     satrec.aycof = -0.5 * satrec.j3oj2 * _s\n"
     "     satrec.xlcof = -0.25 * satrec.j3oj2 * _s * (3.0 + 5.0 * _c) / (1.0 + _c)\n"
     "     satrec.con41 = 3.0 * _c * _c - 1.0\n"
     "     satrec.x1mth2 = 1.0 - _c * _c\n"
     "     satrec.x7thm1 = 7.0 * _c * _c - 1.0\n"
     "     if False:\n\n         sinip =  sin(xincp);"),
    ("         if satrec.method == 'd':\n\n             cosisq",
     "         cosip = cos(satrec.inclo); sinip = sin(satrec.inclo)\n"
     "         if False:\n\n             cosisq"),
    # Kepler's equation of 1980.
    ("     while fabs(tem5) >= 1.0e-12 and ktr <= 10:\n",
     "     while ktr <= 10:\n"),
    ("         tem5   = (u - aynl * coseo1 + axnl * sineo1 - eo1) / tem5;\n"
     "         if fabs(tem5) >= 0.95:\n"
     "             tem5 = 0.95 if tem5 > 0.0 else -0.95;\n",
     "         tem5   = (u - aynl * coseo1 + axnl * sineo1 - eo1) / tem5;\n"
     "         if fabs(tem5) <= 1.0e-6:\n"
     "             break\n"),
]


def sgp4_1980():
    text = open(sgp4_source.__file__).read()
    for old, new in PATCHES_1980:
        if text.count(old) != 1:
            sys.exit("python-sgp4 source differs from the expected one at: %r" % old)
        text = text.replace(old, new)
    module = types.ModuleType("sgp4_1980")
    exec(compile(text, "sgp4_1980", "exec"), module.__dict__)
    return module.sgp4


if __name__ == "__main__":
    main()
