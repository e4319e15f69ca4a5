#!/usr/bin/python3
"""Prints what a workbook's first sheet holds, for the C++ tests; one item per line, fields separated by tabs.

sheet  <title> <max_row> <max_column>
cell   <coordinate> <data_type> <value type> <number format> <bold 0/1> <value> <cached value>
width  <column letter> <width>

The cached value is what a reader that does not calculate sees (a formula's stored result). Texts are escaped:
backslash, tab, newline and carriage return as \\\\, \\t, \\n, \\r.
"""
import datetime
import sys

import openpyxl


def escaped(text):
    return text.replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n').replace('\r', '\\r')


def shown(value):
    if value is None:
        return ''
    if isinstance(value, bool):
        return 'TRUE' if value else 'FALSE'
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, (datetime.datetime, datetime.date, datetime.time)):
        return value.isoformat(sep=' ') if isinstance(value, datetime.datetime) else value.isoformat()
    return escaped(str(value))


def main(path):
    sheet = openpyxl.load_workbook(path).worksheets[0]
    cached = openpyxl.load_workbook(path, data_only=True).worksheets[0]
    lines = ['\t'.join(['sheet', escaped(sheet.title), str(sheet.max_row), str(sheet.max_column)])]
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None and not cell.has_style:
                continue
            lines.append('\t'.join([
                'cell', cell.coordinate, cell.data_type, type(cell.value).__name__,
                escaped(cell.number_format), '1' if cell.font.b else '0',
                shown(cell.value), shown(cached[cell.coordinate].value)]))
    for letter, dimension in sorted(sheet.column_dimensions.items()):
        if dimension.customWidth:
            lines.append('\t'.join(['width', letter, repr(dimension.width)]))
    sys.stdout.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main(sys.argv[1])
