#!/usr/bin/python3
"""A stand-in for the desktop's StatusNotifierItem watcher and host (org.kde.StatusNotifierWatcher),
enough for Qt to put its tray icon on the session bus. Prints "ready" once it owns the name, then
one line per registered item: the time (seconds since the epoch) and the item's bus name and path.
"""
import sys
import time

from gi.repository import Gio, GLib

INTERFACE = """
<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface></node>"""
items = []


def method_call(connection, sender, path, interface, method, parameters, invocation):
    if method == "RegisterStatusNotifierItem":
        service = parameters.unpack()[0]
        # Qt passes its bus name, or an object path on its unique name.
        item = service if not service.startswith("/") else sender + service
        if "/" not in item:
            item += "/StatusNotifierItem"
        items.append(item)
        print("%.6f %s" % (time.time(), item), flush=True)
        connection.emit_signal(None, path, interface, "StatusNotifierItemRegistered",
                               GLib.Variant("(s)", (item,)))
    invocation.return_value(None)


def get_property(connection, sender, path, interface, name):
    return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
            "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
            "ProtocolVersion": GLib.Variant("i", 0)}[name]


def acquired(connection, name):
    print("ready", flush=True)


def lost(connection, name):
    print("sni-watcher: could not own %s" % name, file=sys.stderr)
    sys.exit(1)


bus = Gio.bus_get_sync(Gio.BusType.SESSION)
info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
bus.register_object("/StatusNotifierWatcher", info, method_call, get_property, None)
Gio.bus_own_name_on_connection(bus, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.NONE,
                               acquired, lost)
GLib.MainLoop().run()
