#!/usr/bin/env python3
"""Checks the include graph of the sources: no cycle between the files of one folder, and no
include that points up the layers.

A file and its header count as one unit (tchart.h and tchart.cpp are "tchart"); a cycle is a
chain of units of one folder that leads back to its start. Each folder is one layer (a static
library of the build, or a group of programs), allowed to include itself and the layers below it;
a file belongs to the deepest folder listed:

    platform/text   ph_platform_text  no Qt          platform/gui  ph_platform_gui  platform/text
    core            ph_core           platform/text  chart/math    ph_chart_math    platform/text, no Qt
    chart           ph_chart          chart/math, platform/gui, platform/text
    chart/hitmap    ph_hitmap         core, platform/text (QtGui)
    viewer          ph_viewer         everything above       app   ph_ui   everything above, viewer
    tools           the commands      core, platform/text (no Qt: they run in small address spaces)
    tools/hitmap    peakhound-hitmap  the hit map and QtGui
    fuzz            the fuzzers       the Qt-free layers

tests/ and bench/ are not checked. Two cycles of long standing are accepted as listed below (the
viewer's windows, the guarded controls); any other cycle fails.

Usage: check-includes.py [source root]   (exit status 1 and one line per fault when it fails)
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".cpp")
SKIPPED_DIRS = {".git", "build", "docs", "data", "examples", "peaks", "corpus"}
QT_INCLUDE = re.compile(r"^Q[A-Za-z]|^qt", re.ASCII)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)

# library: (libraries it may include besides itself, whether it may include Qt)
LAYERS = {
    "ph_platform_text": ((), False),
    "ph_core": (("ph_platform_text",), False),
    "ph_chart_math": (("ph_platform_text",), False),
    "ph_platform_gui": (("ph_platform_text",), True),
    "ph_chart": (("ph_chart_math", "ph_platform_gui", "ph_platform_text"), True),
    "ph_hitmap": (("ph_core", "ph_platform_text"), True),
    "ph_viewer": (("ph_chart", "ph_chart_math", "ph_core", "ph_hitmap", "ph_platform_gui",
                   "ph_platform_text"), True),
    "ph_ui": (("ph_chart", "ph_chart_math", "ph_core", "ph_hitmap", "ph_platform_gui",
               "ph_platform_text", "ph_viewer"), True),
    # the commands: the core alone (they run in small address spaces)
    "tools": (("ph_core", "ph_platform_text"), False),
    # the picture command beside them: the hit map, on QtGui
    "tools/hitmap": (("ph_core", "ph_hitmap", "ph_platform_text"), True),
    # the fuzzers: the Qt-free libraries only
    "fuzz": (("ph_core", "ph_chart_math", "ph_platform_text"), False),
}
# The folder of each layer; a file belongs to the deepest one that holds it.
FOLDERS = {
    "platform/text": "ph_platform_text",
    "platform/gui": "ph_platform_gui",
    "core": "ph_core",
    "chart/math": "ph_chart_math",
    "chart": "ph_chart",
    "chart/hitmap": "ph_hitmap",
    "viewer": "ph_viewer",
    "app": "ph_ui",
    "tools": "tools",
    "tools/hitmap": "tools/hitmap",
    "fuzz": "fuzz",
}
# Cycles that are known and accepted, each as the set of units it may span: a cycle reaching
# beyond its set fails.
ACCEPTED_CYCLES = [
    # The windows reach each other through their global references.
    {"viewer/plotbuilder", "viewer/tform2", "viewer/tform3", "viewer/tform4",
     "viewer/tpeakanzeige"},
    # The accessibility support and the guarded controls use each other (left as found).
    {"platform/gui/accessibility", "platform/gui/application", "platform/gui/controls"},
]
UNCHECKED_FOLDERS = {"tests", "bench"}


def source_files(root):
    for folder, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if d not in SKIPPED_DIRS and not d.startswith("build"))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(folder, name), root)


def layer_of(path):
    """The layer of a file: that of the deepest listed folder holding it, or None."""
    folder = os.path.dirname(path)
    while folder:
        if folder in FOLDERS:
            return FOLDERS[folder]
        folder = os.path.dirname(folder)
    return None


def unit(path):
    return os.path.splitext(path)[0]


def find_cycles(edges):
    """Strongly connected components of more than one unit (Tarjan)."""
    index, low, stack, on_stack, result = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                result.append(sorted(component))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return result


def check(root):
    files = list(source_files(root))
    by_name = {}
    for path in files:
        by_name.setdefault(os.path.basename(path), []).append(path)
    faults = []
    edges = {}  # unit -> units of the same folder it includes

    for path in files:
        folder = os.path.dirname(path)
        top = path.split(os.sep)[0]
        library = layer_of(path)
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for kind, name in INCLUDE.findall(text):
            if kind == "<":
                if library and QT_INCLUDE.match(name) and not LAYERS[library][1]:
                    faults.append(f"{path}: includes <{name}>, but {library} is free of Qt")
                continue
            local = os.path.normpath(os.path.join(folder, name))
            if local in by_name.get(os.path.basename(name), []):
                target = local
            else:
                candidates = by_name.get(os.path.basename(name), [])
                target = candidates[0] if len(candidates) == 1 else None
            if target is None:
                continue
            if os.path.dirname(target) == folder and unit(target) != unit(path):
                edges.setdefault(unit(path), set()).add(unit(target))
            if not library or top in UNCHECKED_FOLDERS:
                continue
            target_library = layer_of(target)
            if target_library is None or target_library == library:
                continue
            if target_library not in LAYERS[library][0]:
                faults.append(
                    f'{path}: includes "{name}" of {target_library}, above {library}')

    for cycle in find_cycles(edges):
        if any(set(cycle) <= accepted for accepted in ACCEPTED_CYCLES):
            continue
        faults.append("include cycle: " + " -> ".join(cycle + cycle[:1]))
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    faults = check(os.path.abspath(root))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
