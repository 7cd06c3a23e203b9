#!/usr/bin/env python3
"""What the shipped exe is made of, from the linker's map (-Wl,-Map).

    scripts/exe_size.py build/win/src/vadrome.exe

Sums the input sections that reached the exe's loaded sections per source
(our code, libjpeg-turbo, zlib, the C++ runtime, the C runtime, resources,
import stubs); what the map does not account for is headers, alignment and
the relocation table.
"""
import os
import re
import sys
from collections import Counter

GROUPS = [
    ("our code", re.compile(r"libvadrome_(win|pure)\.a|/Main\.cpp\.obj$")),
    ("libjpeg-turbo", re.compile(r"libjpeg\.a")),
    ("zlib", re.compile(r"libz\.a")),
    ("C++ runtime (libstdc++, libgcc)", re.compile(r"libstdc\+\+\.a|libsupc\+\+\.a|libgcc(_eh)?\.a|crtbegin\.o|crtend\.o")),
    ("C runtime (mingw-w64, winpthreads)", re.compile(r"libmingw(ex|32)\.a|libmsvcrt\.a|libpthread\.a|crt2u?\.o")),
    ("resources", re.compile(r"\.res$")),
]
SKIPPED = (".bss", ".debug")


def input_sections(map_file):
    """(output section, source, size) for every input section placed."""
    lines = open(map_file, errors="replace").read().split("\n")
    start = next(i for i, line in enumerate(lines) if line.startswith("Linker script and memory map"))
    output = None
    wrapped = False  # a long input-section name puts address and size on the next line
    for line in lines[start + 1:]:
        if line and not line.startswith(" "):
            output = line.split()[0] if line.startswith(".") else None
            continue
        if output is None or output.startswith(SKIPPED):
            continue
        if re.match(r"^ \S+\s*$", line):
            wrapped = True
            continue
        m = re.match(r"^ (\S+)?\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if m and (m.group(1) or wrapped):
            yield output, m.group(3).strip(), int(m.group(2), 16)
        wrapped = False


def group_of(source):
    for name, pattern in GROUPS:
        if pattern.search(source):
            return name
    return "import stubs and linker data" if re.search(r"lib[\w-]+\.a|dll stuff|LONG", source) else source


def main():
    exe = sys.argv[1] if len(sys.argv) > 1 else "build/win/src/vadrome.exe"
    total = os.path.getsize(exe)
    sizes = Counter()
    for _output, source, size in input_sections(exe + ".map"):
        sizes[group_of(source)] += size
    print(f"{os.path.basename(exe)}: {total:,} bytes ({total / 1048576:.2f} MiB)")
    for name, size in sizes.most_common():
        print(f"  {size:>10,}  {size / total:6.1%}  {name}")
    rest = total - sum(sizes.values())
    print(f"  {rest:>10,}  {rest / total:6.1%}  headers, alignment, relocations")


if __name__ == "__main__":
    main()
