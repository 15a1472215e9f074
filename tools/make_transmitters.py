#!/usr/bin/env python3
"""Builds resources/transmitters.gz, the built-in downlink table of the radio window, from the
SatNOGS DB snapshot (satnogs.json: catalogue number -> {"sat": [...], "tx": [[description,
frequency in Hz, mode, service], ...]}).

Output: gzip (no name, time 0, so the same input gives the same bytes) of a text table,
one transmitter a line, "catalogue,downlink_hz,mode,description" (RFC 4180 quoting), sorted by
catalogue number, then frequency, then description. Lines starting with '#' are comments.

    python3 tools/make_transmitters.py ../shared/data/satnogs/satnogs.json resources/transmitters.gz
"""
import csv
import gzip
import io
import json
import sys


def main(src, dst):
    with open(src, encoding="utf-8") as f:
        data = json.load(f)
    rows = []
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
            description = " ".join(str(tx[0] or "").split())[:80]
            mode = " ".join(str(tx[2] or "").split())[:16]
            rows.append((catalogue, tx[1], mode, description))
    rows = sorted(set(rows))
    text = io.StringIO(newline="")
    text.write("# Radio transmitters: SatNOGS DB, Libre Space Foundation, CC BY-SA 4.0\n")
    text.write("# catalogue,downlink_hz,mode,description\n")
    writer = csv.writer(text, lineterminator="\n")
    for row in rows:
        writer.writerow(row)
    raw = text.getvalue().encode("utf-8")
    with open(dst, "wb") as f:
        with gzip.GzipFile(filename="", mode="wb", fileobj=f, mtime=0, compresslevel=9) as z:
            z.write(raw)
    print(f"{len(rows)} transmitters of {len({r[0] for r in rows})} satellites -> {dst}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
