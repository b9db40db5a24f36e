#!/usr/bin/env python3
"""Converts the same generated chain pairs with two quillet-convert binaries
and compares what each did: exit status, messages and the table's bytes.

    scripts/compare-converters.py OLD NEW [PAIRS] [SEED]

The pairs are random but reproducible from SEED, every line ended by CR LF
(some indexes LF), and mix the shapes a chain file can take: tabs and runs of
blanks, a leading blank, fractional, exponent and non-numeric sample counts,
text after the samples field, names without a blank, lone CRs, NUL and high
bytes, empty lines inside the data, data lines without a blank, more or fewer
data lines than the index announces. Half the indexes give every variable
its own range of data lines: ranges that tile the data file with equal
counts, and ranges that do not tile it (a gap, an overlap, a number with a
point or an exponent, two or four fields, a first range not from line 1, a
line led by a blank or holding a lone CR). Left out are the shapes whose
conversion was deliberately changed: blank lines at the end of a file, data
lines with nothing after their blanks, ranges that tile the data file with
counts that are not all equal, and index lines whose name used to run on
past a CR or LF into the next line (counted in the summary). Failures may
differ in their messages, which now say where the input ended or which
limit it passed; the summary counts the differing pairs that OLD converted.

Messages are compared with their line ends made LF, so that a Windows build
(run through Wine) can be compared with a Linux one; tables byte for byte.

Prints one line per pair that differs and a summary; exits 1 if any pair
that OLD converted differs.
"""
import os
import random
import re
import subprocess
import sys
import tempfile

NAMES = [b"alpha", b"beta[12]", b"deviance", b"2theta", b"e2", b"\xe4\x00\xff", b"x.y", b"sigma^2"]
VALUES = [b"0.51", b"-1.43658e+06", b"1", b"x", b"\xc3\xa9", b"\x00\x7f", b"0.5 ", b"0.5 x",
          b"a\rb", b"\rlead", b"1\t2", b"\xff" * 3]
SAMPLES = [b"1", b"2", b"3", b"4", b"2.5", b"2.6", b"3e0", b"0", b"x", b"-1", b"1.5"]


def blanks(rng):
    return rng.choice([b" ", b"\t", b"  ", b" \t ", b"\t\t"])


def index_file(rng):
    count = rng.randint(1, 4)
    samples = rng.choice(SAMPLES)
    lines = []
    for i in range(count):
        name = rng.choice(NAMES)
        shape = rng.random()
        if i > 0 and shape < 0.05:
            line = name  # a name line without a blank
        elif shape < 0.08:
            line = b" " + name + b" 1 " + samples  # a leading blank shifts the fields
        else:
            third = samples if i == 0 else str(rng.randint(1, 99)).encode()
            line = name + blanks(rng) + b"1" + blanks(rng) + third
            if i == 0 and rng.random() < 0.15:
                line += rng.choice([b"\tnote", b" extra 9", b"\tx y"])
            if rng.random() < 0.03:
                line = line.replace(b" ", b"\r", 1)  # a lone CR inside the line
        lines.append(line + b"\r\n")
    return b"".join(lines), count, samples


# The ways a ranges index is made not to tile the data file; None keeps it.
BREAKS = [None, None, None, "gap", "overlap", "point", "exponent", "two fields", "four fields",
          "not from 1", "leading blank", "lone CR"]


def ranges_index(rng):
    """An index of ranges, and the data lines they cover."""
    breaking = rng.choice(BREAKS)
    gap_or_overlap = breaking in ("gap", "overlap")
    count = rng.randint(2 if gap_or_overlap else 1, 4)
    equal = rng.random() < 0.5
    counts = [rng.randint(1, 4)] * count if equal else [rng.randint(1, 4) for _ in range(count)]
    broken = rng.randrange(1 if gap_or_overlap else 0, count)  # the line that breaks the tiling
    lines = []
    first = 2 if breaking == "not from 1" else 1
    for i, n in enumerate(counts):
        if i == broken and gap_or_overlap:
            first += 1 if breaking == "gap" else -1
        last = first + n - 1
        fields = [rng.choice(NAMES), str(first).encode(), str(last).encode()]
        if i == broken:
            if breaking == "point":
                fields[2] += b".0"
            elif breaking == "exponent":
                fields[2] += b"e0"
            elif breaking == "two fields":
                fields.pop()
            elif breaking == "four fields":
                fields.append(b"x")
            elif breaking == "lone CR":
                fields[1] = b"\r" + fields[1]
        line = fields[0]
        for field in fields[1:]:
            line += blanks(rng) + field
        if i == broken and breaking == "leading blank":
            line = b" " + line
        if rng.random() < 0.1:
            line += blanks(rng)  # blanks after the last field
        lines.append(line)
        first = last + 1
    end = b"\n" if rng.random() < 0.2 else b"\r\n"
    return b"".join(line + end for line in lines), first - 1


def tiles_unequally(index):
    """Whether the index's ranges tile the data file with counts that are
    not all equal: the shape whose conversion was changed."""
    pieces = index.split(b"\n")  # a CR just before a LF is part of the line end
    lines = [p[:-1] if p.endswith(b"\r") else p for p in pieces[:-1]] + pieces[-1:]
    while lines and not lines[-1].strip(b" \t\r"):
        lines.pop()
    counts, next_first = [], 1
    for line in lines:
        fields = re.split(b"[ \t]+", line)
        if len(fields) == 4 and fields[3] == b"":
            fields.pop()  # blanks after the last field
        if len(fields) != 3 or not fields[0] or not all(re.fullmatch(b"[0-9]+", f)
                                                        for f in fields[1:]):
            return False
        first, last = int(fields[1]), int(fields[2])
        if first != next_first or last < first:
            return False
        counts.append(last - first + 1)
        next_first = last + 1
    return len(set(counts)) > 1


def name_ran_on(index):
    """Whether a line of the index holds no blank, or a CR before its first
    one: its name once ran on into the next line; now it ends there."""
    lines = index.split(b"\n")
    while lines and not lines[-1].strip(b" \t\r"):
        lines.pop()
    for line in lines:
        head = re.split(b"[ \t]", line, maxsplit=1)
        if len(head) == 1 or b"\r" in head[0]:
            return True
    return False


def data_file(rng, total):
    lines = []
    for i in range(total):
        shape = rng.random()
        last = i == total - 1
        if not last and i > 0 and shape < 0.03:
            lines.append(b"\r\n")  # an empty line inside the data
        elif shape < 0.05:
            lines.append(b"7\r\n")  # no blank on the line
        elif shape < 0.08:
            lines.append(b" " + str(i).encode() + b" " + rng.choice(VALUES) + b"\r\n")
        else:
            lines.append(str(1000 + i).encode() + blanks(rng) + rng.choice(VALUES) + b"\r\n")
    return b"".join(lines)


def convert(binary, stem, output):
    done = subprocess.run([binary, "-q", "-o", output, stem], capture_output=True)
    table = open(output, "rb").read() if os.path.exists(output) else None
    # Messages are text: their lines end as the system's do (CR LF on Windows).
    messages = done.stderr.replace(b"\r\n", b"\n").replace(output.encode(), b"OUT")
    return done.returncode, messages, table


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    old, new = sys.argv[1], sys.argv[2]
    pairs = int(sys.argv[3]) if len(sys.argv) > 3 else 500
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 1)
    differ = written = left_out = names_left_out = converted_differ = 0
    statuses = {}
    with tempfile.TemporaryDirectory() as work:
        for n in range(pairs):
            if rng.random() < 0.5:
                index, count, samples = index_file(rng)
                try:
                    per_variable = max(0, int(round(float(samples.decode()))))
                except ValueError:
                    per_variable = 2
                lines = per_variable * count
            else:
                index, lines = ranges_index(rng)
                per_variable = lines
            if tiles_unequally(index):
                left_out += 1
                continue
            if name_ran_on(index):
                names_left_out += 1
                continue
            total = max(1, lines + rng.choice([0, 0, 0, -1, 1, 3, -per_variable]))
            data = data_file(rng, total)
            stem = os.path.join(work, "pair%d" % n)
            open(stem + ".ind", "wb").write(index)
            open(stem + ".out", "wb").write(data)
            before = convert(old, stem, stem + ".old.txt")
            after = convert(new, stem, stem + ".new.txt")
            statuses[before[0]] = statuses.get(before[0], 0) + 1
            written += before[0] == 0
            if before != after:
                differ += 1
                converted_differ += before[0] == 0
                print("pair %d differs: status %d -> %d, %r -> %r" %
                      (n, before[0], after[0], before[1], after[1]))
                print("  index %r\n  data %r" % (index, data))
    print("%d pairs, %d differ (%d of them converted by OLD); old exit statuses %s; "
          "%d tables written; %d of unequal tiling ranges and %d of names that ran on left out" %
          (pairs - left_out - names_left_out, differ, converted_differ,
           dict(sorted(statuses.items())), written, left_out, names_left_out))
    sys.exit(1 if converted_differ else 0)


if __name__ == "__main__":
    main()
