#!/usr/bin/python3
"""Checks that our engine reads compound files as olefile does.

For every compound file below a folder, runs our dump program (cfb_dump) and compares its list
of storages and streams (with stream sizes) and its SummaryInformation values with olefile's.
Usage: olefile_compare.py CFB_DUMP FOLDER [FILE...]. Exit 77 (skipped) without olefile or
without FOLDER.
"""
import os
import subprocess
import sys

try:
    import olefile
except ImportError:
    print("olefile is not installed; skipped")
    sys.exit(77)

CODECS = {1200: "utf-16-le", 65001: "utf-8", 10000: "mac_roman", 1252: "cp1252"}


def unescape(text):
    return text.encode("ascii").decode("unicode_escape") if "\\u" in text else text


def ours(dump, path):
    run = subprocess.run([dump, path], capture_output=True, text=True)
    if run.returncode != 0:
        return None, None, run.stderr.strip()
    elements, props = {}, {}
    for line in run.stdout.splitlines():
        parts = line.split("\t")
        if parts[0] == "E":
            elements[unescape(parts[1])] = (parts[2], int(parts[3]))
        elif parts[0] == "P":
            kind, value = parts[2], parts[3]
            props[int(parts[1])] = (kind, int(value) if kind in ("int", "filetime") else unescape(value))
    return elements, props, None


def theirs(path):
    ole = olefile.OleFileIO(path)
    elements = {}
    for parts in ole.listdir(streams=True, storages=True):
        name = "/".join(parts)
        if ole.get_type(parts) == olefile.STGTY_STORAGE:
            elements[name] = ("S", 0)
        else:
            elements[name] = ("T", ole.get_size(parts))
    props = ole.getproperties("\x05SummaryInformation") if ole.exists("\x05SummaryInformation") else None
    return elements, props


def text_of(value, codepage):
    if isinstance(value, bytes):
        if codepage == 1200:
            return None  # olefile drops the NUL bytes of UTF-16 text; compared below
        codec = CODECS.get(codepage, "cp%d" % codepage)
        try:
            return value.decode(codec, errors="replace")
        except LookupError:
            return value.decode("cp1252", errors="replace")
    return value.split("\x00")[0]


def compare(dump, path):
    problems = []
    our_elements, our_props, error = ours(dump, path)
    if error:
        return ["our engine failed: " + error]
    their_elements, their_props = theirs(path)
    if our_elements != their_elements:
        for name in sorted(set(our_elements) | set(their_elements)):
            if our_elements.get(name) != their_elements.get(name):
                problems.append("element %r: ours %s, olefile %s" % (name, our_elements.get(name), their_elements.get(name)))
    if their_props is None:
        return problems
    codepage = their_props.get(1, 1252) & 0xFFFF
    for number, value in their_props.items():
        if number == 0 or value is None:
            continue  # the dictionary, or a kind olefile does not read
        mine = our_props.get(number)
        if mine is None:
            problems.append("property %d missing, olefile %r" % (number, value))
            continue
        kind, our_value = mine
        if kind == "other":
            continue  # a kind our engine keeps as stored bytes (clipboard data, blobs)
        if kind == "filetime":
            our_value //= 10000000  # olefile gives FILETIME values in whole seconds
        if isinstance(value, bool):
            value = int(value)
        if isinstance(value, int):
            if number == 1:
                value &= 0xFFFF  # the code page is an unsigned 16-bit number (65001 reads as -535)
            if kind not in ("int", "filetime") or (our_value != value and our_value & 0xFFFFFFFF != value):
                problems.append("property %d: ours %r, olefile %r" % (number, our_value, value))
            continue
        expected = text_of(value, codepage)
        if expected is None:
            expected = our_value.encode("utf-16-le").replace(b"\x00", b"")
            if not value.startswith(expected):
                problems.append("property %d: ours %r, olefile %r" % (number, our_value, value))
            continue
        if kind != "text" or our_value != expected.split("\x00")[0]:
            problems.append("property %d: ours %r, olefile %r" % (number, our_value, expected))
    for number in our_props:
        if number not in their_props:
            problems.append("property %d only in ours" % number)
    return problems


def main():
    dump, folder = sys.argv[1], sys.argv[2]
    files = sys.argv[3:]
    if not files and not os.path.isdir(folder):
        print("real data not found:", folder, "- skipped")
        return 77
    if not files:
        for root, _, names in os.walk(folder):
            for name in sorted(names):
                path = os.path.join(root, name)
                with open(path, "rb") as f:
                    if f.read(8) == b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1":
                        files.append(path)
    failed = 0
    for path in sorted(files):
        problems = compare(dump, path)
        print("%s %s" % ("FAIL" if problems else "ok  ", path))
        for p in problems:
            print("     " + p[:300])
        failed += bool(problems)
    print("%d files, %d differ" % (len(files), failed))
    return 1 if failed or not files else 0


if __name__ == "__main__":
    sys.exit(main())
