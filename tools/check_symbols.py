#!/usr/bin/env python3
"""Checks that Windows programs and libraries ship as a release ships them: no .debug_* section left in
them, and a .gnu_debuglink section naming a debug file that exists and whose CRC matches, so that a
crash dump from a user can still be read with the symbols kept apart.

  check_symbols.py [--objdump PROGRAM] [--symbols FOLDER] FILE...

The debug file is looked for in FOLDER (by default the folder of each FILE). Prints one line per file
and exits non-zero when any file fails.
"""
import argparse
import os
import re
import subprocess
import sys
import zlib


def section_names(objdump, path):
    out = subprocess.run([objdump, "-h", path], check=True, capture_output=True, text=True).stdout
    # "  0 .text         0001c3a8  0000000140001000  ..."
    return [m.group(1) for m in re.finditer(r"^\s*\d+\s+(\S+)\s", out, re.MULTILINE)]


def section_bytes(objdump, path, name):
    out = subprocess.run([objdump, "-s", "-j", name, path], check=True, capture_output=True, text=True).stdout
    data = bytearray()
    for line in out.splitlines():
        # " 140030000 51756e6c 6974... Quenlith..." : address, up to four 4-byte groups, then the text
        m = re.match(r"^\s[0-9a-f]+\s((?:[0-9a-f]{2,8}\s?){1,4})", line)
        if m:
            for group in m.group(1).split():
                data += bytes.fromhex(group)
    return bytes(data)


def debuglink(objdump, path):
    """(debug file name, CRC) from the .gnu_debuglink section: the name, a zero, padding to four bytes
    and the CRC-32 of the debug file, little-endian."""
    data = section_bytes(objdump, path, ".gnu_debuglink")
    end = data.find(b"\0")
    if end <= 0 or len(data) < 4:
        return None
    return data[:end].decode("utf-8", "replace"), int.from_bytes(data[-4:], "little")


def file_crc(path):
    crc = 0
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            crc = zlib.crc32(chunk, crc)
    return crc & 0xFFFFFFFF


def check(objdump, path, symbols):
    names = section_names(objdump, path)
    debug = [n for n in names if n.startswith(".debug_")]
    if debug:
        return "still holds debug sections: " + " ".join(debug)
    if ".gnu_debuglink" not in names:
        return "names no debug file (no .gnu_debuglink section)"
    link = debuglink(objdump, path)
    if link is None:
        return "has an unreadable .gnu_debuglink section"
    name, crc = link
    folder = symbols if symbols else os.path.dirname(os.path.abspath(path))
    debug_file = os.path.join(folder, name)
    if not os.path.isfile(debug_file):
        return "names the debug file %s, which does not exist" % debug_file
    if file_crc(debug_file) != crc:
        return "names the debug file %s, whose CRC does not match" % debug_file
    if not any(n.startswith(".debug_info") for n in section_names(objdump, debug_file)):
        return "names the debug file %s, which holds no debug information" % debug_file
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    parser.add_argument("--symbols")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    failed = 0
    for path in args.files:
        problem = check(args.objdump, path, args.symbols)
        if problem:
            print("%s: %s" % (path, problem))
            failed += 1
        else:
            print("%s: stripped, symbols in %s" % (path, debuglink(args.objdump, path)[0]))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
