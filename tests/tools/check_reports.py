#!/usr/bin/python3
"""Holds driver_setup report files against docs/report.schema.json:
    check_reports.py FILE...
prints one line for each file that is no report and exits 1 if there was one.

Beyond the schema: the file is UTF-8, the count is a plain integer, no key
stands twice, and the keys stand in the order of the form's "required" list. A file that ends right
after "defaults_after": (the last snapshot of the defaults failed) is a report
when it would be one with an endpoint array and the closing brace there.
"""
import json
import pathlib
import sys

import jsonschema

SCHEMA = json.loads((pathlib.Path(__file__).resolve().parents[2] / "docs" / "report.schema.json").read_text())
VALIDATOR = jsonschema.Draft202012Validator(SCHEMA)
CUT = b',"defaults_after":'
KEY_ORDERS = [SCHEMA["$defs"][form]["required"] for form in ("installing_report", "final_report")]


def plain_count(text):
    raise ValueError(f"{text} is no plain count")


def single_keys(pairs):
    keys = [key for key, _ in pairs]
    if len(set(keys)) != len(keys):
        raise ValueError(f"a key twice: {keys}")
    return dict(pairs)


def problems(data):
    """Why the bytes are no report; empty when they are one."""
    if data.endswith(CUT):
        data += b'["","","","","",""]}'
    try:
        report = json.loads(data.decode("utf-8"), parse_float=plain_count, parse_constant=plain_count,
                            object_pairs_hook=single_keys)
    except ValueError as error:
        return [f"not JSON: {error}"]
    error = jsonschema.exceptions.best_match(VALIDATOR.iter_errors(report))
    if error:
        return [f"{'/'.join(map(str, error.absolute_path)) or 'report'}: {error.message}"]
    if list(report) not in KEY_ORDERS:
        return [f"keys out of order: {list(report)}"]
    return []


def main(files):
    bad = 0
    for name in files:
        for problem in problems(pathlib.Path(name).read_bytes()):
            print(f"{name}: {problem}")
            bad = 1
    return bad


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
