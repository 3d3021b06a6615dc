#!/usr/bin/python3
"""Reads Peakhound's main window through AT-SPI, as a screen reader does.

Started by tools/a11y-tree.sh inside a private X server and D-Bus session. Prints the accessible
tree of the main window, checks that every control of the layout is there with its role and name,
then works the window through AT-SPI actions alone (a file through the Add dialog, a target, the
mode, Start) and prints the changes the program announced. Exits 1 when a control is missing.
"""
import sys
import time

import pyatspi
from gi.repository import GLib

APP_NAME = "Peakhound 2"
CAPTION = "Peakhound V2.5"

# Every control of the main window: (role, name).
EXPECTED = [
    ("push button", "Add"), ("push button", "Remove"), ("push button", "Clear"),
    ("label", "Files"), ("list", "Files"),
    ("label", "Peaks [1/cm]"), ("text", "Peaks [1/cm]"), ("list", "Peaks [1/cm]"),
    ("push button", "Load"), ("push button", "Rh 6G"),
    ("label", "Maximale Abweichung"), ("label", "in 1/cm"),
    ("spin button", "Maximale Abweichung in 1/cm"),
    ("label", "Maximal fehlende Peaks"), ("spin button", "Maximal fehlende Peaks"),
    ("push button", "Start !"), ("check box", "Inverse Auswahl"),
    ("label", "Normale Auswahl"), ("label", "Es werden die Spektren ausgewählt,"),
    ("label", "die die angegebenen Peaks enthalten"),
    ("push button", "Ergebnisliste komplett nach  oben kopieren."),
    ("label", "Ergebnis:"), ("list", "Ergebnis:"),
    ("progress bar", "Fortschrittsanzeige"), ("status bar", "Status"),
]


def find_app(timeout=20.0):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == APP_NAME:
                return app
        time.sleep(0.5)
    sys.exit(f"no application named {APP_NAME!r} on the accessibility bus")


def find_frame(app, caption, timeout=10.0):
    end = time.time() + timeout
    while time.time() < end:
        for window in app:
            if window is not None and window.name == caption:
                return window
        time.sleep(0.3)
    return None


def value_of(node):
    try:
        value = node.queryValue()
        return f" value={value.currentValue:g}"
    except NotImplementedError:
        pass
    try:
        text = node.queryText()
        if node.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_SPIN_BUTTON):
            return f" text={text.getText(0, -1)!r}"
    except NotImplementedError:
        pass
    return ""


def dump(node, depth=0, out=None):
    states = node.getState()
    marks = [name for name, state in (("focusable", pyatspi.STATE_FOCUSABLE),
                                      ("checked", pyatspi.STATE_CHECKED),
                                      ("selected", pyatspi.STATE_SELECTED))
             if states.contains(state)]
    description = f" description={node.description!r}" if node.description else ""
    if node.getRole() == pyatspi.ROLE_FRAME and depth > 0:
        marks.append("showing" if states.contains(pyatspi.STATE_SHOWING) else "hidden")
    print(f"{'  ' * depth}[{node.getRoleName()}] {node.name!r}{value_of(node)}{description}"
          f"{' ' + ','.join(marks) if marks else ''}")
    if out is not None and depth > 0:
        out.append(node)
    # list entries are listed by their count only
    if node.getRole() == pyatspi.ROLE_LIST:
        if node.childCount:
            print(f"{'  ' * (depth + 1)}({node.childCount} entries: "
                  f"{', '.join(repr(c.name) for c in node)})")
        return
    for child in node:
        if child is not None:
            dump(child, depth + 1, out)


def find(node, role, name=None):
    for child in node:
        if child is None:
            continue
        if child.getRoleName() == role and (name is None or child.name == name):
            return child
        found = find(child, role, name)
        if found is not None:
            return found
    return None


def press(node):
    action = node.queryAction()
    action.doAction(0)


def main():
    example = sys.argv[1] if len(sys.argv) > 1 else None
    app = find_app()
    frame = find_frame(app, CAPTION)
    if frame is None:
        sys.exit(f"no window {CAPTION!r}")
    print(f"== accessible tree of {frame.name!r}")
    controls = []
    dump(frame, 0, controls)
    present = [(c.getRoleName(), c.name) for c in controls]
    missing = [e for e in EXPECTED if e not in present]
    print(f"== {len(EXPECTED) - len(missing)} of {len(EXPECTED)} expected controls present")
    for role, name in missing:
        print(f"MISSING: [{role}] {name!r}")

    # Announcements while the window is worked through AT-SPI actions alone.
    events = []

    def on_event(event):
        try:
            if event.source.getApplication().name != APP_NAME:
                return
            if event.source != frame and event.source.parent != frame:
                return  # the file dialog's own chatter
            detail = event.any_data if isinstance(event.any_data, (str, int, float)) else ""
            if "value" in event.type:
                detail = event.source.queryValue().currentValue
            events.append(
                f"{event.type} [{event.source.getRoleName()}] {event.source.name!r} {detail!r}")
        except GLib.GError:
            pass  # an object already gone

    pyatspi.Registry.registerEventListener(
        on_event, "object:property-change:accessible-name",
        "object:property-change:accessible-description", "object:value-changed",
        "object:property-change:accessible-value",
        "object:state-changed:checked")

    steps = []
    if example:
        def add_file():
            press(find(frame, "push button", "Add"))
            GLib.timeout_add(1500, answer_dialog)
            return False

        def answer_dialog():
            dialog = None
            for window in app:
                if window is not None and window.getRoleName() == "dialog":
                    dialog = window
            if dialog is None:
                print("the Add dialog did not appear")
            else:
                edit = find(dialog, "text", "File name:") or find(dialog, "text")
                edit.queryEditableText().setTextContents(example)
                press(find(dialog, "push button", "Open"))
            GLib.timeout_add(1000, next_step)
            return False
        steps.append(add_file)

    def type_target():
        edit = find(frame, "text", "Peaks [1/cm]")
        edit.queryEditableText().setTextContents("1310")
        press(next(c for c in frame if c.name == "Add" and "Peak" in c.description))
        return next_step()

    def step_limit():
        find(frame, "spin button", "Maximal fehlende Peaks").queryValue().currentValue = 0
        return next_step()

    def switch_mode():
        press(find(frame, "check box", "Inverse Auswahl"))
        press(find(frame, "check box", "Inverse Auswahl"))
        return next_step()

    def start():
        press(find(frame, "push button", "Start !"))
        return next_step()

    steps += [type_target, step_limit, switch_mode, start]

    def next_step():
        if steps:
            GLib.timeout_add(700, steps.pop(0))
        else:
            GLib.timeout_add(1500, stop)
        return False

    def stop():
        pyatspi.Registry.stop()
        return False

    GLib.timeout_add(300, next_step)
    pyatspi.Registry.start()
    print("== announced while working the window")
    for line in events:
        print(line)
    files = find(frame, "list", "Files")
    print(f"== target list: {[c.name for c in find(frame, 'list', 'Peaks [1/cm]')]}")
    print(f"== file list: {[c.name for c in files]}")
    results = find(frame, "list", "Ergebnis:")
    print(f"== result list: {[c.name for c in results]}")
    limit = find(frame, "spin button", "Maximal fehlende Peaks")
    print(f"== {limit.name}: {limit.queryValue().currentValue:g}")
    status = find(frame, "status bar")
    print(f"== status: {status.name!r}")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
