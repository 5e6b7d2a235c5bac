#!/usr/bin/env python3
"""pdb-reproducible.py IN_PDB OUT_PDB EPOCH SOURCE_DIR

Makes a PDB that GNU ld wrote (--pdb) the same bytes wherever and whenever the build ran:
- the linker's module records its working folder and the PDB's absolute path (S_ENVBLOCK): they
  become "." and the PDB's bare name, the form the binary's debug directory already names it by;
- the PDB's signature is the link's clock time: it becomes EPOCH (the commit's time);
- each module names the object or library it came from by its absolute path: SOURCE_DIR (the
  checkout, which holds the build folders) becomes ".", as -ffile-prefix-map has it for sources.
The GUID and age that tie the PDB to its binary are kept (GNU ld derives the GUID from the
image with --build-id=sha1). The file is written anew as an MSF 7.00 container with the same
streams, laid out in order.
"""
import os
import struct
import sys

MAGIC = b"Microsoft C/C++ MSF 7.00\r\n\x1aDS\0\0\0"
NIL = 0xFFFFFFFF
S_ENVBLOCK = 0x113D
PDB_INFO_STREAM, DBI_STREAM = 1, 3
MODINFO_OFFSET, MODINFO_SIZE_FIELD = 64, 24  # in the DBI stream's header


def read_streams(data):
    if not data.startswith(MAGIC):
        raise SystemExit("not an MSF 7.00 file")
    block, _, _, dir_bytes, _, map_addr = struct.unpack_from("<6I", data, len(MAGIC))
    blocks_of = lambda count, at: struct.unpack_from("<%dI" % count, data, at)
    dir_blocks = blocks_of(-(-dir_bytes // block), map_addr * block)
    directory = b"".join(data[b * block:(b + 1) * block] for b in dir_blocks)[:dir_bytes]
    count = struct.unpack_from("<I", directory)[0]
    sizes = struct.unpack_from("<%dI" % count, directory, 4)
    at, streams = 4 + 4 * count, []
    for size in sizes:
        if size == NIL:
            streams.append(None)
            continue
        ids = struct.unpack_from("<%dI" % -(-size // block), directory, at)
        at += 4 * len(ids)
        streams.append(b"".join(data[b * block:(b + 1) * block] for b in ids)[:size])
    return block, streams


def write_msf(block, streams):
    """Streams in order, then the directory and its map; free-page maps at blocks 1 and 2 of
    every interval of `block` blocks, as the format places them."""
    layout = []  # block contents by index

    def take():
        while len(layout) % block in (1, 2):
            layout.append(None)  # a free-page map block, filled last
        layout.append(b"")
        return len(layout) - 1

    def place(payload):
        ids = []
        for at in range(0, len(payload), block):
            ids.append(take())
            layout[ids[-1]] = payload[at:at + block]
        return ids

    layout.append(b"")  # the superblock
    sizes, ids = [], []
    for stream in streams:
        sizes.append(NIL if stream is None else len(stream))
        ids.extend(place(stream or b""))
    directory = struct.pack("<I", len(streams)) + struct.pack("<%dI" % len(sizes), *sizes)
    directory += struct.pack("<%dI" % len(ids), *ids)
    dir_ids = place(directory)
    map_id = place(struct.pack("<%dI" % len(dir_ids), *dir_ids))[0]
    count = len(layout)
    # One bit a block, 1 for free; the bits run on from one interval's first map to the next.
    free = bytearray(b"\xff" * (block * -(-count // (8 * block))))
    for index in range(count):
        free[index // 8] &= ~(1 << index % 8) & 0xFF
    for index in range(count):
        if layout[index] is None:
            part = index // block * block
            layout[index] = bytes(free[part:part + block]) if index % block == 1 else b"\xff" * block
    layout[0] = MAGIC + struct.pack("<6I", block, 1, count, len(directory), 0, map_id)
    return b"".join(content.ljust(block, b"\0") for content in layout)


def env_block(fields):
    body = struct.pack("<HB", S_ENVBLOCK, 0) + b"".join(f + b"\0" for f in fields) + b"\0"
    body += b"\0" * (-(len(body) + 2) % 4)
    return struct.pack("<H", len(body)) + body


def scrub_module(symbols, pdb_name):
    """The module's symbols with its S_ENVBLOCK rewritten, and the change in length."""
    at = 4  # past the signature
    while at < len(symbols):
        length, kind = struct.unpack_from("<HH", symbols, at)
        if kind == S_ENVBLOCK:
            fields = symbols[at + 5:at + 2 + length].rstrip(b"\0").split(b"\0")
            pairs = dict(zip(fields[0::2], fields[1::2]))
            pairs[b"cwd"], pairs[b"pdb"] = b".", pdb_name
            new = env_block([x for pair in pairs.items() for x in pair])
            return symbols[:at] + new + symbols[at + 2 + length:], len(new) - (2 + length)
        at += 2 + length
    return symbols, 0


def scrub_modules(dbi, streams, pdb_name, prefix):
    """The DBI stream with each module's object path made relative to the checkout, and the
    linker module's stream scrubbed; the module list is rewritten whole."""
    end = MODINFO_OFFSET + struct.unpack_from("<i", dbi, MODINFO_SIZE_FIELD)[0]
    at, modules = MODINFO_OFFSET, []
    while at < end:
        stream, sym_bytes = struct.unpack_from("<HI", dbi, at + 34)
        fixed = bytearray(dbi[at:at + 64])
        names = dbi[at + 64:].split(b"\0", 2)[:2]
        if names[0] == b"* Linker *" and stream != 0xFFFF:
            module = streams[stream]
            symbols, grown = scrub_module(module[:sym_bytes], pdb_name)
            streams[stream] = symbols + module[sym_bytes:]
            struct.pack_into("<I", fixed, 36, sym_bytes + grown)
        at += 64 + len(names[0]) + len(names[1]) + 2
        at += -at % 4
        entry = bytes(fixed) + b"".join(n.replace(prefix, b".", 1) + b"\0" for n in names)
        modules.append(entry + b"\0" * (-len(entry) % 4))
    listing = b"".join(modules)
    head = bytearray(dbi[:MODINFO_OFFSET])
    struct.pack_into("<i", head, MODINFO_SIZE_FIELD, len(listing))
    return bytes(head) + listing + dbi[end:]


def main(source, target, epoch, source_dir):
    with open(source, "rb") as f:
        block, streams = read_streams(f.read())
    info = bytearray(streams[PDB_INFO_STREAM])
    struct.pack_into("<I", info, 4, epoch & 0xFFFFFFFF)
    streams[PDB_INFO_STREAM] = bytes(info)
    pdb_name = os.path.basename(source).encode()
    prefix = os.path.abspath(source_dir).encode()
    streams[DBI_STREAM] = scrub_modules(streams[DBI_STREAM], streams, pdb_name, prefix)
    with open(target, "wb") as f:
        f.write(write_msf(block, streams))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4])
