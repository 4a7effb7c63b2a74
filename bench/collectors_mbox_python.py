#!/usr/bin/python3
"""The peer of the mbox benchmark: Python's mailbox module reading the Subject, From, To, Date and
Message-ID of every message of an mbox file. Prints the message count and the seconds spent."""
import mailbox
import sys
import time


def main() -> int:
    start = time.perf_counter()
    count = 0
    fields = 0
    box = mailbox.mbox(sys.argv[1], create=False)
    for message in box:
        for name in ("Subject", "From", "To", "Date", "Message-ID"):
            if message.get(name) is not None:
                fields += 1
        count += 1
    box.close()
    print(count, fields, time.perf_counter() - start)
    return 0


if __name__ == "__main__":
    sys.exit(main())
