"""A screen saver keeps nothing awake: every mode of the program runs for over a minute on its own X
server, beside a private session bus that answers the screen-saver interfaces and a monitor of that bus,
while the servers' idle counters (MIT-SCREEN-SAVER, what the DPMS timers count) are read every second.
No inhibit or simulated-activity call may reach the bus, and no idle counter may fall back."""
import ctypes
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from harness import HostWindow, Run, SettingsFolder, XServer, wait_until

RUN_SECONDS = 66

# Owns the names a desktop's screen-saver and power services own, and writes down every call made to them.
RESPONDER = r"""
import sys
from gi.repository import Gio, GLib
log = open(sys.argv[1], "a", buffering=1)
XML = '''<node>
 <interface name="org.freedesktop.ScreenSaver">
  <method name="Inhibit"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="u" direction="out"/></method>
  <method name="UnInhibit"><arg type="u" direction="in"/></method>
  <method name="SimulateUserActivity"/>
  <method name="GetActive"><arg type="b" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.PowerManagement.Inhibit">
  <method name="Inhibit"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="u" direction="out"/></method>
  <method name="UnInhibit"><arg type="u" direction="in"/></method>
 </interface>
</node>'''
info = Gio.DBusNodeInfo.new_for_xml(XML)
def call(connection, sender, path, interface, method, parameters, invocation):
    log.write("%s.%s %s\n" % (interface, method, parameters))
    if method == "Inhibit":
        invocation.return_value(GLib.Variant("(u)", (7,)))
    elif method == "GetActive":
        invocation.return_value(GLib.Variant("(b)", (False,)))
    else:
        invocation.return_value(None)
def acquired(connection, name):
    for path in ("/org/freedesktop/ScreenSaver", "/ScreenSaver", "/org/freedesktop/PowerManagement/Inhibit"):
        for interface in info.interfaces:
            try:
                connection.register_object(path, interface, call, None, None)
            except GLib.Error:
                pass
    log.write("owned %s\n" % name)
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
for name in ("org.freedesktop.ScreenSaver", "org.freedesktop.PowerManagement"):
    Gio.bus_own_name_on_connection(bus, name, Gio.BusNameOwnerFlags.NONE, acquired, None)
GLib.MainLoop().run()
"""


class IdleCounter:
    """The X server's idle time in milliseconds, as XScreenSaverQueryInfo gives it."""

    class Info(ctypes.Structure):
        _fields_ = [("window", ctypes.c_ulong), ("state", ctypes.c_int), ("kind", ctypes.c_int),
                    ("til_or_since", ctypes.c_ulong), ("idle", ctypes.c_ulong), ("event_mask", ctypes.c_ulong)]

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xss = ctypes.CDLL("libXss.so.1")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
        self.connection = self.x11.XOpenDisplay(display.encode())
        self.info = IdleCounter.Info()

    def idle(self):
        self.xss.XScreenSaverQueryInfo(self.connection, self.x11.XDefaultRootWindow(self.connection),
                                       ctypes.byref(self.info))
        return self.info.idle

    def close(self):
        self.x11.XCloseDisplay(self.connection)


class SessionBus:
    """A private session bus with the screen-saver services answered and every method call monitored."""

    def __init__(self, folder):
        self.daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.address = self.daemon.stdout.readline().decode().strip()
        if not self.address:
            raise RuntimeError("dbus-daemon did not start")
        env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.address)
        self.calls = os.path.join(folder, "calls")
        self.monitored = os.path.join(folder, "monitor")
        self.responder = subprocess.Popen(["/usr/bin/python3", "-c", RESPONDER, self.calls], env=env,
                                          stderr=subprocess.DEVNULL)
        self.monitor_out = open(self.monitored, "w")
        self.monitor = subprocess.Popen(["dbus-monitor", "--address", self.address, "type='method_call'"],
                                        stdout=self.monitor_out, stderr=subprocess.DEVNULL)
        if not wait_until(lambda: os.path.exists(self.calls) and open(self.calls).read().count("owned") == 2, 20):
            raise RuntimeError("the screen-saver services did not start on the private bus")
        wait_until(lambda: os.path.getsize(self.monitored) > 0, 5)

    def forbidden_calls(self):
        """Method calls of the monitor and the services that would keep a display awake."""
        found = []
        with open(self.monitored) as text:
            for line in text:
                if "method call" in line and any(word in line for word in (
                        "member=Inhibit", "member=SimulateUserActivity", "interface=org.freedesktop.ScreenSaver",
                        "interface=org.freedesktop.PowerManagement")):
                    found.append(line.strip())
        with open(self.calls) as text:
            found += [line.strip() for line in text if not line.startswith("owned")]
        return found

    def stop(self):
        for process in (self.monitor, self.responder, self.daemon):
            process.terminate()
            process.wait(10)
        self.monitor_out.close()


class KeepsNothingAwake(unittest.TestCase):
    def test_no_mode_inhibits_the_screen_saver_or_resets_the_idle_time(self):
        folder = tempfile.mkdtemp(prefix="fernhollow-awake-")
        bus = SessionBus(folder)
        self.addCleanup(bus.stop)
        settings = SettingsFolder()
        self.addCleanup(settings.remove)
        runs = {}
        servers = {}
        for mode in ("/s", "-root", "-window-id", "/p", "/c"):
            x = XServer("640x480x24")
            self.addCleanup(x.stop)
            servers[mode] = x
            args = [mode]
            if mode in ("-window-id", "/p"):
                host = HostWindow(x.display, 400, 300)
                self.addCleanup(host.close)
                args.append(str(host.id))
            env = {"DBUS_SESSION_BUS_ADDRESS": bus.address, "FERNHOLLOW_LOG": os.path.join(folder, mode + ".log")}
            runs[mode] = Run(args, x, settings.path, env=env)
            self.addCleanup(lambda run=runs[mode]: run.alive() and run.signal(signal.SIGKILL))
        counters = {mode: IdleCounter(servers[mode].display) for mode in servers}
        samples = {mode: [] for mode in servers}
        start = time.monotonic()
        while time.monotonic() - start < RUN_SECONDS:
            for mode, counter in counters.items():
                samples[mode].append(counter.idle())
            time.sleep(1.0)
        for counter in counters.values():
            counter.close()
        for mode, run in runs.items():
            self.assertTrue(run.alive(), "%s ended early: %s" % (mode, run.stderr))
        for mode in runs:
            runs[mode].signal(signal.SIGTERM if mode != "/c" else signal.SIGKILL, 30)

        for mode, idle in samples.items():
            drops = [(i, idle[i - 1], idle[i]) for i in range(1, len(idle)) if idle[i] < idle[i - 1]]
            self.assertEqual(drops, [], "%s: the X server's idle time fell back (sample, before, after ms)" % mode)
            self.assertGreater(idle[-1], (RUN_SECONDS - 5) * 1000, "%s: idle time %s" % (mode, idle))
        self.assertEqual(bus.forbidden_calls(), [])
        print("idle at the end, ms:", {mode: idle[-1] for mode, idle in samples.items()})


if __name__ == "__main__":
    unittest.main()
