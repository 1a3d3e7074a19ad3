#!/usr/bin/python3
"""Prints, as a JSON string, the text of the first editable text element of the application
named sys.argv[1] on the AT-SPI bus (for example "mousepad"). Exits 1 when there is none."""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def editable_text(node, depth=0):
    try:
        if node.get_role() in (Atspi.Role.TEXT, Atspi.Role.ENTRY) and \
                node.get_state_set().contains(Atspi.StateType.EDITABLE):
            return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))
        for i in range(node.get_child_count() if depth < 60 else 0):
            found = editable_text(node.get_child_at_index(i), depth + 1)
            if found is not None:
                return found
    except GLib.Error:
        pass
    return None


desktop = Atspi.get_desktop(0)
apps = (desktop.get_child_at_index(i) for i in range(desktop.get_child_count()))
for app in apps:
    if app is not None and (app.get_name() or "").lower() == sys.argv[1].lower():
        text = editable_text(app)
        if text is not None:
            print(json.dumps(text))
            sys.exit(0)
sys.exit(1)
