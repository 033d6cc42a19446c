#!/usr/bin/env python3
"""Fills the numeric help-context map of a WinHelp file.

The program asks for help by number (WinHelp HELP_CONTEXT with a control's
help context), but the help compiler only names its topics. This step looks
each named topic up in the file's context table and writes the internal file
|CTXOMAP: a 16-bit count followed by pairs of 32-bit context number and topic
offset.

    fill_context_map.py HELPFILE MAPFILE

MAPFILE has one "NUMBER TOPIC-NAME" pair a line; "#" starts a comment. A
topic name the help file does not define is an error, and the help file is
then left as it was.
"""
import struct
import sys

FILE_MAGIC = 0x00035F3F
BTREE_MAGIC = 0x293B
FILE_HEADER_SIZE = 9  # reserved space, used space, flags
BTREE_HEADER_SIZE = 38
LEAF_HEADER_SIZE = 8  # unused, entries, previous page, next page
NO_PAGE = 0xFFFF


class HelpFileError(Exception):
    pass


def context_hash(name):
    """WinHelp's hash of a topic name, as its context table keys it."""
    value = 0
    for ch in name:
        if "A" <= ch <= "Z":
            digit = ord(ch) - ord("A") + 17
        elif "a" <= ch <= "z":
            digit = ord(ch) - ord("a") + 17
        elif "1" <= ch <= "9":
            digit = ord(ch) - ord("0")
        elif ch == "0":
            digit = 10
        elif ch == ".":
            digit = 12
        elif ch == "_":
            digit = 13
        else:
            continue
        value = (value * 43 + digit) & 0xFFFFFFFF
    return value


def read_map(path):
    pairs = []
    with open(path, encoding="ascii") as lines:
        for number, line in enumerate(lines, 1):
            text = line.split("#", 1)[0].split()
            if not text:
                continue
            if len(text) != 2 or not text[0].isdigit():
                raise HelpFileError(f"{path}:{number}: expected NUMBER TOPIC-NAME")
            pairs.append((int(text[0]), text[1]))
    numbers = [number for number, _ in pairs]
    if len(set(numbers)) != len(numbers):
        raise HelpFileError(f"{path}: a context number is given twice")
    return pairs


class HelpFile:
    def __init__(self, data):
        self.data = bytearray(data)
        if len(data) < 16 or struct.unpack_from("<I", data, 0)[0] != FILE_MAGIC:
            raise HelpFileError("not a WinHelp file")
        self.directory = struct.unpack_from("<I", data, 4)[0]

    def leaf_entries(self, start, entry_size):
        """(position, entry) for each entry of the B+ tree internal file at
        Start, whose leaf entries Entry_size measures."""
        tree = start + FILE_HEADER_SIZE
        magic, _, page_size = struct.unpack_from("<HHH", self.data, tree)
        if magic != BTREE_MAGIC:
            raise HelpFileError(f"no B+ tree at offset {start}")
        root, _, levels = struct.unpack_from("<HHH", self.data, tree + 26)
        pages = tree + BTREE_HEADER_SIZE
        page = root
        # Down the leftmost branch: an index page names its first child
        # in the field after its entry count.
        for _ in range(levels - 1):
            page = struct.unpack_from("<H", self.data, pages + page * page_size + 4)[0]
        while page != NO_PAGE:
            base = pages + page * page_size
            entries, _, following = struct.unpack_from("<hHH", self.data, base + 2)
            position = base + LEAF_HEADER_SIZE
            for _ in range(entries):
                size = entry_size(position)
                yield position, bytes(self.data[position:position + size])
                position += size
            page = following

    def directory_entry(self, name):
        """Position of the offset field of Name's directory entry."""
        wanted = name.encode("ascii") + b"\0"

        def entry_size(position):
            return self.data.index(b"\0", position) - position + 1 + 4

        for position, entry in self.leaf_entries(self.directory, entry_size):
            if entry[: len(wanted)] == wanted:
                return position + len(wanted)
        raise HelpFileError(f"the help file has no internal file {name}")

    def topic_offsets(self):
        start = struct.unpack_from("<I", self.data, self.directory_entry("|CONTEXT"))[0]
        offsets = {}
        for _, entry in self.leaf_entries(start, lambda position: 8):
            key, offset = struct.unpack("<II", entry)
            offsets[key] = offset
        return offsets

    def replace_context_map(self, pairs):
        """Appends a new |CTXOMAP and points the directory at it."""
        body = struct.pack("<H", len(pairs))
        for number, offset in pairs:
            body += struct.pack("<II", number, offset)
        field = self.directory_entry("|CTXOMAP")
        old = struct.unpack_from("<I", self.data, field)[0]
        flags = self.data[old + 8]
        new = len(self.data)
        self.data += struct.pack("<IIB", FILE_HEADER_SIZE + len(body), len(body), flags) + body
        struct.pack_into("<I", self.data, field, new)
        struct.pack_into("<I", self.data, 12, len(self.data))


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    help_path, map_path = argv[1], argv[2]
    try:
        pairs = read_map(map_path)
        with open(help_path, "rb") as source:
            help_file = HelpFile(source.read())
        offsets = help_file.topic_offsets()
        resolved = []
        for number, topic in pairs:
            key = context_hash(topic)
            if key not in offsets:
                raise HelpFileError(f"context {number}: the help file has no topic {topic}")
            resolved.append((number, offsets[key]))
        help_file.replace_context_map(sorted(resolved))
    except (OSError, HelpFileError, struct.error, ValueError) as error:
        print(f"fill_context_map: {help_path}: {error}", file=sys.stderr)
        return 1
    with open(help_path, "wb") as target:
        target.write(help_file.data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
