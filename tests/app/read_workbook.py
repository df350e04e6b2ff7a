#!/usr/bin/python3
"""Prints the sheets of a workbook as an independent reader sees them: xlrd for .xls, openpyxl
for .xlsx. One line per row, cells joined by '|', trailing empty cells left out; numbers as
Python writes them (integral ones without '.0'), dates and datetimes in ISO form.

Usage: read_workbook.py FILE [ROWS]
With ROWS > 0 only the first ROWS rows of each sheet are printed, and at the end the number
of characters of all text cells."""
import datetime
import sys


def show(value):
    if value is None:
        return ''
    if isinstance(value, datetime.datetime):
        text = value.isoformat(' ')
        return text[:-9] if text.endswith(' 00:00:00') else text
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value)


def xls_sheets(path):
    import xlrd
    book = xlrd.open_workbook(path)
    for sheet in book.sheets():
        rows = []
        for r in range(sheet.nrows):
            row = []
            for cell in sheet.row(r):
                if cell.ctype == xlrd.XL_CELL_DATE:
                    row.append(xlrd.xldate.xldate_as_datetime(cell.value, book.datemode))
                elif cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    row.append(None)
                else:
                    row.append(cell.value)
            rows.append(row)
        yield sheet.name, rows


def xlsx_sheets(path):
    import openpyxl
    book = openpyxl.load_workbook(path, read_only=True)
    for sheet in book.worksheets:
        yield sheet.title, [list(row) for row in sheet.iter_rows(values_only=True)]


def main():
    path = sys.argv[1]
    limit = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    sheets = xlsx_sheets(path) if path.lower().endswith('.xlsx') else xls_sheets(path)
    characters = 0
    for name, rows in sheets:
        print('sheet', name, len(rows))
        for number, row in enumerate(rows):
            characters += sum(len(cell) for cell in row if isinstance(cell, str))
            if limit and number >= limit:
                continue
            cells = [show(cell) for cell in row]
            while cells and cells[-1] == '':
                cells.pop()
            print('|'.join(cells))
    if limit:
        print('characters', characters)


main()
