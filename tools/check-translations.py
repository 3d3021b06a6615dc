#!/usr/bin/env python3
"""Fails when the translation file lags behind the sources: lupdate is run on a copy of it, and
every message that comes out unfinished (new or changed in the code, or never translated) or
obsolete / vanished (gone from the code) is listed.

Usage: check-translations.py LUPDATE [source root]
       check-translations.py LUPDATE [source root] --update   (brings the file itself up to date,
                                                               for the translator to fill in)
"""

import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

# The folders whose texts the program shows; tests, benchmarks and fuzzers show none.
SOURCE_DIRS = ["app", "viewer", "chart", "platform", "core", "tools"]
TS_FILE = os.path.join("translations", "peakhound_en.ts")


def lupdate(program, root, ts_file, extra=()):
    command = [program, "-silent", "-locations", "none", "-extensions", "cpp,h", *extra]
    command += [os.path.join(root, folder) for folder in SOURCE_DIRS]
    command += ["-ts", ts_file]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def faults(ts_file):
    found = []
    root = ElementTree.parse(ts_file).getroot()
    for context in root.iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            kind = translation.get("type") if translation is not None else "unfinished"
            if kind in ("unfinished", "obsolete", "vanished") or (
                    translation is not None and not (translation.text or "").strip()):
                found.append("%s: %s \"%s\"" % (kind or "empty", name, message.findtext("source")))
    return found


def main():
    args = [a for a in sys.argv[1:] if a != "--update"]
    program = args[0]
    root = args[1] if len(args) > 1 else os.path.join(os.path.dirname(__file__), "..")
    ts_file = os.path.join(root, TS_FILE)
    if "--update" in sys.argv:
        lupdate(program, root, ts_file, ["-no-obsolete"])
        return 0
    with tempfile.TemporaryDirectory() as folder:
        copy = os.path.join(folder, "peakhound_en.ts")
        shutil.copyfile(ts_file, copy)
        lupdate(program, root, copy)
        found = faults(copy)
    for fault in found:
        print(fault)
    if found:
        print("%d message(s) of %s to translate or drop: run %s LUPDATE --update, then "
              "translate" % (len(found), TS_FILE, sys.argv[0]))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
