"""Prints every cell of a workbook as an independent reader sees it.

    /usr/bin/python3 read_workbook.py WORKBOOK

One line per worksheet, "sheet" and its name, then one line per cell, row by
row: "n" and the number (Python's repr), "s" and the text as hexadecimal
UTF-8, or "e" for an empty cell, each after its row and column (from 1) and a
tab. The workbook format's escapes of characters XML cannot hold ("_x0001_")
are undone here, as the format defines them; the reader leaves them in.
"""
import re
import sys
import warnings

import openpyxl

ESCAPE = re.compile(r"_x([0-9A-Fa-f]{4})_")


def unescape(text):
    return ESCAPE.sub(lambda match: chr(int(match.group(1), 16)), text)


def main(path):
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # a workbook the reader has to mend fails
        workbook = openpyxl.load_workbook(path, read_only=False)
    out = sys.stdout
    for sheet in workbook.worksheets:
        out.write("sheet\t%s\n" % unescape(sheet.title).encode("utf-8").hex())
        for row in sheet.iter_rows():
            for cell in row:
                value = cell.value
                if value is None:
                    shown = "e"
                elif isinstance(value, str):
                    shown = "s\t" + unescape(value).encode("utf-8").hex()
                elif isinstance(value, (int, float)) and not isinstance(value, bool):
                    shown = "n\t" + repr(value)
                else:
                    shown = "?\t" + repr(value)
                out.write("%d\t%d\t%s\n" % (cell.row, cell.column, shown))


if __name__ == "__main__":
    main(sys.argv[1])
