#!/usr/bin/python3
# A GTK 4 window for the system tests: a one-line entry above a multi-line text view.
#   gtk4-editor.py OUT-FILE ENTRY-TEXT AREA-TEXT [SELECT-START SELECT-LENGTH]
# The entry takes the focus with nothing selected (or with those characters selected); then, and
# whenever a field changes, OUT-FILE is replaced with two lines: the entry's text and the area's
# text, each as JSON.
import json
import os
import sys

import gi

gi.require_version("Gtk", "4.0")
from gi.repository import GLib, Gtk  # noqa: E402

out, entry_text, area_text = sys.argv[1:4]
selection = [int(n) for n in sys.argv[4:6] if n.isdigit()]
if len(selection) != 2:
    selection = [0, 0]


def save(*_):
    buffer = area.get_buffer()
    text = buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)
    with open(out + ".tmp", "w") as f:
        f.write(json.dumps(entry.get_text()) + "\n" + json.dumps(text) + "\n")
    os.replace(out + ".tmp", out)


def activate(app):
    global entry, area
    window = Gtk.ApplicationWindow(application=app, title="Palimo GTK 4 editor")
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
    entry = Gtk.Entry(text=entry_text)
    area = Gtk.TextView()
    area.get_buffer().set_text(area_text)
    area.set_size_request(300, 80)
    box.append(entry)
    box.append(area)
    window.set_child(box)
    window.present()
    entry.grab_focus()  # selects the whole entry

    def ready():
        entry.select_region(selection[0], selection[0] + selection[1])
        entry.connect("changed", save)
        area.get_buffer().connect("changed", save)
        save()

    GLib.idle_add(ready)


app = Gtk.Application(application_id=None)
app.connect("activate", activate)
app.run([])
