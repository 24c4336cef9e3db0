#!/usr/bin/python3
"""Walks monctl's windows on the accessibility bus as a screen reader does.

Finds the running monctl, walks its main window, presses its Settings button through the
button's own accessible action, and walks the settings window. For each window it prints one
JSON line: the window's name and every control a person reaches with Tab (showing, enabled,
focusable; the entries of lists and menus are not controls), each with its role, its name
and what it shows: its text where it has one, else its description. Exits 1 with a reason
when something is not found within its deadline.
"""
import json
import sys
import time

import pyatspi

DEADLINE = 20  # seconds, for each thing waited for

ENTRIES = {
    pyatspi.ROLE_LIST_ITEM,
    pyatspi.ROLE_TABLE_CELL,
    pyatspi.ROLE_TREE_ITEM,
    pyatspi.ROLE_COLUMN_HEADER,
    pyatspi.ROLE_TABLE_COLUMN_HEADER,
    pyatspi.ROLE_MENU,
    pyatspi.ROLE_MENU_ITEM,
}


def until(what, find):
    """Asks the bus again until find() gives something, or gives up at the deadline."""
    end = time.monotonic() + DEADLINE
    while time.monotonic() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.05)
    sys.exit(f"not heard within {DEADLINE} s: {what}")


def children(node):
    return [child for child in node if child is not None]


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    return next((app for app in children(desktop) if app.name == name), None)


def window(app, role, name=None):
    return next((child for child in children(app)
                 if child.getRole() == role and (name is None or child.name == name)), None)


def shown(node):
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return node.description


def controls(node, found):
    states = node.getState()
    if node.getRole() in ENTRIES or not states.contains(pyatspi.STATE_SHOWING):
        return found
    if states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_ENABLED):
        found.append({"role": node.getRoleName(), "name": node.name, "shown": shown(node)})
    for child in children(node):
        controls(child, found)
    return found


def report(node):
    print(json.dumps({"window": node.name, "controls": controls(node, [])}), flush=True)


def named(node, role, name):
    if node.getRole() == role and node.name == name:
        return node
    for child in children(node):
        found = named(child, role, name)
        if found is not None:
            return found
    return None


def main():
    app = until("the application monctl", lambda: application("monctl"))
    main_window = until("the main window", lambda: window(app, pyatspi.ROLE_FRAME))
    # The lists are enabled once the monitor reported its settings.
    until("the contrast list, enabled", lambda: next(
        (c for c in controls(main_window, []) if c["name"] == "Contrast"), None))
    report(main_window)
    settings_button = named(main_window, pyatspi.ROLE_PUSH_BUTTON, sys.argv[1])
    if settings_button is None:
        sys.exit(f"no button {sys.argv[1]!r}")
    action = settings_button.queryAction()
    action.doAction(next(i for i in range(action.nActions) if action.getName(i) == "Press"))
    report(until("the settings window", lambda: window(app, pyatspi.ROLE_DIALOG, sys.argv[1])))


if __name__ == "__main__":
    main()
