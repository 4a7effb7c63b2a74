"""Prints the bytes that the texts of the records in a JSON Lines export take in UTF-16: the
folder's text against which the memory of a scan or of a stored folder's load is measured."""
import json
import sys

TEXTS = ("client", "folder", "id", "subject", "server", "sender_name", "sender_email", "received",
         "receiver_name", "receiver_email", "account")

total = 0
with open(sys.argv[1], encoding="utf-8") as export:
    for line in export:
        row = json.loads(line)
        total += sum(len(row[name].encode("utf-16-le")) for name in TEXTS if name != "client")
print(total)
