"""What the tests with real screen-saver hosts share: the program installed into a scratch prefix as
cmake --install puts it, a private D-Bus session bus, a scratch user for hosts that run nothing as root
or lock only for others, the processes of a program, and whether the forest is on the screen."""
import fcntl
import os
import pwd
import shutil
import subprocess
import tempfile
import time

import numpy as np

from forest import BUILD
from test_forest_scene import references


class Installed:
    """cmake --install into a scratch prefix that every user can read."""

    def __init__(self):
        self.prefix = tempfile.mkdtemp(prefix="fernhollow-install-")
        os.chmod(self.prefix, 0o755)
        done = subprocess.run(["cmake", "--install", BUILD, "--prefix", self.prefix], capture_output=True,
                              text=True, timeout=120)
        if done.returncode != 0:
            self.remove()
            raise RuntimeError("cmake --install failed: " + done.stderr)
        self.program = os.path.join(self.prefix, "bin", "fernhollow")
        self.hack = os.path.join(self.prefix, "libexec", "xscreensaver", "fernhollow")
        self.saver = os.path.join(self.prefix, "libexec", "xsecurelock", "saver_fernhollow")
        self.data = os.path.join(self.prefix, "share")

    def remove(self):
        shutil.rmtree(self.prefix, ignore_errors=True)


HACK_DIR = "/usr/libexec/xscreensaver"


class StagedInstall:
    """The files as the package puts them (cmake --install with the prefix /usr into a staging folder,
    DESTDIR), and the one link MATE and Xfce need in the system: they run only programs that lie in
    their own folders and XScreenSaver's hack directory. Holds the package test's lock, so the two never
    meet in /usr; not possible (None from make) without root, or when a fernhollow is already there."""

    LOCK = "/tmp/fernhollow-package-test.lock"

    @classmethod
    def make(cls):
        if os.geteuid() != 0:
            return None
        lock = open(cls.LOCK, "w")
        fcntl.flock(lock, fcntl.LOCK_EX)
        link = os.path.join(HACK_DIR, "fernhollow")
        if os.path.islink(link) and os.readlink(link).startswith(os.path.join(tempfile.gettempdir(),
                                                                               "fernhollow-stage-")) \
                and not os.path.exists(link):
            os.unlink(link)  # left by a run of this test that was killed
        if os.path.lexists(os.path.join(HACK_DIR, "fernhollow")) or not os.path.isdir(HACK_DIR):
            lock.close()
            return None
        return cls(lock)

    def __init__(self, lock):
        self.lock = lock
        self.stage = tempfile.mkdtemp(prefix="fernhollow-stage-")
        os.chmod(self.stage, 0o755)
        done = subprocess.run(["cmake", "--install", BUILD, "--prefix", "/usr"], capture_output=True, text=True,
                              timeout=120, env=dict(os.environ, DESTDIR=self.stage))
        if done.returncode != 0:
            self.remove()
            raise RuntimeError("cmake --install failed: " + done.stderr)
        self.program = os.path.join(self.stage, "usr", "bin", "fernhollow")
        self.data = os.path.join(self.stage, "usr", "share")
        self.entry = os.path.join(self.data, "applications", "screensavers", "fernhollow.desktop")
        self.hack = os.path.join(HACK_DIR, "fernhollow")
        os.symlink(self.program, self.hack)

    def remove(self):
        if os.path.islink(getattr(self, "hack", "")) and os.readlink(self.hack) == self.program:
            os.unlink(self.hack)
        shutil.rmtree(self.stage, ignore_errors=True)
        self.lock.close()


class SessionBus:
    """A private session bus (dbus-daemon --session), as a user's login gives one."""

    def __init__(self, env, user=None):
        command = ["dbus-daemon", "--session", "--nofork", "--print-address=1"]
        self.process = subprocess.Popen(as_user(command, user), env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        self.address = self.process.stdout.readline().strip()
        if not self.address:
            self.stop()
            raise RuntimeError("dbus-daemon gave no address")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()


USER = "fernhollow-host"


def scratch_user():
    """The name of a user that is not root, for the hosts that lock only for such a user: this process's
    own when it is not root; as root, a system user made for the tests (kept for the next run). None when
    no such user can be had."""
    if os.geteuid() != 0:
        return None
    try:
        pwd.getpwnam(USER)
        return USER
    except KeyError:
        pass
    if not shutil.which("useradd"):
        return None
    made = subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                           "--shell", "/usr/sbin/nologin", USER], capture_output=True)
    return USER if made.returncode == 0 else None


def as_user(command, user):
    if not user:
        return command
    return ["setpriv", "--reuid=" + user, "--regid=" + user, "--clear-groups"] + command


def give(path, user):
    """Hands a scratch folder and all in it to the user the host runs as."""
    if not user:
        return
    for folder, _, names in os.walk(path):
        for name in [folder] + [os.path.join(folder, n) for n in names]:
            shutil.chown(name, user, user)


def processes(path):
    """Ids of the live (not zombie) processes running the program at path (through any link to it),
    with their state letters."""
    program = os.path.realpath(path)
    found = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if os.readlink("/proc/%s/exe" % entry) != program:
                continue
        except OSError:
            continue
        letter = state(int(entry))
        if letter not in (None, "Z"):
            found[int(entry)] = letter
    return found


class ForestCheck:
    """Whether the full-screen forest is on a screen of this size: the parts of the picture that do not
    move (the clock's corner left out) match the scene drawn from the art files."""

    def __init__(self, width, height):
        self.reference = references(width, height)
        low, high = self.reference.min(axis=0), self.reference.max(axis=0)
        self.still = (high - low).max(axis=-1) <= 2
        self.still[int(0.93 * height) - 2:, int(0.63 * width) - 2:] = False

    def shown(self, screenshot):
        shot = np.asarray(screenshot, np.float32)
        difference = np.abs(shot - self.reference[0]).max(axis=-1)[self.still]
        return (difference <= 12).mean() > 0.99


def end_limit():
    """A second on a machine with a core to spare; a crowded one (other builds and tests) gets the second
    stretched by how many times over its cores are booked."""
    load = os.getloadavg()[0] / (os.cpu_count() or 1)
    return max(1.0, load)


def alive(pid):
    """Whether the process lives (a zombie does not)."""
    try:
        with open("/proc/%d/stat" % pid) as text:
            return text.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def state(pid):
    """The process's state letter (R, S, T for stopped...), or None once it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as text:
            return text.read().rsplit(")", 1)[1].split()[0]
    except OSError:
        return None


def wait_gone(pids, timeout=10, since=None):
    """Seconds from since (a time.monotonic(), by default now) until none of the processes lives any
    more, or None when one still does after the timeout."""
    started = time.monotonic() if since is None else since
    while time.monotonic() - started < timeout:
        if not any(alive(pid) for pid in pids):
            return time.monotonic() - started
        time.sleep(0.02)
    return None
