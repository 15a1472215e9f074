#!/usr/bin/env python3
"""Builds a gzip-compressed element file ("keplers") from a three-line element-set text.

The default input is the CelesTrak "active" snapshot in the shared data folder; the default
output is resources/data/keplers, the built-in element file placed beside the executables.
The output is reproducible: no file name and a zero time stamp in the gzip header.

usage: make_keplers.py [--input FILE] [--output FILE] [--sets N]
"""
import argparse
import gzip
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_INPUT = "/work/shared/data/tle/celestrak-active-2026-05-07.txt"
DEFAULT_OUTPUT = os.path.join(ROOT, "resources", "data", "keplers")


def read_sets(path):
    with open(path, "rb") as f:
        lines = f.read().decode("ascii").replace("\r\n", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if len(lines) % 3:
        sys.exit(f"{path}: {len(lines)} lines is not a whole number of three-line sets")
    sets = []
    for i in range(0, len(lines), 3):
        name, l1, l2 = lines[i:i + 3]
        if not (l1.startswith("1 ") and l2.startswith("2 ")) or len(l1) < 68 or len(l2) < 68:
            sys.exit(f"{path}: line {i + 2}: not an element set")
        sets.append((name, l1, l2))
    return sets


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--input", default=DEFAULT_INPUT)
    ap.add_argument("--output", default=DEFAULT_OUTPUT)
    ap.add_argument("--sets", type=int, default=0, help="keep only the first N sets")
    args = ap.parse_args()

    sets = read_sets(args.input)
    if args.sets > 0:
        sets = sets[:args.sets]
    text = "".join(f"{n}\n{a}\n{b}\n" for n, a, b in sets).encode("ascii")
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    tmp = args.output + ".tmp"
    with open(tmp, "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", compresslevel=9, fileobj=raw, mtime=0) as gz:
            gz.write(text)
    os.replace(tmp, args.output)
    print(f"{args.output}: {len(sets)} sets, {len(text)} bytes of text, "
          f"{os.path.getsize(args.output)} bytes compressed")


if __name__ == "__main__":
    main()
