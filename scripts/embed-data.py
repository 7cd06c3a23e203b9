#!/usr/bin/python3
"""Appends named data to the Linux runner, replacing what it carried before.

    embed-data.py EXECUTABLE NAME=FILE...

Layout (little-endian; src/util/EmbeddedData.h reads it):
    image | entry... | trailer
    entry:   u32 name length, name, u32 data length, data
    trailer: u32 entry count, u64 length of all entries, b"VDRMDATA"
"""
import struct
import sys

MAGIC = b"VDRMDATA"
TRAILER = struct.Struct("<IQ8s")


def image_length(blob):
    if len(blob) >= TRAILER.size:
        count, length, magic = TRAILER.unpack(blob[-TRAILER.size:])
        if magic == MAGIC and length <= len(blob) - TRAILER.size:
            return len(blob) - TRAILER.size - length
    return len(blob)


def main():
    exe, pairs = sys.argv[1], sys.argv[2:]
    with open(exe, "rb") as f:
        blob = f.read()
    entries = {}
    for pair in pairs:
        name, path = pair.split("=", 1)
        with open(path, "rb") as f:
            entries[name] = f.read()
    payload = b"".join(struct.pack("<I", len(n.encode())) + n.encode() + struct.pack("<I", len(d)) + d
                       for n, d in sorted(entries.items()))
    with open(exe, "wb") as f:
        f.write(blob[:image_length(blob)] + payload + TRAILER.pack(len(entries), len(payload), MAGIC))


if __name__ == "__main__":
    main()
