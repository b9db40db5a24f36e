"""Prints every cell of a workbook as a spreadsheet program or library sees it.

    /usr/bin/python3 read_workbook.py [--via openpyxl|libreoffice|gnumeric] WORKBOOK

openpyxl (the default, Debian's python3-openpyxl) reads the workbook itself.
LibreOffice Calc opens it headless and gives every cell's value through its
programming interface (python3-uno). Gnumeric's ssconvert opens it and saves it in
its own file format and as text, read here; anything ssconvert says while
opening it counts as a failure (it reports a cell it cannot place and goes
on).

One line per worksheet, "sheet" and its name, then one line per cell of the
rectangle from A1 to the last cell that holds anything, row by row: "n" and
the number (Python's repr), "s" and the text as hexadecimal UTF-8, or "e" for
an empty cell, each after its row and column (from 1) and a tab. The
workbook format's escapes of characters XML cannot hold ("_x0001_") are undone
here, as the format defines them, where the reader leaves them in: openpyxl in
inline text, and Gnumeric.
"""
import csv
import gzip
import os
import re
import subprocess
import sys
import tempfile
import time
import warnings
import xml.etree.ElementTree as ElementTree

import openpyxl

ESCAPE = re.compile(r"_x([0-9A-Fa-f]{4})_")
GNUMERIC = "{http://www.gnumeric.org/v10.dtd}"
GNUMERIC_NUMBER, GNUMERIC_TEXT = "40", "60"


def unescape(text):
    return ESCAPE.sub(lambda match: chr(int(match.group(1), 16)), text)


def fail(what, output):
    sys.stderr.write("%s\n%s" % (what, output))
    sys.exit(1)


def read_openpyxl(path):
    """Yields (sheet name, {(row, column): value}) for each worksheet."""
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # a workbook the reader has to mend fails
        workbook = openpyxl.load_workbook(path, read_only=False)
    for sheet in workbook.worksheets:
        cells = {}
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is not None:
                    cells[(cell.row, cell.column)] = cell.value
        yield sheet.title, cells


def read_libreoffice(path, scratch):
    """Opens the workbook in LibreOffice Calc, headless, and asks it for every
    cell's value through its own programming interface (Debian's python3-uno):
    the values as Calc holds them, before any saving rounds them."""
    sys.path.append("/usr/lib/python3/dist-packages")
    import uno
    from com.sun.star.beans import PropertyValue

    pipe = "quillet_read_workbook_%d" % os.getpid()
    office = subprocess.Popen(
        ["soffice", "-env:UserInstallation=file://" + os.path.join(scratch, "profile"),
         "--headless", "--invisible", "--nologo", "--norestore", "--nolockcheck",
         "--accept=pipe,name=%s;urp;" % pipe],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
        deadline = time.monotonic() + 120
        while True:
            try:
                context = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:  # not listening yet
                if time.monotonic() > deadline or office.poll() is not None:
                    fail("LibreOffice did not start", "")
                time.sleep(0.2)
        desktop = context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", context)
        hidden = PropertyValue()
        hidden.Name, hidden.Value = "Hidden", True
        document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(path), "_blank", 0,
                                                (hidden,))
        if document is None or not hasattr(document, "Sheets"):
            fail("LibreOffice did not open the workbook", "")
        sheets = []
        for name in document.Sheets.ElementNames:
            sheet = document.Sheets.getByName(name)
            cursor = sheet.createCursor()
            cursor.gotoEndOfUsedArea(False)
            end = cursor.RangeAddress
            cells = {}
            rows = sheet.getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow).DataArray
            for row, values in enumerate(rows):
                for column, value in enumerate(values):
                    if value != "":  # an empty cell; no cell holds empty text
                        cells[(row + 1, column + 1)] = value
            sheets.append((name, cells))
        document.close(True)
        try:
            desktop.terminate()
        except Exception:  # the bridge goes down with the office
            pass
        return sheets
    finally:
        try:
            office.wait(timeout=30)
        except subprocess.TimeoutExpired:
            office.kill()
            office.wait()


def ssconvert(arguments):
    """Runs ssconvert; anything it says counts as a failure, but for the
    characters that Gnumeric's own XML file format cannot hold (it warns of
    them when saving; the texts come from a text export instead)."""
    result = subprocess.run(["ssconvert"] + arguments, capture_output=True, text=True,
                            timeout=240)
    said = [line for line in result.stderr.splitlines()
            if line.strip() and not re.search(r"WARNING \*\*: .*Unknown char 0x[0-9a-f]+ in string",
                                              line)]
    if result.returncode != 0 or said:
        fail("Gnumeric did not open the workbook cleanly", result.stdout + result.stderr)


def read_gnumeric(path, scratch):
    """Opens the workbook with Gnumeric's ssconvert: the cells' types and
    numbers from Gnumeric's own file format, their texts from its
    comma-separated export of each sheet."""
    saved = os.path.join(scratch, "saved.gnumeric")
    ssconvert([path, saved])
    ssconvert(["-S", "--export-type=Gnumeric_stf:stf_csv", path,
               os.path.join(scratch, "sheet%n.csv")])
    with gzip.open(saved) as stream:
        root = ElementTree.parse(stream).getroot()
    for number, sheet in enumerate(root.iter(GNUMERIC + "Sheet")):
        with open(os.path.join(scratch, "sheet%d.csv" % number), newline="",
                  encoding="utf-8") as stream:
            texts = list(csv.reader(stream))
        cells = {}
        for cell in sheet.iter(GNUMERIC + "Cell"):
            row, column = int(cell.get("Row")), int(cell.get("Col"))
            kind = cell.get("ValueType")
            if kind == GNUMERIC_NUMBER:
                cells[(row + 1, column + 1)] = float(cell.text)
            elif kind == GNUMERIC_TEXT:
                cells[(row + 1, column + 1)] = texts[row][column]
            else:
                cells[(row + 1, column + 1)] = ("?", kind, cell.text)
        yield sheet.find(GNUMERIC + "Name").text, cells


def shown(value, escaped):
    if isinstance(value, str):
        return "s\t" + (unescape(value) if escaped else value).encode("utf-8").hex()
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return "n\t" + repr(value)
    return "?\t" + repr(value)


def main(arguments):
    via = "openpyxl"
    if arguments[0].startswith("--via"):
        via = arguments[0].split("=", 1)[1] if "=" in arguments[0] else arguments.pop(1)
        arguments = arguments[1:]
    path = os.path.abspath(arguments[0])
    with tempfile.TemporaryDirectory() as scratch:
        if via == "openpyxl":
            sheets = list(read_openpyxl(path))
        elif via == "libreoffice":
            sheets = list(read_libreoffice(path, scratch))
        elif via == "gnumeric":
            sheets = list(read_gnumeric(path, scratch))
        else:
            fail("unknown reader " + via, "")
    escaped = via != "libreoffice"
    out = sys.stdout
    for name, cells in sheets:
        out.write("sheet\t%s\n" % (unescape(name) if escaped else name).encode("utf-8").hex())
        last_row = max((row for row, _ in cells), default=0)
        last_column = max((column for _, column in cells), default=0)
        for row in range(1, last_row + 1):
            for column in range(1, last_column + 1):
                value = cells.get((row, column))
                out.write("%d\t%d\t%s\n" % (row, column, "e" if value is None else shown(value, escaped)))


if __name__ == "__main__":
    main(sys.argv[1:])
