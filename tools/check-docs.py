#!/usr/bin/env python3
"""Checks the documents: README.md within 200 lines, every heading of docs/headings.txt a heading
of README.md, docs/manual.md or docs/developing.md, and every relative link of the three pointing
at a file or folder that exists.

Usage: check-docs.py [SOURCE_DIR]   (default: the folder above this script's)
Exit status 0 when all holds, 1 with one line per fault otherwise.
"""
import os
import re
import sys

DOCUMENTS = ["README.md", "docs/manual.md", "docs/developing.md"]
MAX_README_LINES = 200

HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")
# [text](target) and ![alt](target); the target ends at the first blank or closing parenthesis.
LINK = re.compile(r"!?\[(?:[^\]\\]|\\.)*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
FENCE = re.compile(r"^\s*(```|~~~)")


def prose_lines(text):
    """The lines outside fenced and indented code blocks, with their numbers."""
    in_fence = False
    previous_blank = True
    in_indented = False
    for number, line in enumerate(text.split("\n"), 1):
        if FENCE.match(line):
            in_fence = not in_fence
            continue
        if in_fence:
            continue
        blank = not line.strip()
        if line.startswith("    ") and (previous_blank or in_indented):
            in_indented = True  # an indented code block starts after a blank line
        elif not blank:
            in_indented = False
        previous_blank = blank
        if not in_indented:
            yield number, line


def headings(text):
    return {m.group(2) for _, line in prose_lines(text) for m in [HEADING.match(line)] if m}


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    faults = []
    texts = {}
    for name in DOCUMENTS:
        path = os.path.join(root, name)
        try:
            with open(path, encoding="utf-8") as f:
                texts[name] = f.read()
        except OSError as error:
            faults.append(f"{name}: cannot be read ({error.strerror})")

    readme = texts.get("README.md")
    if readme is not None:
        count = len(readme.splitlines())
        if count > MAX_README_LINES:
            faults.append(f"README.md: {count} lines, more than {MAX_README_LINES}")

    found = set()
    for text in texts.values():
        found |= headings(text)
    with open(os.path.join(root, "docs", "headings.txt"), encoding="utf-8") as f:
        for line in f:
            m = HEADING.match(line.rstrip("\n"))
            wanted = m.group(2) if m else line.strip()
            if wanted and wanted not in found:
                faults.append(f"docs/headings.txt: heading '{wanted}' is in none of "
                              + ", ".join(DOCUMENTS))

    for name, text in texts.items():
        folder = os.path.dirname(os.path.join(root, name))
        for number, line in prose_lines(text):
            for m in LINK.finditer(line):
                target = m.group(1)
                if re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target) or target.startswith("#"):
                    continue  # a web address, mail address or an anchor in the same document
                path = target.split("#", 1)[0]
                if not os.path.exists(os.path.normpath(os.path.join(folder, path))):
                    faults.append(f"{name}:{number}: link to '{target}': no such file")

    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
