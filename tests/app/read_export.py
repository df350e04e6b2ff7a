#!/usr/bin/python3
"""Prints the rows of an exported file as an independent reader sees them, whatever its
format: xlrd for .xls, openpyxl for .xlsx, html.parser for .htm, csv for .txt (tab-separated),
sqlite3 running the statements of .sql, dbfread for .dbf. Text files are GBK.

One line per row (a heading row too, where the format has one), cells joined by '|'. A cell
is printed the same whichever format held it: empty for none, a whole number without '.0', a
decimal as Python writes it, a date as yyyy-mm-dd. Text that reads as a decimal ("0.00") is
taken for the number.

Usage: read_export.py FILE"""
import csv
import datetime
import html.parser
import re
import sqlite3
import sys

DECIMAL = re.compile(r'-?\d+\.\d+')
DATE_AT_MIDNIGHT = re.compile(r'(\d{4}-\d{2}-\d{2})[ T]00:00:00')


def show(value):
    if value is None:
        return ''
    if isinstance(value, datetime.datetime):
        value = value.isoformat(' ')
    elif isinstance(value, datetime.date):
        value = value.isoformat()
    if isinstance(value, str):
        if DECIMAL.fullmatch(value):
            value = float(value)
        else:
            midnight = DATE_AT_MIDNIGHT.fullmatch(value)
            return midnight.group(1) if midnight else value
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value)


def xls_rows(path):
    import xlrd
    book = xlrd.open_workbook(path)
    for sheet in book.sheets():
        for r in range(sheet.nrows):
            row = []
            for cell in sheet.row(r):
                if cell.ctype == xlrd.XL_CELL_DATE:
                    row.append(xlrd.xldate.xldate_as_datetime(cell.value, book.datemode))
                elif cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    row.append(None)
                else:
                    row.append(cell.value)
            yield row


def xlsx_rows(path):
    import openpyxl
    book = openpyxl.load_workbook(path, read_only=True)
    for sheet in book.worksheets:
        yield from (list(row) for row in sheet.iter_rows(values_only=True))


class TableParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows = []
        self.cell = None

    def handle_starttag(self, tag, attrs):
        if tag == 'tr':
            self.rows.append([])
        elif tag in ('td', 'th'):
            self.cell = ''

    def handle_endtag(self, tag):
        if tag in ('td', 'th') and self.cell is not None:
            self.rows[-1].append(self.cell)
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def htm_rows(path):
    parser = TableParser()
    with open(path, encoding='gbk') as file:
        parser.feed(file.read())
    return parser.rows


def txt_rows(path):
    with open(path, encoding='gbk', newline='') as file:
        return list(csv.reader(file, delimiter='\t'))


def sql_rows(path):
    # Each INSERT names its table and columns; the table is made for it, untyped.
    with open(path, encoding='gbk') as file:
        statements = [s.strip() for s in file.read().split(';\n') if s.strip()]
    db = sqlite3.connect(':memory:')
    table = None
    for statement in statements:
        found = re.match(r'INSERT INTO (\w+) \(([^)]*)\)', statement)
        if not found:
            raise SystemExit('not an INSERT: ' + statement[:80])
        if table is None:
            table = found.group(1)
            db.execute('CREATE TABLE %s (%s)' % (table, found.group(2)))
        db.execute(statement.rstrip(';'))
    return db.execute('SELECT * FROM %s ORDER BY rowid' % table).fetchall() if table else []


def dbf_rows(path):
    import dbfread
    table = dbfread.DBF(path, encoding='gbk', char_decode_errors='strict')
    yield table.field_names
    for record in table:
        yield [value if value != '' else None for value in record.values()]


READERS = {'xls': xls_rows, 'xlsx': xlsx_rows, 'htm': htm_rows, 'txt': txt_rows, 'sql': sql_rows,
           'dbf': dbf_rows}


def main():
    path = sys.argv[1]
    for row in READERS[path.rsplit('.', 1)[-1].lower()](path):
        print('|'.join(show(cell) for cell in row))


main()
