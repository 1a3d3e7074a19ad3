#!/usr/bin/python3
"""Reads and operates Palimo's settings window over AT-SPI, as a screen reader would.

  settings-atspi.py check              every tab: each control showing has a name and an action
                                       or text interface, and the controls of the tab are there
  settings-atspi.py tab NAME           selects a tab by its label
  settings-atspi.py press NAME         the press (or toggle) action of the control named NAME
  settings-atspi.py set-text NAME TEXT replaces the text of the field named NAME
  settings-atspi.py focus NAME         gives the control named NAME the keyboard focus
  settings-atspi.py checked NAME       prints true or false
  settings-atspi.py describe NAME      prints the control's description
  settings-atspi.py wait NAME          waits up to 10 s for anything named NAME to show
  settings-atspi.py text APP           prints, as a JSON string, the text of the first editable
                                       text of the application APP (any application)
Exits 1 with a reason on standard error when something is missing. PALIMO_ATSPI_WINDOW names
another window of Palimo's to read."""
import json
import os
import sys
import warnings
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

warnings.filterwarnings("ignore", category=DeprecationWarning)

CONTROLS = {"push button", "check box", "text", "password text", "list", "list item",
            "page tab", "page tab list"}
EXPECTED = {
    "General": ["OpenAI API key", "Save and test", "Get a key from OpenAI", "Server address",
                "Model",
                "Play a sound when the text is replaced", "Start Palimo when I log in"],
    "Shortcut": ["Rewrite the selection", "Rewrite with my own instructions"],
    "Rewriting": ["Instructions", "Reset to default"],
    "Styles": ["Styles", "Add style", "Remove style", "Restore defaults"],
}


# The window to read; the first-run guide's test reads "Welcome to Palimo".
WINDOW = os.environ.get("PALIMO_ATSPI_WINDOW", "Palimo Settings")


def fail(message):
    print("settings-atspi: " + message, file=sys.stderr)
    sys.exit(1)


def window():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or (app.get_name() or "") != "Palimo":
            continue
        for j in range(app.get_child_count()):
            frame = app.get_child_at_index(j)
            if frame.get_name() == WINDOW:
                if frame.get_role_name() != "frame":
                    fail("the window is a %s, not a frame" % frame.get_role_name())
                return frame
    fail("no %s window on the accessibility bus" % WINDOW)


def showing(node, depth=0):
    """The showing nodes under node, depth first."""
    try:
        if not node.get_state_set().contains(Atspi.StateType.SHOWING):
            return
        yield node
        for i in range(node.get_child_count() if depth < 40 else 0):
            yield from showing(node.get_child_at_index(i), depth + 1)
    except GLib.Error:
        return


def find(name, roles=CONTROLS):
    for node in showing(window()):
        if node.get_name() == name and node.get_role_name() in roles:
            return node
    fail("no control named %r is showing" % name)


def act(node, names=("Press", "Toggle")):
    for i in range(Atspi.Accessible.get_n_actions(node)):
        if Atspi.Action.get_action_name(node, i) in names:
            Atspi.Action.do_action(node, i)
            return
    fail("%r has none of the actions %s" % (node.get_name(), names))


def select_tab(name):
    act(find(name, {"page tab"}))
    for _ in range(100):
        tabs = [n for n in showing(window()) if n.get_role_name() == "page tab list"]
        if tabs and tabs[0].get_name() == name:
            return
        time.sleep(0.02)
    fail("the tab %r did not come up" % name)


def check():
    problems = []
    for tab, names in EXPECTED.items():
        select_tab(tab)
        present = set()
        for node in showing(window()):
            role, name = node.get_role_name(), node.get_name()
            if role not in CONTROLS:
                continue
            present.add(name)
            if not name:
                problems.append("%s: an unnamed %s" % (tab, role))
            operable = node.get_action_iface() is not None or node.get_text_iface() is not None
            if not operable and role not in ("list", "page tab list"):
                problems.append("%s: %r (%s) cannot be operated" % (tab, name, role))
        problems += ["%s: %r is missing" % (tab, n) for n in names if n not in present]
    labels = [n.get_name() for n in showing(window()) if n.get_role_name() == "label"]
    if not any("this month" in (text or "") for text in labels):
        problems.append("no usage line")
    if problems:
        fail("; ".join(problems))
    print("every control of the four tabs is named and operable")


def editable_text(node, depth=0):
    """The text of the first editable text under node, showing or not."""
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


def app_text(name):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or (app.get_name() or "").lower() != name.lower():
            continue
        found = editable_text(app)
        if found is not None:
            return found
    fail("%s shows no editable text" % name)


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "check":
        check()
    elif command == "tab":
        select_tab(argv[2])
    elif command == "press":
        act(find(argv[2]))
    elif command == "set-text":
        node = find(argv[2], {"text", "password text"})
        if not Atspi.EditableText.set_text_contents(node, argv[3]):
            fail("could not set the text of %r" % argv[2])
    elif command == "focus":
        if not Atspi.Component.grab_focus(find(argv[2])):
            fail("could not focus %r" % argv[2])
    elif command == "checked":
        print(str(find(argv[2]).get_state_set().contains(Atspi.StateType.CHECKED)).lower())
    elif command == "describe":
        print(find(argv[2]).get_description())
    elif command == "text":
        print(json.dumps(app_text(argv[2])))
    elif command == "wait":
        deadline = time.time() + 10
        while time.time() < deadline:
            if any(n.get_name() == argv[2] for n in showing(window())):
                return
            time.sleep(0.05)
        fail("nothing named %r appeared" % argv[2])
    else:
        fail("unknown command %r" % command)


main(sys.argv)
