#!/usr/bin/python3
"""A stand-in for KDE's shortcut service (org.kde.kglobalaccel), the part a program uses to own a
shortcut: register an action, set its key, find the component, unregister. Keys named in the
arguments (Qt key codes with modifiers, decimal) are held by "another application": setting them
assigns nothing. Prints "ready", then one line per call. Its own method Press(action) emits the
component's globalShortcutPressed signal, as the real service does when the key goes down.
"""
import sys

from gi.repository import Gio, GLib

SERVICE = """
<node><interface name="org.kde.KGlobalAccel">
  <method name="doRegister"><arg type="as" direction="in"/></method>
  <method name="setShortcut"><arg type="as" direction="in"/><arg type="ai" direction="in"/>
    <arg type="u" direction="in"/><arg type="ai" direction="out"/></method>
  <method name="getComponent"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
  <method name="unregister"><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="b" direction="out"/></method>
</interface>
<interface name="org.palimo.Test"><method name="Press"><arg type="s" direction="in"/></method>
</interface></node>"""
COMPONENT = """
<node><interface name="org.kde.kglobalaccel.Component">
  <signal name="globalShortcutPressed"><arg type="s"/><arg type="s"/><arg type="x"/></signal>
</interface></node>"""
taken = {int(key) for key in sys.argv[1:]}
components = {}


def say(*words):
    print(*words, flush=True)


def component_path(name):
    return "/component/" + "".join(c if c.isalnum() else "_" for c in name)


def service_call(connection, sender, path, interface, method, parameters, invocation):
    args = parameters.unpack()
    if method == "doRegister":
        components[args[0][0]] = True
        say("register", args[0][1])
        invocation.return_value(None)
    elif method == "setShortcut":
        keys = [] if set(args[1]) & taken else list(args[1])
        say("set", args[0][1], *args[1], "flags", args[2], "->", *keys)
        invocation.return_value(GLib.Variant("(ai)", (keys,)))
    elif method == "getComponent":
        if args[0] not in components:
            invocation.return_dbus_error("org.kde.kglobalaccel.NoSuchComponent", args[0])
            return
        path = component_path(args[0])
        if path not in registered:
            registered.add(path)
            connection.register_object(path, Gio.DBusNodeInfo.new_for_xml(COMPONENT).interfaces[0],
                                       None, None, None)
        invocation.return_value(GLib.Variant("(o)", (path,)))
    elif method == "unregister":
        say("unregister", args[1])
        invocation.return_value(GLib.Variant("(b)", (True,)))
    elif method == "Press":
        for name in components:
            connection.emit_signal(None, component_path(name), "org.kde.kglobalaccel.Component",
                                   "globalShortcutPressed", GLib.Variant("(ssx)", (name, args[0], 0)))
        invocation.return_value(None)


registered = set()


def on_bus(connection, name):
    node = Gio.DBusNodeInfo.new_for_xml(SERVICE)
    for interface in node.interfaces:
        connection.register_object("/kglobalaccel", interface, service_call, None, None)


Gio.bus_own_name(Gio.BusType.SESSION, "org.kde.kglobalaccel", Gio.BusNameOwnerFlags.NONE,
                 on_bus, lambda *_: say("ready"), lambda *_: sys.exit("lost the name"))
GLib.MainLoop().run()
