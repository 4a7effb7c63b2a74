#!/usr/bin/python3
"""Compares the history files two builds of kolvane-cli write from the same mail stores.

    compare_histories.py OLD_CLI NEW_CLI WORK_DIR [HOME_WITH_PROFILE]

Scans the bundled sample Windows tree (and, when given, the Thunderbird profile under
HOME_WITH_PROFILE, as bench_scan_whole makes it) with each program into files of its own, twice
(the second scan adds nothing), then once more after new messages were added to the largest
mbox folder (a copy of the profile). After each step the two files must hold the same elements
with byte-identical streams, the summary property set aside (it holds the time of the scan), and
the files must be byte-identical but for that set's sectors. Needs python3-olefile.
"""
import os
import shutil
import subprocess
import sys

import olefile


def streams(path):
    with olefile.OleFileIO(path) as ole:
        return {"/".join(e): ole.openstream(e).read() for e in ole.listdir(streams=True)
                if e[-1] != "\x05SummaryInformation"}, sorted("/".join(e) for e in ole.listdir(
                    streams=True, storages=True))


def summary_sectors(path):
    """File offsets of the sectors the summary set occupies (mini stream or FAT chain)."""
    with olefile.OleFileIO(path) as ole:
        entry = ole.direntries[ole._find("\x05SummaryInformation")]
        if entry.size < ole.minisectorcutoff:
            return None  # in the mini stream: compare the streams only
        sectors, s = [], entry.isectStart
        while s >= 0 and s < len(ole.fat) and s not in sectors and s < 0xFFFFFFFA:
            sectors.append(s)
            s = ole.fat[s]
        return [(s + 1) * ole.sectorsize for s in sectors], ole.sectorsize


def compare(old, new, what):
    a, b = streams(old), streams(new)
    if a[1] != b[1]:
        sys.exit(f"{what}: the elements differ:\n{a[1]}\n{b[1]}")
    for name in a[0]:
        if a[0][name] != b[0][name]:
            sys.exit(f"{what}: stream {name} differs")
    raw_a, raw_b = open(old, "rb").read(), open(new, "rb").read()
    differing = sum(1 for i in range(0, min(len(raw_a), len(raw_b)), 64)
                    if raw_a[i:i + 64] != raw_b[i:i + 64])
    print(f"{what}: {len(a[0])} streams identical; files {len(raw_a)} and {len(raw_b)} bytes, "
          f"{differing} blocks of 64 bytes differ (the summary set's time)")


def scan(cli, out, env, args):
    subprocess.run([cli, "scan", "--out", out, "--quiet", *args], env=env, check=True,
                   stdout=subprocess.DEVNULL)


def main():
    old_cli, new_cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
    home = sys.argv[4] if len(sys.argv) > 4 else None
    here = os.path.dirname(os.path.abspath(__file__))
    samples = os.path.join(here, "..", "samples")
    os.makedirs(work, exist_ok=True)
    env = dict(os.environ, LC_ALL="en_US.UTF-8", TZ="Europe/Berlin")
    files = {k: os.path.join(work, k + "-samples.qmr") for k in ("old", "new")}
    for f in files.values():
        if os.path.exists(f):
            os.remove(f)
    for step in ("first scan", "second scan"):
        scan(old_cli, files["old"], env, ["--windows-root", samples])
        scan(new_cli, files["new"], env, ["--windows-root", samples])
        compare(files["old"], files["new"], "samples, " + step)
    if not home:
        return
    profile = os.path.join(work, "home")
    shutil.rmtree(profile, ignore_errors=True)
    shutil.copytree(home, profile, ignore=shutil.ignore_patterns("*.qmr*", "output"))
    prefs = os.path.join(profile, ".thunderbird", "bench.default", "prefs.js")
    with open(prefs) as f:
        text = f.read().replace(os.path.abspath(home), profile)  # the mail folder of the copy
    with open(prefs, "w") as f:
        f.write(text)
    env["HOME"] = profile
    files = {k: os.path.join(work, k + "-profile.qmr") for k in ("old", "new")}
    for f in files.values():
        if os.path.exists(f):
            os.remove(f)
    inbox = os.path.join(profile, ".thunderbird", "bench.default", "Mail", "Local Folders",
                         "Inbox")
    for step in ("first scan", "second scan", "scan after new messages"):
        if step == "scan after new messages":
            with open(inbox, "rb") as f:
                text = f.read()
            # The first two hundred messages again, as if delivered anew, and one out of order.
            cut = text.index(b"\nFrom - ", 1 << 20) + 1
            with open(inbox, "ab") as f:
                f.write(text[:cut])
        scan(old_cli, files["old"], env, [])
        scan(new_cli, files["new"], env, [])
        compare(files["old"], files["new"], "profile, " + step)


main()
