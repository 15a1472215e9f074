#!/usr/bin/env python3
"""Builds the built-in star file from the Yale Bright Star Catalogue, 5th revised edition.

Input: the fixed-width `catalog` file of VizieR V/50 (197-character lines, HR 1 ... 9110 in
order; byte layout in its ReadMe). Output: resources/ybsc.gz, gzip of 9110 records of 48
little-endian bytes, record i holding HR i + 1:

  0  int32    Flamsteed number div 10 (0 without one)
  4  char[5]  Bayer: Greek letter and superscript digit or blank, NUL ("Alp ", "Gam1")
  9  char[4]  constellation and NUL ("CMa"); blanks where there is none
 13  3 bytes  zero
 16  int32    HD number
 20  int32    SAO number (0 without one)
 24  double   right ascension J2000, hours
 32  double   declination J2000, degrees
 40  double   V magnitude

The 14 withdrawn entries (blank position) keep their name columns as text and have every
number zero. The output is reproducible: no file name and a zero time stamp in the gzip
header, compression level 9.

usage: make_stars.py [--input FILE] [--output FILE]

The committed resources/ybsc.gz was made with `python3 tools/make_stars.py` from the shared
data folder's copy of the catalogue (1,803,780 bytes); every run gives the same bytes
(sha256 856bb7e39de2157d14d5c5b635f2a406827a6692b3313d80c0db7693fe6a9888).
"""
import argparse
import gzip
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_INPUT = "/work/shared/data/bsc5/catalog"
DEFAULT_OUTPUT = os.path.join(ROOT, "resources", "ybsc.gz")
RECORDS = 9110
RECORD = struct.Struct("<i5s4s3xiiddd")
assert RECORD.size == 48


def cols(line, first, last):
    """Bytes first..last of a line, counting from 1 as the ReadMe does."""
    return line[first - 1:last]


def number(text):
    text = text.strip()
    return int(text) if text else 0


def record(line, hr):
    if number(cols(line, 1, 4)) != hr:
        sys.exit(f"line {hr}: HR number {cols(line, 1, 4)!r} out of order")
    bayer = cols(line, 8, 11).encode("ascii")
    constellation = cols(line, 12, 14).encode("ascii")
    withdrawn = not cols(line, 76, 90).strip()
    if withdrawn:
        return RECORD.pack(0, bayer, constellation, 0, 0, 0.0, 0.0, 0.0)
    flamsteed = cols(line, 5, 7).strip()
    flamsteed_tens = int(flamsteed) // 10 if flamsteed.isdigit() else 0
    ra = number(cols(line, 76, 77)) + number(cols(line, 78, 79)) / 60.0 + \
        float(cols(line, 80, 83)) / 3600.0
    dec = number(cols(line, 85, 86)) + number(cols(line, 87, 88)) / 60.0 + \
        number(cols(line, 89, 90)) / 3600.0
    if cols(line, 84, 84) == "-":
        dec = -dec
    vmag = cols(line, 103, 107).strip()
    magnitude = float(vmag) if vmag else 0.0
    return RECORD.pack(flamsteed_tens, bayer, constellation, number(cols(line, 26, 31)),
                       number(cols(line, 32, 37)), ra, dec, magnitude)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--input", default=DEFAULT_INPUT)
    ap.add_argument("--output", default=DEFAULT_OUTPUT)
    args = ap.parse_args()

    with open(args.input, "rb") as f:
        lines = f.read().decode("ascii").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if len(lines) != RECORDS:
        sys.exit(f"{args.input}: {len(lines)} lines, expected {RECORDS}")
    data = b"".join(record(line.ljust(197), i + 1) for i, line in enumerate(lines))

    tmp = args.output + ".tmp"
    with open(tmp, "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", compresslevel=9, fileobj=raw, mtime=0) as gz:
            gz.write(data)
    os.replace(tmp, args.output)
    print(f"{args.output}: {RECORDS} records, {len(data)} bytes, "
          f"{os.path.getsize(args.output)} bytes compressed")


if __name__ == "__main__":
    main()
