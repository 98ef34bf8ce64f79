#!/usr/bin/env python3
"""Writes the hand-checked record files of this folder byte by byte from the layout tables.

sales.qda: one address record, the entry Sales with the folder F:\\mail\\sales\\ and
"Use as Server" ticked.
lunch.qdm: one message record from Anna to Ben with one attachment; the subject holds
Windows-1252 characters (e-acute 0xE9, the euro sign 0x80).
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def short_string(record, offset, text):
    record[offset] = len(text)
    record[offset + 1:offset + 1 + len(text)] = text


def sales():
    record = bytearray(1292)
    short_string(record, 0, b"Sales")               # Name
    short_string(record, 128, b"F:\\mail\\sales\\")  # InBox, 14 characters
    record[768] = 1                                  # Server
    return bytes(record)


def lunch():
    record = bytearray(19100)
    short_string(record, 0, b"Anna")                       # From
    short_string(record, 256, b"Ben")                      # ToNames[1]
    short_string(record, 256 + 256, b"Carl")               # ToNames[2]
    short_string(record, 2816, b"/mail/ben/")              # ToFolders[1]
    short_string(record, 2816 + 256, b"/mail/carl/")       # ToFolders[2]
    short_string(record, 5376, b"not yet avalable")        # Placeholder1
    short_string(record, 5632, b"not yet avalable")        # Placeholder2
    short_string(record, 5888, b"Caf\xe9 at 12, \x805")     # Subject
    body = b"{\\rtf1\\ansi Hello Ben\\par\r\n}"
    record[6016:6016 + len(body)] = body                   # Body, zero after it
    short_string(record, 16017, b"menu.pdf")               # AttachNames[1]
    short_string(record, 16017 + 9 * 256, b"map.png")      # AttachNames[10]
    return bytes(record)


if __name__ == "__main__":
    with open(os.path.join(HERE, "sales.qda"), "wb") as f:
        f.write(sales())
    with open(os.path.join(HERE, "lunch.qdm"), "wb") as f:
        f.write(lunch())
