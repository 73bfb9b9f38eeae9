"""A stand-in for systemd's login manager on a private bus, for hosts that want a login session (xss-lock
asserts one): org.freedesktop.login1 with a Manager that names one session and refuses the sleep lock,
and a Session that takes the idle and locked hints. Prints "ready" once the name is owned; ends on
SIGTERM.
  fake_logind.py            (DBUS_SYSTEM_BUS_ADDRESS or DBUS_SESSION_BUS_ADDRESS names the bus)"""
import os
import signal
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

SESSION = "/org/freedesktop/login1/session/fernhollow_test"
INTERFACES = Gio.DBusNodeInfo.new_for_xml("""
<node>
  <interface name="org.freedesktop.login1.Manager">
    <method name="GetSession"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
    <method name="GetSessionByPID"><arg type="u" direction="in"/><arg type="o" direction="out"/></method>
    <method name="Inhibit">
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="h" direction="out"/>
    </method>
    <signal name="PrepareForSleep"><arg type="b"/></signal>
  </interface>
  <interface name="org.freedesktop.login1.Session">
    <method name="SetIdleHint"><arg type="b" direction="in"/></method>
    <method name="SetLockedHint"><arg type="b" direction="in"/></method>
    <signal name="Lock"/>
    <signal name="Unlock"/>
  </interface>
</node>""").interfaces


def call(connection, sender, path, interface, method, parameters, invocation):
    if method in ("GetSession", "GetSessionByPID"):
        invocation.return_value(GLib.Variant("(o)", (SESSION,)))
    elif method == "Inhibit":
        invocation.return_dbus_error("org.freedesktop.DBus.Error.NotSupported", "no sleep here")
    else:
        print("%s %s" % (method, parameters.unpack()[0]), flush=True)
        invocation.return_value(None)


def main():
    address = os.environ.get("DBUS_SYSTEM_BUS_ADDRESS") or os.environ["DBUS_SESSION_BUS_ADDRESS"]
    connection = Gio.DBusConnection.new_for_address_sync(
        address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
        None, None)
    connection.register_object("/org/freedesktop/login1", INTERFACES[0], call)
    connection.register_object(SESSION, INTERFACES[1], call)
    loop = GLib.MainLoop()

    def owned(*_):
        print("ready", flush=True)
    Gio.bus_own_name_on_connection(connection, "org.freedesktop.login1", Gio.BusNameOwnerFlags.NONE, owned,
                                   lambda *_: loop.quit())
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
