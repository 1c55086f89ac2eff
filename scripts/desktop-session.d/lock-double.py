#!/usr/bin/python3
"""The lock services of the private desktop session, played by one small process.

On the session's system bus it is logind: org.freedesktop.login1.Manager.GetSessionByPID
answers one session for every pid, whose LockedHint and Active are properties that announce
their changes with PropertiesChanged. On the session bus it is the screensaver:
org.freedesktop.ScreenSaver.GetActive, with ActiveChanged when it changes.

Tests lock and unlock at will through no.orvel.LockDouble at /no/orvel/LockDouble on the
system bus (see `scripts/desktop-session lock`):
  SetLocked(b)            the session's LockedHint
  SetScreensaverActive(b) the screensaver's state
  SetSessionActive(b)     the session's Active (false: another session is in front)
  SetPresent(b, b)        whether logind and the screensaver are on their buses at all
"""
import sys

from gi.repository import Gio, GLib

SESSION_PATH = "/org/freedesktop/login1/session/orvel"

LOGIND_XML = """
<node>
  <interface name="org.freedesktop.login1.Manager">
    <method name="GetSessionByPID">
      <arg type="u" direction="in"/>
      <arg type="o" direction="out"/>
    </method>
  </interface>
</node>"""

SESSION_XML = """
<node>
  <interface name="org.freedesktop.login1.Session">
    <property name="Id" type="s" access="read"/>
    <property name="LockedHint" type="b" access="read"/>
    <property name="Active" type="b" access="read"/>
  </interface>
</node>"""

SCREENSAVER_XML = """
<node>
  <interface name="org.freedesktop.ScreenSaver">
    <method name="GetActive">
      <arg type="b" direction="out"/>
    </method>
    <signal name="ActiveChanged">
      <arg type="b"/>
    </signal>
  </interface>
</node>"""

CONTROL_XML = """
<node>
  <interface name="no.orvel.LockDouble">
    <method name="SetLocked"><arg type="b" direction="in"/></method>
    <method name="SetScreensaverActive"><arg type="b" direction="in"/></method>
    <method name="SetSessionActive"><arg type="b" direction="in"/></method>
    <method name="SetPresent">
      <arg type="b" direction="in"/>
      <arg type="b" direction="in"/>
    </method>
  </interface>
</node>"""


def interface(xml):
    return Gio.DBusNodeInfo.new_for_xml(xml).interfaces[0]


class LockDouble:
    def __init__(self, locked):
        self.locked = locked
        self.screensaver_active = False
        self.session_active = True
        self.system = Gio.bus_get_sync(Gio.BusType.SYSTEM, None)
        self.session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        self.system.register_object("/org/freedesktop/login1", interface(LOGIND_XML),
                                    self.on_logind, None, None)
        self.system.register_object(SESSION_PATH, interface(SESSION_XML), None,
                                    self.on_session_property, None)
        self.system.register_object("/no/orvel/LockDouble", interface(CONTROL_XML),
                                    self.on_control, None, None)
        self.session.register_object("/org/freedesktop/ScreenSaver", interface(SCREENSAVER_XML),
                                     self.on_screensaver, None, None)
        self.own(self.system, "no.orvel.LockDouble")
        self.present = {}
        self.set_present(True, True)

    def own(self, bus, name):
        reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus", "RequestName",
                              GLib.Variant("(su)", (name, 4)), None,
                              Gio.DBusCallFlags.NONE, 2000, None)
        if reply.unpack()[0] != 1:
            raise RuntimeError("could not own " + name)

    def release(self, bus, name):
        bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                      "ReleaseName", GLib.Variant("(s)", (name,)), None,
                      Gio.DBusCallFlags.NONE, 2000, None)

    def set_present(self, logind, screensaver):
        for bus, name, wanted in ((self.system, "org.freedesktop.login1", logind),
                                  (self.session, "org.freedesktop.ScreenSaver", screensaver)):
            if wanted and not self.present.get(name):
                self.own(bus, name)
            elif not wanted and self.present.get(name):
                self.release(bus, name)
            self.present[name] = wanted

    def on_logind(self, connection, sender, path, iface, method, args, invocation):
        invocation.return_value(GLib.Variant("(o)", (SESSION_PATH,)))

    def on_session_property(self, connection, sender, path, iface, name):
        if name == "Id":
            return GLib.Variant("s", "orvel")
        if name == "LockedHint":
            return GLib.Variant("b", self.locked)
        return GLib.Variant("b", self.session_active)

    def session_changed(self, name, value):
        self.system.emit_signal(None, SESSION_PATH, "org.freedesktop.DBus.Properties",
                                "PropertiesChanged",
                                GLib.Variant("(sa{sv}as)", ("org.freedesktop.login1.Session",
                                                            {name: GLib.Variant("b", value)},
                                                            [])))

    def on_screensaver(self, connection, sender, path, iface, method, args, invocation):
        invocation.return_value(GLib.Variant("(b)", (self.screensaver_active,)))

    def on_control(self, connection, sender, path, iface, method, args, invocation):
        values = args.unpack()
        if method == "SetLocked":
            self.locked = values[0]
            self.session_changed("LockedHint", self.locked)
        elif method == "SetSessionActive":
            self.session_active = values[0]
            self.session_changed("Active", self.session_active)
        elif method == "SetScreensaverActive":
            self.screensaver_active = values[0]
            self.session.emit_signal(None, "/org/freedesktop/ScreenSaver",
                                     "org.freedesktop.ScreenSaver", "ActiveChanged",
                                     GLib.Variant("(b)", (self.screensaver_active,)))
        elif method == "SetPresent":
            self.set_present(values[0], values[1])
        self.system.flush_sync(None)
        self.session.flush_sync(None)
        invocation.return_value(None)


def main():
    double = LockDouble(locked="--locked" in sys.argv[1:])
    print("ready", flush=True)
    GLib.MainLoop().run()
    return double


if __name__ == "__main__":
    main()
