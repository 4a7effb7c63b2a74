#!/usr/bin/python3
"""Compares the header facts that the Linux and the Windows build of formats_text_header_dump
read from the real messages: the two builds decode named charsets differently (iconv there,
the Windows code pages here), and every difference is listed below, per message and field, with
the reason. Any other difference fails the test, and so does a listed one that is not met.

Usage: header_builds_compare.py LINUX_DUMP WINE64 WINDOWS_DUMP REALDATA_DIR

The messages are those of text_header_vs_python.py, which checks the Linux build against
Python's email package, and a few made here whose subjects hold what the builds read
differently; both dumps run with TZ=Europe/Berlin (Wine gives Windows the zone of TZ).
"""

import base64
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import text_header_vs_python as peer  # noqa: E402

SKIPPED = 77

UNDEFINED_PAIR = ("a two-byte sequence that the charset does not define: iconv gives U+FFFD, "
                  "Windows the default character of its code page (U+30FB for code page 932)")

# Subjects in encoded words of one charset each: name -> (charset, bytes).
CONSTRUCTED = {
    "constructed/shift_jis_undefined_pair": ("shift_jis", b"\x82\xa0\x85\x40"),
    "constructed/iso-2022-jp_jis_x_0212": ("iso-2022-jp", b"\x1b$(D0!\x1b(B"),
    "constructed/iso-8859-10": ("iso-8859-10", b"\xa1"),
    "constructed/koi8-u": ("koi8-u", b"\xa6"),
    "constructed/utf-7": ("utf-7", b"+AOk-"),
    "constructed/gb18030_four_bytes": ("gb18030", b"\x81\x30\x81\x30"),
}

# message -> field -> (Linux value, Windows value, reason)
EXPECTED = {
    "constructed/shift_jis_undefined_pair": {
        "subject": ("\u3042\ufffd@", "\u3042\u30fb",
                    "a pair code page 932 does not define: iconv gives U+FFFD and reads the "
                    "trail byte again, Windows gives the code page's default character U+30FB "
                    "for the pair"),
    },
    "constructed/iso-2022-jp_jis_x_0212": {
        "subject": ("\u4e02", "\ufffd",
                    "JIS X 0212 (ESC $ ( D) is in iconv's EUC-JP-MS but in no Windows code page"),
    },
    "constructed/iso-8859-10": {
        "subject": ("\u0104", "\u00a1",
                    "Windows has no code page for ISO-8859-10 (nor -14, -16): the word is read "
                    "as Windows-1252 like any unknown charset"),
    },
    "constructed/gb18030_four_bytes": {
        "subject": ("\u0080", "??",
                    "Wine lacks code page 54936; GBK stands in and cannot read the four-byte "
                    "form (Windows itself reads it as U+0080)"),
    },
}

FIELDS = ["subject", "from", "from_name", "from_email", "to", "to_name", "to_email",
          "message_id", "date", "utc", "local"]


def constructed():
    for name, (charset, raw) in CONSTRUCTED.items():
        word = "=?%s?B?%s?=" % (charset, base64.b64encode(raw).decode("ascii"))
        yield name, ("Subject: %s\r\nFrom: <t@localhost>\r\n\r\n" % word).encode("ascii")


def run(command, stdin, env):
    out = subprocess.run(command, input=stdin, capture_output=True, env=env, check=True).stdout
    return [json.loads(line) for line in out.decode("utf-8").splitlines() if line.strip()]


def main():
    linux_dump, wine, windows_dump, root = sys.argv[1:5]
    if not os.path.isdir(os.path.join(root, "eml")):
        print("real data not found:", os.path.join(root, "eml"), "- skipped")
        return SKIPPED
    if not os.access(linux_dump, os.X_OK):
        print("no Linux dump program at", linux_dump, "- skipped")
        return SKIPPED
    names, blobs = [], []
    for name, data in list(peer.messages(root)) + list(constructed()):
        names.append(name)
        blobs.append(data)
    stdin = b"".join(b"%d\n" % len(b) + b for b in blobs)
    env = dict(os.environ, TZ=peer.TZ, WINEDEBUG="-all")
    linux = run([linux_dump], stdin, env)
    windows = run([wine, windows_dump], stdin, env)
    for build, rows in (("Linux", linux), ("Windows", windows)):
        if len(rows) != len(names):
            print("the %s dump gave %d rows for %d messages" % (build, len(rows), len(names)))
            return 1

    failures, used, differing = [], set(), 0
    for name, a, b in zip(names, linux, windows):
        for field in FIELDS:
            expected = EXPECTED.get(name, {}).get(field)
            if expected is not None:
                used.add((name, field))
                if (a[field], b[field]) != expected[:2]:
                    failures.append("%s %s: Linux %r, Windows %r; expected %r, %r (%s)"
                                    % (name, field, a[field], b[field], *expected))
                continue
            if a[field] != b[field]:
                failures.append("%s %s: Linux %r, Windows %r" % (name, field, a[field], b[field]))
        differing += any(a[f] != b[f] for f in FIELDS)
    for name, by_field in EXPECTED.items():
        for field in by_field:
            if (name, field) not in used:
                failures.append("%s %s: expected difference not met (message missing?)" % (name, field))
    print("%d messages compared, %d decoded differently by the two builds" % (len(names), differing))
    for name, by_field in EXPECTED.items():
        for field, (_, _, reason) in by_field.items():
            print("  %s %s: %s" % (name, field, reason))
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
