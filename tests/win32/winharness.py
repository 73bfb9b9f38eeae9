"""Drives the cross-built Fernhollow.scr under Wine in the session's Xvfb display.

The session (wine-session.sh start) holds one prefix, one persistent wineserver and one display;
tests run one at a time in it, so each resets the saver's registry key before it starts.
"""
import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.environ.get("FERNHOLLOW_SOURCE") or os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
from harness import wait_until  # noqa: E402

WINE = "/usr/lib/wine/wine64"
STATE = os.environ["FERNHOLLOW_WINE_STATE"]
SCR = os.environ.get("FERNHOLLOW_SCR")
TEST_HOST = os.environ.get("FERNHOLLOW_TEST_HOST")
KEY = r"HKCU\Software\Tallowmere Studio\Fernhollow Screensaver"
WINDOW_TITLE = "Velmora v 0.1.2.1"


def display():
    with open(os.path.join(STATE, "display")) as f:
        return f.read().strip()


def env(**extra):
    environment = dict(os.environ)
    environment["DISPLAY"] = display()
    environment["FERNHOLLOW_MESSAGE_BOX"] = "stderr"
    environment.update(extra)
    return environment


def wine(args, timeout=60, **extra):
    """Runs a Windows program to its end; returns the CompletedProcess (text)."""
    return subprocess.run([WINE] + list(args), env=env(**extra), capture_output=True, text=True,
                          timeout=timeout)


class Saver:
    """One Fernhollow.scr process."""

    def __init__(self, args, binary=None, **extra):
        self.process = subprocess.Popen([WINE, binary or SCR] + list(args), env=env(**extra),
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        self.stdout = self.stderr = ""

    def alive(self):
        return self.process.poll() is None

    def finish(self, timeout=30):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
            raise AssertionError("Fernhollow.scr did not end within %s s; stderr: %s" % (timeout, err))
        self.stdout, self.stderr = out, err
        return self.process.returncode

    def kill(self):
        if self.alive():
            self.process.kill()
            self.process.communicate()


def reg_reset(values=None):
    """Deletes the saver's key, then stores values ({name: int or str})."""
    wine(["reg", "delete", KEY, "/f"])
    for name, value in (values or {}).items():
        if isinstance(value, int):
            wine(["reg", "add", KEY, "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f"])
        else:
            wine(["reg", "add", KEY, "/v", name, "/t", "REG_SZ", "/d", value, "/f"])


def reg_query(key=KEY):
    """The key's values as {name: int or str}, read with `wine reg query`; None when there is no key."""
    result = wine(["reg", "query", key])
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.splitlines():
        match = re.match(r"^\s+(\S.*?)\s+(REG_DWORD|REG_SZ)\s*(.*)$", line)
        if not match:
            continue
        name, kind, value = match.groups()
        values[name] = int(value, 16) if kind == "REG_DWORD" else value
    return values


def xdotool(*args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], env=env(), capture_output=True, text=True,
                          timeout=30)


def screenshot(path):
    subprocess.run(["import", "-display", display(), "-window", "root", path], check=True, timeout=60,
                   capture_output=True)
    return path


def host_tool(*args, timeout=60):
    return wine([TEST_HOST] + [str(a) for a in args], timeout=timeout)


def saver_window():
    """The saver's top-level window as (x, y, width, height), or None while there is none."""
    result = host_tool("rect", WINDOW_TITLE, "0.1")
    if result.returncode != 0:
        return None
    return tuple(int(v) for v in result.stdout.split())


def load_png(path):
    from PIL import Image
    import numpy
    return numpy.asarray(Image.open(path).convert("RGB")).astype(int)


class Host:
    """The test host: a window at 0,0 with the saver started as /p <its handle>."""

    def __init__(self, width, height, saver):
        self.process = subprocess.Popen([WINE, TEST_HOST, "host", str(width), str(height), saver], env=env(),
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True)
        self.lines = []

    def line(self, prefix):
        while True:
            text = self.process.stdout.readline()
            if not text:
                return None
            self.lines.append(text)
            if text.startswith(prefix):
                return text.split()

    def destroy(self):
        self.process.stdin.write("destroy\n")
        self.process.stdin.flush()
        return self.line("saver")

    def close(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.write("quit\n")
                self.process.stdin.close()
            except OSError:
                pass
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
        self.stderr = self.process.stderr.read()
