#!/usr/bin/env python3
"""Marks the exception edges that GCC 12's gcov leaves unmarked, for gcovr.

Usage: mark-exception-edges.py FOLDER...  (each: one object's .gcov files and
its .gcov.json.gz, both from gcov -b -c -p, the second with -j as well)

gcov marks an exception edge "(throw)" only in a block that ran. A block that
never ran (a function's copy that the linker dropped: every object that uses
a header's inline function has one; or cleanup that only an exception runs)
reads "never executed" with no mark, and gcovr would count its exception
edges as branches never taken. gcov's JSON output marks every edge: each
unmarked exception edge becomes "taken 0 (throw)", which counts the same.
"""
import gzip
import json
import re
import sys
from pathlib import Path

SOURCE_LINE = re.compile(r"^\s*[^:]+:\s*(\d+):")
NEVER = re.compile(r"^(branch\s+\d+) never executed$")
SEPARATOR = "-" * 18


def json_branches(folder):
    """(source, line) -> [(function, the throw marks of its branches)]."""
    marks = {}
    for data in folder.glob("*.gcov.json.gz"):
        for source in json.load(gzip.open(data))["files"]:
            for line in source["lines"]:
                marks.setdefault((source["file"], line["line_number"]), []).append(
                    (line.get("function_name"), [branch["throw"] for branch in line["branches"]]))
    return marks


def mark(path, marks):
    text = path.read_text().splitlines()
    source = next(l.split("Source:", 1)[1] for l in text if "Source:" in l)
    # Lines shared by several functions (templates) come in one section per
    # function, after a separator and the function's name.
    sections = {text[i + 1][:-1] for i, l in enumerate(text[:-1]) if l == SEPARATOR}
    function, edges, branches = None, None, []

    def flush():
        # Only where both outputs list the same branches.
        if edges is not None and len(edges) == len(branches):
            for i, throw in zip(branches, edges):
                if throw and (never := NEVER.match(text[i])):
                    text[i] = never.group(1) + " taken 0 (throw)"

    for i, l in enumerate(text):
        if l == SEPARATOR:
            function = None
        elif l.endswith(":") and l[:-1] in sections:
            function = l[:-1]
        elif number := SOURCE_LINE.match(l):
            flush()
            found = [e for f, e in marks.get((source, int(number.group(1))), [])
                     if (f == function if function else f not in sections)]
            edges, branches = (found[0] if len(found) == 1 else None), []
        elif l.startswith("branch"):
            branches.append(i)
    flush()
    path.write_text("\n".join(text) + "\n")


for folder in map(Path, sys.argv[1:]):
    marks = json_branches(folder)
    for gcov in folder.glob("*.gcov"):
        mark(gcov, marks)
