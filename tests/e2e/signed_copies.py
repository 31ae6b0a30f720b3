"""Signed executables changed where their signature does not look: bytes
added inside the certificate table, or after it (an overlay)."""

import struct


def security_entry(data):
    """The file offset of the optional header's certificate table entry."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    return pe + 24 + (128 if magic == 0x10B else 144)


def with_bytes_in_table(source, output, extra):
    """`source` with `extra` at the end of its certificate table, the table's
    size and its one entry's length grown to hold them: the file still
    verifies."""
    data = bytearray(source.read_bytes())
    entry = security_entry(data)
    offset, size = struct.unpack_from("<II", data, entry)
    struct.pack_into("<I", data, entry + 4, size + len(extra))
    struct.pack_into("<I", data, offset, size + len(extra))
    output.write_bytes(bytes(data) + extra)
    return output


def with_overlay(source, output, extra):
    """`source` with `extra` after its certificate table."""
    output.write_bytes(source.read_bytes() + extra)
    return output
