#!/usr/bin/python3
"""Walks monctl's windows on the accessibility bus as a screen reader does.

Prints a JSON line [window, role, name, what it shows] for every control a person reaches with Tab
in the main window, then in the window its button named argv[1] opens by its accessible action.
"""
import json
import sys
import time

import pyatspi

DEADLINE = 20  # seconds, for each thing waited for
ENTRIES = {pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE_ITEM,
           pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_TABLE_COLUMN_HEADER, pyatspi.ROLE_MENU,
           pyatspi.ROLE_MENU_ITEM}


def until(what, find):
    end = time.monotonic() + DEADLINE
    while time.monotonic() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.05)
    sys.exit(f"not heard within {DEADLINE} s: {what}")


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
        found.append([node.getRoleName(), node.name, shown(node)])
    for child in node:
        if child is not None:
            controls(child, found)
    return found


def window(app, role, name=None):
    return next((node for node in app if node is not None and node.getRole() == role
                 and (name is None or node.name == name)), None)


def report(node):
    for control in controls(node, []):
        print(json.dumps([node.name, *control]), flush=True)


app = until("the application monctl", lambda: next(
    (app for app in pyatspi.Registry.getDesktop(0) if app is not None and app.name == "monctl"),
    None))
main_window = until("the main window", lambda: window(app, pyatspi.ROLE_FRAME))
# The lists are enabled once the monitor reported its settings.
until("the contrast list, enabled", lambda: next(
    (c for c in controls(main_window, []) if c[1] == "Contrast"), None))
report(main_window)
button = pyatspi.findDescendant(main_window, lambda node: node.getRole() ==
                                pyatspi.ROLE_PUSH_BUTTON and node.name == sys.argv[1])
action = button.queryAction()
action.doAction(next(i for i in range(action.nActions) if action.getName(i) == "Press"))
report(until("the settings window", lambda: window(app, pyatspi.ROLE_DIALOG, sys.argv[1])))

