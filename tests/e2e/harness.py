"""Drives the real fernhollow executable under a private Xvfb display.

Each test gets its own X server (the display number is chosen by Xvfb), optionally a window
manager, its own settings folder, and message boxes that write to stderr instead of waiting.
"""
import ctypes
import os
import shutil
import signal
import subprocess
import tempfile
import time

BIN = os.environ.get("FERNHOLLOW_BIN") or os.path.join(
    os.path.dirname(__file__), "..", "..", "build", "fernhollow")
SOURCE = os.environ.get("FERNHOLLOW_SOURCE") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))
WINDOW_TITLE = "Velmora v 0.1.2.1"
KEY_PATH = r"Software\Tallowmere Studio\Fernhollow Screensaver"


def wait_until(predicate, timeout=20.0, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return None


class XServer:
    def __init__(self, geometry="1024x768x24", window_manager=False):
        self.geometry = geometry
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", geometry, "-nolisten", "tcp", "-noreset",
             "-br"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.start_window_manager(window_manager)

    def start_window_manager(self, wanted):
        self.wm = None
        if wanted:
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if not wait_until(lambda: b"_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
                    ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout, 10):
                raise RuntimeError("openbox did not start")

    def env(self, **extra):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.update(extra)
        return env

    def run(self, command, **kwargs):
        return subprocess.run(command, env=self.env(), capture_output=True, timeout=30, **kwargs)

    def screenshot(self, path=None):
        """The whole screen as a PIL image."""
        from PIL import Image
        target = path or tempfile.mktemp(suffix=".png")
        self.run(["import", "-window", "root", target], check=True)
        image = Image.open(target).convert("RGB")
        image.load()
        if not path:
            os.unlink(target)
        return image

    def find_window(self, title=WINDOW_TITLE):
        """(id, x, y, width, height) of the first mapped window with that title, or None."""
        found = self.run(["xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"])
        for line in found.stdout.decode().split():
            info = self.window_geometry(int(line))
            if info:
                return info
        return None

    def window_geometry(self, window):
        out = self.run(["xwininfo", "-id", str(window)]).stdout.decode()
        values = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    values[key] = int(line.split(":")[1])
        if len(values) < 4:
            return None
        return (window, values["Absolute upper-left X"], values["Absolute upper-left Y"],
                values["Width"], values["Height"])

    def request_close(self, window):
        """Asks the window manager to close a window (_NET_CLOSE_WINDOW), as its close button does."""
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                        ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                        ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]

        connection = x11.XOpenDisplay(self.display.encode())
        event = ClientMessage()
        event.type = 33  # ClientMessage
        event.window = window
        event.message_type = x11.XInternAtom(connection, b"_NET_CLOSE_WINDOW", 0)
        event.format = 32
        event.data[0] = 0  # CurrentTime
        event.data[1] = 2  # from a pager, as a user's action
        mask = (1 << 19) | (1 << 20)  # SubstructureNotify | SubstructureRedirect
        x11.XSendEvent(connection, x11.XDefaultRootWindow(connection), 0, mask, ctypes.byref(event))
        x11.XSync(connection, 0)
        x11.XCloseDisplay(connection)

    def xdotool(self, *args):
        return self.run(["xdotool"] + [str(a) for a in args])

    def stop(self):
        for process in (self.wm, self.xvfb):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()


class TwoMonitorXServer(XServer):
    """Xorg with the dummy video driver: two 1280x720 monitors side by side, one X screen through
    Xinerama (tests/support/two-monitors.conf). Xorg needs root; it picks a free display number."""

    MONITORS = [(0, 0, 1280, 720), (1280, 0, 1280, 720)]
    CONFIG = "two-monitors.conf"
    GEOMETRY = "2560x720x24"

    def __init__(self, window_manager=False):
        self.geometry = self.GEOMETRY
        self.work = tempfile.mkdtemp(prefix="fernhollow-xorg-")
        os.mkdir(os.path.join(self.work, "conf.d"))
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xorg", "-config", os.path.join(SOURCE, "tests", "support", self.CONFIG),
             "-configdir", os.path.join(self.work, "conf.d"), "-logfile", os.path.join(self.work, "Xorg.log"),
             "-nolisten", "tcp", "-noreset", "-displayfd", str(write_end)],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.stop()
            raise RuntimeError("Xorg did not start; see " + os.path.join(self.work, "Xorg.log"))
        self.display = ":" + number
        self.start_window_manager(window_manager)

    def stop(self):
        XServer.stop(self)
        shutil.rmtree(self.work, ignore_errors=True)


class HostWindow:
    """A plain X window owned by this test process, standing in for a screen-saver host's."""

    def __init__(self, display, width, height, x=0, y=0, background=0xFFFFFF):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XCreateSimpleWindow.restype = ctypes.c_ulong
        x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                            ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                            ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
        for name in ("XMapWindow", "XUnmapWindow", "XDestroyWindow", "XResizeWindow"):
            getattr(x11, name).argtypes = [ctypes.c_void_p, ctypes.c_ulong] + (
                [ctypes.c_uint, ctypes.c_uint] if name == "XResizeWindow" else [])
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x11 = x11
        self.connection = x11.XOpenDisplay(display.encode())
        if not self.connection:
            raise RuntimeError("cannot open " + display)
        root = x11.XDefaultRootWindow(self.connection)
        self.id = x11.XCreateSimpleWindow(self.connection, root, x, y, width, height, 0, 0,
                                          background)
        x11.XMapWindow(self.connection, self.id)
        x11.XSync(self.connection, 0)

    def make_active(self):
        """Names this window as the desktop's active one (_NET_ACTIVE_WINDOW of the root)."""
        x11 = self.x11
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                        ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                        ctypes.c_void_p, ctypes.c_int]
        atom = x11.XInternAtom(self.connection, b"_NET_ACTIVE_WINDOW", 0)
        value = ctypes.c_ulong(self.id)
        x11.XChangeProperty(self.connection, x11.XDefaultRootWindow(self.connection), atom,
                            33, 32, 0, ctypes.byref(value), 1)  # 33: XA_WINDOW; 0: replace
        x11.XSync(self.connection, 0)

    def map(self):
        self.x11.XMapWindow(self.connection, self.id)
        self.x11.XSync(self.connection, 0)

    def unmap(self):
        self.x11.XUnmapWindow(self.connection, self.id)
        self.x11.XSync(self.connection, 0)

    def resize(self, width, height):
        self.x11.XResizeWindow(self.connection, self.id, width, height)
        self.x11.XSync(self.connection, 0)

    def destroy(self):
        if self.id:
            self.x11.XDestroyWindow(self.connection, self.id)
            self.x11.XSync(self.connection, 0)
            self.id = 0

    def close(self):
        self.destroy()
        if self.connection:
            self.x11.XCloseDisplay(self.connection)
            self.connection = None


class Run:
    """One fernhollow process."""

    def __init__(self, args, xserver=None, config_home=None, env=None, answer=None, binary=None):
        self.config_home = config_home
        environment = xserver.env() if xserver else dict(os.environ)
        if not xserver:
            environment.pop("DISPLAY", None)
        environment["FERNHOLLOW_MESSAGE_BOX"] = "stderr"
        if config_home:
            environment["XDG_CONFIG_HOME"] = config_home
        if answer:
            environment["FERNHOLLOW_MESSAGE_BOX_ANSWER"] = answer
        # Audio goes nowhere unless a test records it.
        environment.setdefault("ALSOFT_DRIVERS", "null")
        environment.update(env or {})
        self.process = subprocess.Popen([binary or BIN] + list(args), env=environment,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.stdout = self.stderr = ""

    def alive(self):
        return self.process.poll() is None

    def finish(self, timeout=30):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
            raise AssertionError("fernhollow did not end within %s s; stderr: %s" % (
                timeout, err.decode(errors="replace")))
        self.stdout = out.decode(errors="replace")
        self.stderr = err.decode(errors="replace")
        return self.process.returncode

    def signal(self, number=signal.SIGTERM, timeout=30):
        if self.alive():
            self.process.send_signal(number)
        return self.finish(timeout)


class SettingsFolder:
    """A temporary XDG_CONFIG_HOME, removed afterwards."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="fernhollow-settings-")

    @property
    def file(self):
        return os.path.join(self.path, "fernhollow", "user.reg")

    def write(self, values):
        os.makedirs(os.path.dirname(self.file), exist_ok=True)
        lines = ["REGEDIT4", "", "[HKEY_CURRENT_USER\\" + KEY_PATH + "]"]
        for name, value in values.items():
            if isinstance(value, int):
                lines.append('"%s"=dword:%08x' % (name, value))
            else:
                lines.append('"%s"="%s"' % (name, value.replace("\\", "\\\\").replace('"', '\\"')))
        with open(self.file, "w") as out:
            out.write("\n".join(lines) + "\n")

    def read(self):
        """The values of the saver's key: DWORDs as ints, strings as str."""
        values = {}
        if not os.path.exists(self.file):
            return None
        section = None
        with open(self.file, encoding="utf-8", errors="replace") as source:
            for line in source:
                line = line.strip()
                if line.startswith("[") and line.endswith("]"):
                    section = line[1:-1]
                    continue
                if section != "HKEY_CURRENT_USER\\" + KEY_PATH or not line.startswith('"'):
                    continue
                name, _, value = line.partition("=")
                name = name.strip('"')
                if value.startswith("dword:"):
                    values[name] = int(value[6:], 16)
                elif value.startswith('"'):
                    values[name] = value[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        return values

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


def manifest_path(kind, number):
    """The file below assets/ that the manifest lists for resource (kind, number), or None."""
    with open(os.path.join(SOURCE, "assets", "manifest.txt")) as manifest:
        for line in manifest:
            words = line.split()
            if len(words) >= 3 and words[0] == kind and words[1] == str(number):
                return os.path.join(SOURCE, "assets", words[2])
    return None


def read_bmp(path):
    """(width, height, rows) of an uncompressed 24-bit BMP; rows top to bottom of (r, g, b)."""
    import struct
    with open(path, "rb") as source:
        data = source.read()
    if data[:2] != b"BM":
        raise ValueError(path + " is not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0:
        raise ValueError(path + " is not an uncompressed 24-bit BMP")
    stride = (width * 3 + 3) & ~3
    rows = []
    for row in range(abs(height)):
        stored = row if height < 0 else abs(height) - 1 - row
        start = offset + stored * stride
        rows.append([(data[start + 3 * x + 2], data[start + 3 * x + 1], data[start + 3 * x])
                     for x in range(width)])
    return width, abs(height), rows


def stretch_source(d, destination, source):
    """The source pixel under the centre of destination pixel d (the preview's stretch rule)."""
    return (2 * d + 1) * source // (2 * destination)


class DialogDriver:
    """fernhollow with its dialogs driven through FERNHOLLOW_DIALOG_DRIVER=stdin: commands by control
    id on the innermost open dialog, answered line by line; "open"/"closed" lines report dialogs."""

    def __init__(self, args, xserver, config_home, env=None, binary=None):
        import queue
        import threading
        environment = xserver.env(FERNHOLLOW_DIALOG_DRIVER="stdin", XDG_CONFIG_HOME=config_home,
                                  FERNHOLLOW_MESSAGE_BOX="stderr")
        environment.update(env or {})
        self.process = subprocess.Popen([binary or BIN] + list(args), env=environment,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, bufsize=1)
        self.answers = queue.Queue()
        self.events = queue.Queue()
        self.stderr = ""
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self.process.stdout:
            line = line.rstrip("\n")
            if line.startswith("open ") or line.startswith("closed "):
                self.events.put(line)
            else:
                self.answers.put(line)
        self.events.put(None)

    def event(self, timeout=20):
        """The next "open ID XID" / "closed ID RESULT" line; None when the program ended."""
        import queue
        try:
            return self.events.get(timeout=timeout)
        except queue.Empty:
            raise AssertionError("no dialog event within %s s" % timeout)

    def wait_open(self, template, timeout=20):
        line = self.event(timeout)
        if not line or not line.startswith("open %d " % template):
            raise AssertionError("expected dialog %d to open, got %r; stderr: %s" % (
                template, line, self.finish_stderr()))
        return int(line.split()[2])

    def wait_closed(self, template, timeout=20):
        line = self.event(timeout)
        if not line or not line.startswith("closed %d " % template):
            raise AssertionError("expected dialog %d to close, got %r" % (template, line))
        return line.split()[2]

    def command(self, text, timeout=20):
        import queue
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()
        try:
            answer = self.answers.get(timeout=timeout)
        except queue.Empty:
            raise AssertionError("no answer to %r" % text)
        return answer

    def ok(self, text):
        answer = self.command(text)
        if not answer.startswith("ok"):
            raise AssertionError("%r: %s" % (text, answer))
        return answer[3:]

    def state(self, control):
        """checked, enabled, visible, position, selection (ints) and text of a control."""
        answer = self.ok("state %d" % control)
        head, _, text = answer.partition(" text=")
        values = dict(item.split("=") for item in head.split())
        values = {key: int(value) for key, value in values.items()}
        values["text"] = text
        return values

    def geometry(self, control):
        return tuple(int(v) for v in self.ok("geometry %d" % control).split())

    def finish(self, timeout=20):
        try:
            self.process.stdin.close()
        except OSError:
            pass
        try:
            status = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise AssertionError("fernhollow did not end within %s s" % timeout)
        self.finish_stderr()
        self._close()
        return status

    def finish_stderr(self):
        if self.process.poll() is not None and not self.process.stderr.closed:
            self.stderr = self.process.stderr.read()
        return self.stderr

    def _close(self):
        self._reader.join(5)
        for stream in (self.process.stdin, self.process.stdout, self.process.stderr):
            try:
                stream.close()
            except OSError:
                pass

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.finish_stderr()
        self._close()
