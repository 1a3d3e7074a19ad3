#!/usr/bin/python3
"""Reads and clicks a StatusNotifierItem's menu over com.canonical.dbusmenu, as a tray host does.

  tray-menu.py ITEM labels        opens the menu (AboutToShow) and prints one line per entry:
                                  the label, or "-" for a separator, and the shortcut if any
  tray-menu.py ITEM click LABEL   sends the entry's "clicked" event
ITEM is the bus name and path printed by sni-watcher.py (":1.7/StatusNotifierItem")."""
import sys
import time

from gi.repository import Gio, GLib

MENU = "com.canonical.dbusmenu"


def fail(message):
    print("tray-menu: " + message, file=sys.stderr)
    sys.exit(1)


def call(bus, name, path, interface, method, args, reply_type=None):
    try:
        return bus.call_sync(name, path, interface, method, args,
                             GLib.VariantType(reply_type) if reply_type else None,
                             Gio.DBusCallFlags.NONE, 5000, None)
    except GLib.Error as error:
        fail("%s.%s: %s" % (interface, method, error.message))


def entries(bus, name, menu):
    call(bus, name, menu, MENU, "AboutToShow", GLib.Variant("(i)", (0,)))
    layout = call(bus, name, menu, MENU, "GetLayout",
                  GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))").unpack()[1]
    for child in layout[2]:
        ident, props = child[0], child[1]
        if props.get("type") == "separator":
            yield ident, "-", ""
        else:
            shortcut = "+".join(props.get("shortcut", [[]])[0])
            yield ident, props.get("label", ""), shortcut


def main(argv):
    if len(argv) < 3:
        fail(__doc__)
    name, _, path = argv[1].partition("/")
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    menu = call(bus, name, "/" + path, "org.freedesktop.DBus.Properties", "Get",
                GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", "Menu")), "(v)").unpack()[0]
    if argv[2] == "labels":
        for _, label, shortcut in entries(bus, name, menu):
            print(label + (" " + shortcut if shortcut else ""))
    elif argv[2] == "click":
        for ident, label, _ in entries(bus, name, menu):
            if label == argv[3]:
                call(bus, name, menu, MENU, "Event",
                     GLib.Variant("(isvu)", (ident, "clicked", GLib.Variant("i", 0),
                                             int(time.time()) & 0xFFFFFFFF)))
                return
        fail("no entry %r" % argv[3])
    else:
        fail("unknown command %r" % argv[2])


main(sys.argv)
