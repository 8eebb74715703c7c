#!/usr/bin/env python3
"""Split a FASTA file (plain or gzip) into shards at record boundaries, balanced by bytes.

    split_fasta.py [--shards N] [--list FILE] SOURCE FOLDER

writes FOLDER/part_0001.fa, part_0002.fa, ... (plain text): min(N, records) shards, each
holding whole records, in the order of SOURCE, so that the shards' text one after the other
is SOURCE's (inflated) text byte for byte; whatever comes before the first header goes with
the first shard. The cuts fall at the record starts nearest to equal shares of the inflated
text's bytes. With --list, FILE gets one line per shard, in order: its name, records and
bytes, tab-separated, after a header line; it is written last, so that it names only
complete shards. Standard library only, so that it runs wherever Snakemake runs.

Exit status: 0 success, 1 the input cannot be split (one line on stderr), 2 bad usage.
"""

import argparse
import bisect
import os
import sys
import zlib

BLOCK = 1 << 20
GZIP_MAGIC = b"\x1f\x8b"
BYTE_ORDER_MARK = b"\xef\xbb\xbf"
LINE_ENDS = (b"\n", b"\r")


class SplitError(Exception):
    """The input cannot be split; the message names the file and what is wrong."""


def inflated_blocks(stream, name):
    """The inflated bytes of a gzip stream of one or more members, in blocks of at most BLOCK.

    Like the export, bytes after the last member that start no other member are an error,
    and so is a member cut short."""
    inflater = zlib.decompressobj(zlib.MAX_WBITS | 16)
    pending = b""
    while True:
        if not pending:
            pending = stream.read(BLOCK)
            if not pending:
                rest = inflater.flush()
                if rest:
                    yield rest
                if not inflater.eof:
                    raise SplitError(f"{name}: the gzip data is cut short")
                return
        try:
            block = inflater.decompress(pending, BLOCK)
        except zlib.error as error:
            raise SplitError(f"{name}: not readable as gzip ({error})") from None
        if block:
            yield block
        pending = inflater.unconsumed_tail
        if inflater.eof:
            pending = inflater.unused_data + pending
            while len(pending) < len(GZIP_MAGIC):
                more = stream.read(BLOCK)
                if not more:
                    break
                pending += more
            if not pending:
                return
            if not pending.startswith(GZIP_MAGIC):
                raise SplitError(f"{name}: bytes after the last gzip member start no other member")
            inflater = zlib.decompressobj(zlib.MAX_WBITS | 16)


def text_blocks(path):
    """The text of the FASTA file at path, inflated when it starts as gzip does."""
    with open(path, "rb") as stream:
        gzipped = stream.read(len(GZIP_MAGIC)) == GZIP_MAGIC
        stream.seek(0)
        if gzipped:
            yield from inflated_blocks(stream, path)
        else:
            while block := stream.read(BLOCK):
                yield block


def record_starts(blocks):
    """The offset of every header line ('>' at the start of a line, after LF or CR) and the
    text's length. A header right after a UTF-8 byte order mark counts too."""
    starts = []
    offset = 0
    previous = b"\n"  # the text starts a line
    head = b""
    for block in blocks:
        if len(head) < len(BYTE_ORDER_MARK):
            head += block[: len(BYTE_ORDER_MARK) - len(head)]
        at = block.find(b">")
        while at != -1:
            before = block[at - 1 : at] if at else previous
            where = offset + at
            if before in LINE_ENDS or (where == len(BYTE_ORDER_MARK) and head == BYTE_ORDER_MARK):
                starts.append(where)
            at = block.find(b">", at + 1)
        previous = block[-1:]
        offset += len(block)
    return starts, offset


def shard_cuts(starts, total, wanted):
    """Where each shard starts: min(wanted, records) offsets, the first 0, each other the start
    of the record nearest to an equal share of total, every shard holding one record or more."""
    count = min(wanted, len(starts))
    cuts = [0]
    chosen = 0
    for shard in range(1, count):
        target = total * shard / count
        lowest, highest = chosen + 1, len(starts) - (count - shard)
        near = bisect.bisect_left(starts, target, lowest, highest + 1)
        candidates = [j for j in (near - 1, near) if lowest <= j <= highest]
        chosen = min(candidates, key=lambda j: (abs(starts[j] - target), j))
        cuts.append(starts[chosen])
    return cuts


def shard_name(folder, index, count):
    return os.path.join(folder, f"part_{index + 1:0{max(4, len(str(count)))}d}.fa")


def write_shards(blocks, cuts, total, folder, source):
    """Writes the text in blocks into one file per cut; returns the files' paths."""
    paths = [shard_name(folder, index, len(cuts)) for index in range(len(cuts))]
    bounds = cuts[1:] + [total]
    shard = 0
    offset = 0
    out = open(paths[0], "wb")
    try:
        for block in blocks:
            while block:
                take = min(len(block), bounds[shard] - offset)
                if take == 0:
                    raise SplitError(f"{source}: the file grew while being split")
                out.write(block[:take])
                block = block[take:]
                offset += take
                if offset == bounds[shard] and shard + 1 < len(cuts):
                    out.close()
                    shard += 1
                    out = open(paths[shard], "wb")
    finally:
        out.close()
    if offset != total or shard != len(cuts) - 1:
        raise SplitError(f"{source}: the file shrank while being split")
    return paths


def split(source, folder, wanted):
    """Splits source into at most wanted shards in folder; returns their paths, bytes and records."""
    starts, total = record_starts(text_blocks(source))
    if total == 0:
        raise SplitError(f"{source} is empty")
    if not starts:
        raise SplitError(f"{source} holds no FASTA header line (a line starting with '>')")
    cuts = shard_cuts(starts, total, wanted)
    os.makedirs(folder, exist_ok=True)
    if os.listdir(folder):
        raise SplitError(f"{folder} is not empty")
    paths = []
    try:
        paths = write_shards(text_blocks(source), cuts, total, folder, source)
    except BaseException:
        for path in os.listdir(folder):
            os.remove(os.path.join(folder, path))
        raise
    sizes = [end - start for start, end in zip(cuts, cuts[1:] + [total])]
    ends = [bisect.bisect_left(starts, cut) for cut in cuts[1:]] + [len(starts)]
    records = [end - begin for begin, end in zip([0] + ends, ends)]
    return paths, sizes, records


def write_list(path, shards, sizes, records):
    """Writes the list of shards under a temporary name and renames it into place."""
    lines = ["part\trecords\tbytes\n"]
    lines += [f"{os.path.basename(shard)}\t{count}\t{size}\n" for shard, count, size in zip(shards, records, sizes)]
    temporary = os.path.join(os.path.dirname(path) or ".", f".{os.path.basename(path)}.{os.getpid()}")
    with open(temporary, "w", encoding="utf-8") as out:
        out.writelines(lines)
    os.replace(temporary, path)


def main(argv):
    parser = argparse.ArgumentParser(
        prog="split_fasta.py",
        description="Split a FASTA file (plain or gzip) into at most N shards at record boundaries, "
        "balanced by bytes, written as FOLDER/part_0001.fa ...",
    )
    parser.add_argument("--shards", type=int, default=8, metavar="N", help="at most N shards (default 8)")
    parser.add_argument("--list", metavar="FILE", help="write the shards' names, records and bytes to FILE")
    parser.add_argument("source", metavar="SOURCE")
    parser.add_argument("folder", metavar="FOLDER", help="an empty or new folder")
    args = parser.parse_args(argv)
    if args.shards < 1:
        parser.error("--shards takes a whole number of 1 or more")
    try:
        paths, sizes, records = split(args.source, args.folder, args.shards)
        if args.list:
            write_list(args.list, paths, sizes, records)
    except SplitError as error:
        print(f"split_fasta.py: error: {error}", file=sys.stderr)
        return 1
    except OSError as error:
        where = f"{error.filename}: " if error.filename else ""
        print(f"split_fasta.py: error: {where}{error.strerror or error}", file=sys.stderr)
        return 1
    print(
        f"{args.source}: {sum(records)} records, {sum(sizes)} bytes in {len(paths)} shards "
        f"of {min(sizes)} to {max(sizes)} bytes",
        file=sys.stderr,
    )
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
