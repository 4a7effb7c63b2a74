#!/usr/bin/python3
"""Compares the header facts that formats_text_header_dump reads from real messages with what
Python's email package decodes from the same bytes.

Usage: text_header_vs_python.py DUMP_PROGRAM REALDATA_DIR

Every .eml message and every mbox message below REALDATA_DIR takes part. For each one the
subject, sender and receiver (display name and address of the first address), message id and
date (in UTC, and in local time under TZ=Europe/Berlin) must agree. Python splits the mbox files;
each message is handed to the dump program whole, its "From " line included, as a collector does.

How the peer's values are taken:
- Header values come from Python's parser (compat32, raw_items), first occurrence, unfolded.
- Raw 8-bit header text is read as UTF-8 when it is valid UTF-8, otherwise through Python's codec
  of the charset that the top-level Content-Type declares (when Python knows it, it is not UTF-8
  nor a 7-bit ISO-2022 form and it reads ASCII as ASCII), otherwise as Windows-1252; the peer
  decodes only the encoded words of that text (email.policy.default header classes).
- A bare address (no "<" and no "(") gives the address as both name and address; an address
  followed by a comment gives the comment as name (the peer's email.utils.parseaddr reading).
Where our reading differs from the peer's by the rules of our parser, EXPECTED names the message,
the field, our value and the reason. Any other difference fails the test.
"""

import codecs
import datetime
import email
import email.policy
import email.utils
import glob
import json
import mailbox
import os
import re
import subprocess
import sys
import zoneinfo

TZ = "Europe/Berlin"
SKIPPED = 77  # CTest reports the test as skipped

APOSTROPHES = "a display name in apostrophes loses them"
BARE_LIST = "a list of addresses without brackets is taken whole as name and address"
GBK = ("gb2312 words are read as GBK, the superset senders use; the peer decodes strict "
       "GB2312 and marks the GBK characters as errors")
NEC_ROW13 = ("ISO-2022-JP is read as Windows mail programs write it, with the NEC signs of row "
             "13 (0x2D62 is \"\u2116\"); the peer's strict ISO-2022-JP cannot decode the word "
             "and leaves it as it stands")
NAME_COMMENT = ("the display name is the text before \"<\"; a comment inside it stays (the peer "
                "drops comments)")
NO_COLON_LINE = ("the second line holds no colon; the header block ends only at the first empty "
                 "line, while the peer ends the header there and sees none of these fields")

# message -> field -> (our value, reason)
EXPECTED = {
    "eml/bad_encoded_subject.eml": {
        "subject": ("TES", "the base64 text lacks a padding character; the characters after "
                           "its last complete group of four are ignored"),
    },
    "eml/gb2312_18030.eml": {
        "subject": ("讀取: ??排??生?a", GBK),
        "from_name": ("梁祐晟", GBK),
        "to_name": ("林慶美", APOSTROPHES + ", and the encoded word inside them is decoded; the "
                    "peer keeps both"),
    },
    "eml/iso-2022-jp_issue116.eml": {"subject": ("ЖД№41 от 28.09.2016", NEC_ROW13)},
    "mbox/thunderbird153_profile/og1rnls1.default/Mail/Local Folders/RealMail#3": {
        "subject": ("ЖД№41 от 28.09.2016", NEC_ROW13),
    },
    "eml/iso-8859-8-i_issue149.eml": {
        "subject": ("מענה 'אני לא נמצא': Invoice 02722027",
                    "iso-8859-8-i is read as ISO-8859-8 (logical order); the peer does not know "
                    "the name"),
    },
    "eml/sa_gb2312_oe.eml": {"from_name": ("Jason Lee (李展锋)", NAME_COMMENT)},
    "mbox/thunderbird153_profile/og1rnls1.default/Mail/Local Folders/RealMail#2": {
        "from_name": ("Jason Lee (李展锋)", NAME_COMMENT),
    },
    "eml/sa_unicode2_utf16.eml": {
        "from_email": ("👉 test", "no brackets: the decoded text is name and address as it "
                                  "stands; the peer quotes it as a local part"),
    },
    "eml/utf16_encoded_word_split.eml": {
        "subject": ("☺ vų. \ufffd\ufffd뮘", NO_COLON_LINE + "; adjacent words of one charset are "
                    "decoded together, a UTF-16 text with an odd byte count ends in U+FFFD"),
        "from_email": ("t@localhost", NO_COLON_LINE),
        "to_email": ("t@localhost", NO_COLON_LINE),
        "message_id": ("<0@localhost>", NO_COLON_LINE),
        "utc": ("2015-04-01 00:00:00", NO_COLON_LINE),
        "local": ("2015-04-01 02:00:00", NO_COLON_LINE),
    },
    "eml/windows-1251_m0021.eml": {
        "to_email": ("mail@exemple.com, mail2@exemple3.com, mail3@exemple2.com", BARE_LIST),
    },
    "eml/windows-1252_invalid_subject.eml": {
        "to_email": ("martin@internet.ao, iris@internet.ao, support@maxnet.ao", BARE_LIST),
    },
    "eml/python311_test_email_data/msg_36.txt": {
        "to_email": ("IETF-Announce:", "the empty group \"IETF-Announce: ;\" is cut before its "
                     "\";\" and taken as a bare address"),
    },
    "mbox/mimekit_jwz_content-length.mbox#6": {
        "from_email": ("develop!nextmime@ebony@sblab.att.com",
                       "no brackets: the text is taken as the address; the peer finds no valid one"),
        "to_email": ("@develop:sblab!att!thumper.bellcore.com!nsb",
                     "no brackets: the text is taken as the address; the peer finds no valid one"),
    },
    "mbox/mimekit_jwz_content-length.mbox#21": {"to_name": ("smime-dev@rsa.com", APOSTROPHES)},
    "mbox/mimekit_jwz_content-length.mbox#23": {"to_name": ("smime-dev@rsa.com", APOSTROPHES)},
    "mbox/mimekit_jwz_content-length.mbox#24": {"to_name": ("smime-dev@rsa.com", APOSTROPHES)},
    "mbox/mimekit_jwz_content-length.mbox#26": {"to_name": ("smime-dev@rsa.com", APOSTROPHES)},
    "mbox/mimekit_jwz_content-length.mbox#27": {
        "to_name": ("", "the group \"unlisted-recipients:;\" is cut before its \";\" and taken "
                        "as a bare address; the peer cannot read the group"),
        "to_email": ("unlisted-recipients:", "the group is cut before its \";\" and taken as a "
                     "bare address; the peer cannot read the group"),
    },
    "mbox/tb_panorama_migration.mbox#2": {
        "from_name": ("Zoë Yundt", "the display name is unquoted after its encoded word is "
                      "decoded; the peer keeps quotes that come out of an encoded word"),
    },
    "mbox/mailbox_perl_mbox.src#5": {"to_name": ("Steve Sapovits", APOSTROPHES)},
    "mbox/mailbox_perl_mbox.src#6": {"to_name": ("Steve Sapovits", APOSTROPHES)},
    "mbox/mailbox_perl_mbox.src#7": {"to_name": ("Steve Sapovits", APOSTROPHES)},
    "mbox/mailbox_perl_mbox.src#9": {"to_name": ("Ivo", APOSTROPHES)},
    "mbox/mailbox_perl_mbox.win#5": {"to_name": ("Steve Sapovits", APOSTROPHES)},
    "mbox/mailbox_perl_mbox.win#6": {"to_name": ("Steve Sapovits", APOSTROPHES)},
    "mbox/mailbox_perl_mbox.win#7": {"to_name": ("Steve Sapovits", APOSTROPHES)},
    "mbox/mailbox_perl_mbox.win#9": {"to_name": ("Ivo", APOSTROPHES)},
}


def cp1252(raw):
    out = []
    for b in raw:
        try:
            out.append(bytes([b]).decode("cp1252"))
        except UnicodeDecodeError:
            out.append(chr(b))  # the five bytes Windows-1252 leaves undefined keep their value
    return "".join(out)


# Printable ASCII but backslash and tilde, as our parser probes (its Shift_JIS reads them as yen
# and overline).
PROBE = "AZaz09 !\"#$%&'()*+,-./:;<=>?@[]^_`{|}"


def raw_charset(msg):
    """The charset the message declares for raw 8-bit header text that is not UTF-8, or None."""
    try:
        charset = msg.get_content_charset()
        if not charset or "2022" in charset or codecs.lookup(charset).name in ("utf-8", "ascii"):
            return None
        return charset if PROBE.encode("ascii").decode(charset) == PROBE else None
    except (LookupError, UnicodeError):
        return None


def raw_text(value, charset):
    raw = value.encode("ascii", "surrogateescape")
    raw = re.sub(rb"\r\n|\r|\n", b"", raw)
    if any(b > 0x7F for b in raw):
        try:
            return raw.decode("utf-8")
        except UnicodeDecodeError:
            return raw.decode(charset, "replace") if charset else cp1252(raw)
    return raw.decode("ascii")


def first_header(msg, name):
    for key, value in msg.raw_items():
        if key.lower() == name:
            return raw_text(value, raw_charset(msg)).strip()
    return None


def first_address(name, text):
    if text is None:
        return "", ""
    try:
        header = email.policy.default.header_factory(name, text)
        addresses = header.addresses
    except Exception:  # the peer cannot read it: left to EXPECTED
        return "<unreadable>", "<unreadable>"
    if not addresses:
        return "", ""
    a = addresses[0]
    display_name, addr_spec = a.display_name, a.addr_spec
    if addr_spec == "<>":  # the peer's spelling of the empty (null) address
        addr_spec = ""
    if not display_name:
        # "ann@example.org (Ann Lee)": the header classes drop the comment, the older address
        # parser of the same package gives it as the name.
        comment_name, _ = email.utils.parseaddr(text)
        if comment_name and "(" in text:
            display_name = str(email.policy.default.header_factory("subject", comment_name))
    return display_name, addr_spec


def date_texts(text):
    if text is None:
        return "", ""
    try:
        when = email.utils.parsedate_to_datetime(text)
    except Exception:
        return "", ""
    if when is None:
        return "", ""
    if when.tzinfo is None:  # "-0000": the zone is unknown, the time is UTC
        when = when.replace(tzinfo=datetime.timezone.utc)
    utc = when.astimezone(datetime.timezone.utc)
    local = when.astimezone(zoneinfo.ZoneInfo(TZ))
    fmt = "%Y-%m-%d %H:%M:%S"
    return utc.strftime(fmt), local.strftime(fmt)


def peer_facts(data):
    msg = email.message_from_bytes(data, policy=email.policy.compat32)
    subject = first_header(msg, "subject")
    if subject is not None:
        subject = str(email.policy.default.header_factory("subject", subject))
    from_text = first_header(msg, "from")
    to_text = first_header(msg, "to")
    from_name, from_email = first_address("from", from_text)
    to_name, to_email = first_address("to", to_text)
    message_id = first_header(msg, "message-id") or ""
    utc, local = date_texts(first_header(msg, "date"))
    return {
        "subject": subject or "",
        "from_name": from_name, "from_email": from_email,
        "to_name": to_name, "to_email": to_email,
        "message_id": message_id, "utc": utc, "local": local,
    }


def our_view(ours):
    """Our facts in the peer's shape: a bare address stands for both name and address."""
    view = dict(ours)
    for side in ("from", "to"):
        text = ours[side]
        if "<" not in text and "(" not in text and ours[side + "_name"] == ours[side + "_email"]:
            view[side + "_name"] = ""
    return view


def messages(root):
    eml = sorted(glob.glob(os.path.join(root, "eml", "*.eml")))
    eml += sorted(glob.glob(os.path.join(root, "eml", "hdrs_*.txt")))
    eml += sorted(glob.glob(os.path.join(root, "eml", "python311_test_email_data", "*.txt")))
    eml += sorted(glob.glob(os.path.join(root, "mbox", "*.eml")))
    for path in eml:
        with open(path, "rb") as f:
            yield os.path.relpath(path, root), f.read()
    boxes = sorted(glob.glob(os.path.join(root, "mbox", "*.mbox")))
    boxes += sorted(glob.glob(os.path.join(root, "mbox", "tb_mbox_*")))
    boxes += sorted(glob.glob(os.path.join(root, "mbox", "mailbox_perl_mbox.*")))
    boxes += sorted(glob.glob(os.path.join(root, "oe4", "*.mbox")))
    for folder in sorted(glob.glob(os.path.join(root, "mbox", "thunderbird153_profile", "*",
                                                  "*Mail", "**"), recursive=True)):
        if os.path.isfile(folder) and not os.path.splitext(folder)[1]:
            boxes.append(folder)
    for path in boxes:
        box = mailbox.mbox(path, create=False)
        for i, key in enumerate(box.keys()):
            yield "%s#%d" % (os.path.relpath(path, root), i), box.get_bytes(key, from_=True)


def main():
    dump, root = sys.argv[1], sys.argv[2]
    if not os.path.isdir(os.path.join(root, "eml")):
        print("real data not found:", os.path.join(root, "eml"), "- skipped")
        return SKIPPED
    if not os.path.exists(os.path.join("/usr/share/zoneinfo", TZ)):
        print("zone database (tzdata) lacks", TZ, "- skipped")
        return SKIPPED
    names, blobs = [], []
    for name, data in messages(root):
        names.append(name)
        blobs.append(data)
    stdin = b"".join(b"%d\n" % len(b) + b for b in blobs)
    env = dict(os.environ, TZ=TZ)
    out = subprocess.run([dump], input=stdin, capture_output=True, env=env, check=True).stdout
    rows = [json.loads(line) for line in out.decode("utf-8").splitlines()]
    if len(rows) != len(names):
        print("dump gave %d rows for %d messages" % (len(rows), len(names)))
        return 1

    failures, used = [], set()
    fields = ["subject", "from_name", "from_email", "to_name", "to_email", "message_id", "utc",
              "local"]
    for name, data, ours in zip(names, blobs, rows):
        peer = peer_facts(data)
        view = our_view(ours)
        for field in fields:
            expected = EXPECTED.get(name, {}).get(field)
            if expected is not None:
                used.add((name, field))
                if view[field] != expected[0]:
                    failures.append("%s %s: ours %r, expected %r (%s)"
                                    % (name, field, view[field], expected[0], expected[1]))
                continue
            if view[field] != peer[field]:
                failures.append("%s %s: ours %r, Python %r" % (name, field, view[field], peer[field]))
    for name, by_field in EXPECTED.items():
        for field in by_field:
            if (name, field) not in used:
                failures.append("%s %s: expected difference not met (message missing?)" % (name, field))
    print("%d messages compared" % len(names))
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
