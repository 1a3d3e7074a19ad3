#!/usr/bin/python3
"""Prints, as a JSON string, the text of the first editable text element of an application
found on the AT-SPI bus by name (for example "mousepad"). Exits 1 when there is none."""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def editable_text(node, depth=0):
    if depth > 60:
        return None
    try:
        role = node.get_role()
        states = node.get_state_set()
        if role in (Atspi.Role.TEXT, Atspi.Role.ENTRY) and states.contains(Atspi.StateType.EDITABLE):
            return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))
        for i in range(node.get_child_count()):
            found = editable_text(node.get_child_at_index(i), depth + 1)
            if found is not None:
                return found
    except gi.repository.GLib.Error:
        return None
    return None


def main():
    wanted = sys.argv[1].lower()
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and (app.get_name() or "").lower() == wanted:
            found = editable_text(app)
            if found is not None:
                print(json.dumps(found))
                return 0
    return 1


sys.exit(main())
