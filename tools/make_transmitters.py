#!/usr/bin/env python3
"""Builds resources/transmitters.gz, the built-in transmitter table of the radio window, from the
SatNOGS DB snapshot (satnogs.json: catalogue number -> {"sat": [...], "tx": [[description,
frequency in Hz, mode, service], ...]}) and, optionally, its transmitters with an uplink
(satnogs-uplinks.json: a list of {"norad_cat_id", "description", "type", "mode",
"uplink_low", "uplink_high", "downlink_low", "downlink_high", "invert", ...}).

Output: gzip (no name, time 0, so the same input gives the same bytes) of a text table,
one transmitter a line, "catalogue,downlink_hz,mode,description" (RFC 4180 quoting), and for
one with an uplink four more fields, "uplink_hz,downlink_high_hz,uplink_high_hz,inverting"
(the high edges 0 for a single frequency, inverting 1 or 0), sorted by catalogue number, then
frequency, then description. Lines starting with '#' are comments. An uplink joins the
downlink line of the same satellite, frequency and description (or mode, when only one line
has it); one that matches none becomes a line of its own.

    python3 tools/make_transmitters.py ../shared/data/satnogs/satnogs.json resources/transmitters.gz \
        ../shared/data/satnogs/satnogs-uplinks.json
"""
import csv
import gzip
import io
import json
import sys


def clean(text, size):
    return " ".join(str(text or "").split())[:size]


def hz(value):
    return value if isinstance(value, int) and 0 < value < 300_000_000_000 else 0


def add_uplinks(rows, src):
    """rows: {(catalogue, downlink, mode, description): (uplink, down_high, up_high, invert)}."""
    with open(src, encoding="utf-8") as f:
        entries = json.load(f)
    joined = added = 0
    for e in entries:
        catalogue, down, up = e.get("norad_cat_id"), hz(e.get("downlink_low")), hz(e.get("uplink_low"))
        if not isinstance(catalogue, int) or not 0 < catalogue <= 999999999 or not down or not up:
            continue
        description, mode = clean(e.get("description"), 80), clean(e.get("mode"), 16)
        # A high edge at or below its low edge is a single frequency, not a band.
        down_high, up_high = hz(e.get("downlink_high")), hz(e.get("uplink_high"))
        extra = (up, down_high if down_high > down else 0, up_high if up_high > up else 0,
                 1 if e.get("invert") else 0)
        same = [k for k in rows if k[0] == catalogue and k[1] == down and not rows[k]]
        pick = [k for k in same if k[3] == description]
        if not pick:
            pick = [k for k in same if k[2] == mode and k[3].startswith(description)]
        if not pick and len([k for k in same if k[2] == mode]) == 1:
            pick = [k for k in same if k[2] == mode]
        if pick:
            rows[pick[0]] = extra
            joined += 1
        else:
            rows[(catalogue, down, mode, description)] = extra
            added += 1
    return joined, added


def main(src, dst, uplinks=None):
    with open(src, encoding="utf-8") as f:
        data = json.load(f)
    rows = {}
    for key, entry in data.items():
        try:
            catalogue = int(key)
        except ValueError:
            continue
        if not 0 < catalogue <= 999999999:
            continue
        for tx in entry.get("tx") or []:
            if len(tx) < 3 or not isinstance(tx[1], int) or tx[1] <= 0:
                continue
            rows[(catalogue, tx[1], clean(tx[2], 16), clean(tx[0], 80))] = ()
    joined = added = 0
    if uplinks:
        joined, added = add_uplinks(rows, uplinks)
    text = io.StringIO(newline="")
    text.write("# Radio transmitters: SatNOGS DB, Libre Space Foundation, CC BY-SA 4.0\n")
    text.write("# catalogue,downlink_hz,mode,description[,uplink_hz,downlink_high_hz,"
               "uplink_high_hz,inverting]\n")
    writer = csv.writer(text, lineterminator="\n")
    for key in sorted(rows):
        writer.writerow(key + rows[key])
    raw = text.getvalue().encode("utf-8")
    with open(dst, "wb") as f:
        with gzip.GzipFile(filename="", mode="wb", fileobj=f, mtime=0, compresslevel=9) as z:
            z.write(raw)
    print(f"{len(rows)} transmitters of {len({r[0] for r in rows})} satellites, "
          f"{joined} uplinks joined to their downlink and {added} added -> {dst}")


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    main(*sys.argv[1:])
