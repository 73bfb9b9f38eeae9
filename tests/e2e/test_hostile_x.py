"""The saver where its X surroundings turn hostile: started with standard descriptors closed, the X
server dying at various moments, the host's window destroyed at various moments. Every run must end in
bounded time, without a crash or core, with the status stated (1 and a clear line when the display is
lost, 0 when the host takes its window away)."""
import os
import signal
import subprocess
import tempfile
import time
import unittest

from harness import BIN, DialogDriver, HostWindow, SettingsFolder, XServer, wait_until

# Generous for a loaded machine; a hang or a spin is still caught.
END_TIMEOUT = 20
# Each moment is tried this many times; the long-labelled run of this module raises it.
ROUNDS = int(os.environ.get("FERNHOLLOW_HOSTILE_ROUNDS", "1"))
LOST = "lost the connection to the X display"


class Process:
    """fernhollow with a trace file, its stderr in a file (it may have none at all)."""

    def __init__(self, args, xserver, settings, close_fds=(), env=None):
        handle, self.trace = tempfile.mkstemp(prefix="fernhollow-trace-")
        os.close(handle)
        self.err = tempfile.TemporaryFile()
        environment = xserver.env(FERNHOLLOW_MESSAGE_BOX="stderr", XDG_CONFIG_HOME=settings.path,
                                  FERNHOLLOW_TRACE=self.trace, ALSOFT_DRIVERS="null")
        environment.update(env or {})

        def close_descriptors():
            for fd in close_fds:
                os.close(fd)

        self.process = subprocess.Popen([BIN] + list(args), env=environment, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=self.err,
                                        preexec_fn=close_descriptors)
        self.started = time.monotonic()

    def events(self):
        with open(self.trace, encoding="utf-8") as source:
            return [line.split(" ", 1)[1].strip() for line in source if " " in line]

    def wait_for(self, event, timeout=90):
        return wait_until(lambda: event in self.events() or self.process.poll() is not None, timeout) \
            and event in self.events()

    def finish(self, timeout=END_TIMEOUT):
        """(status, stderr); fails when the process does not end in time."""
        try:
            status = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise AssertionError("fernhollow did not end within %s s; stderr: %s" % (timeout, self.stderr()))
        return status, self.stderr()

    def stderr(self):
        self.err.seek(0)
        return self.err.read().decode(errors="replace")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.err.close()
        os.unlink(self.trace)


def kill_server(xserver, number):
    """Ends the X server abruptly (SIGKILL) or as a session's end does (SIGTERM)."""
    xserver.xvfb.send_signal(signal.SIGKILL if number % 2 else signal.SIGTERM)
    xserver.xvfb.wait(10)


class HostileTest(unittest.TestCase):
    geometry = "640x480x24"

    def setUp(self):
        self.settings = SettingsFolder()

    def tearDown(self):
        self.settings.remove()

    def server(self):
        x = XServer(self.geometry)
        self.addCleanup(x.stop)
        return x

    def assert_no_crash(self, status, err, what):
        self.assertGreaterEqual(status, 0, "%s: killed by signal %d; stderr: %s" % (what, -status, err))
        self.assertNotIn("core dumped", err, what)


class ClosedDescriptorsTest(HostileTest):
    """Screen-saver hosts and session managers may start the program with 0, 1 or 2 closed."""

    def test_the_saver_runs_and_ends_on_sigterm_with_standard_descriptors_closed(self):
        for args in (["/s"], ["-root"]):
            for closed in ((2,), (0, 1, 2)):
                with self.subTest(args=args, closed=closed):
                    x = self.server()
                    # The audio library's diagnostics are what went into the X connection: have some.
                    run = Process(args, x, self.settings, close_fds=closed,
                                  env={"ALSOFT_LOGLEVEL": "3", "ALSOFT_DRIVERS": "alsa,null"})
                    try:
                        self.assertTrue(run.wait_for("first frame on screen"), run.stderr())
                        time.sleep(1.0)  # a few frames, the audio libraries have spoken
                        self.assertIsNone(run.process.poll(), "ended by itself")
                        run.process.send_signal(signal.SIGTERM)
                        status, err = run.finish()
                        self.assertEqual(status, 0, err)
                    finally:
                        run.close()
                        x.stop()


class ServerDeathTest(HostileTest):
    """The X server ends under a running saver, preview and settings dialog (a session's end, a crash)."""

    def check_lost(self, run, what, started_drawing):
        status, err = run.finish()
        self.assert_no_crash(status, err, what)
        if started_drawing:
            # It had a connection: the loss is named, and it is not a success.
            self.assertEqual(status, 1, "%s: %s" % (what, err))
            self.assertIn(LOST, err, what)
        else:
            # It may not have reached the server at all; then "no display" is the right answer.
            self.assertIn(status, (0, 1), "%s: %s" % (what, err))
            if status == 1:
                self.assertTrue(LOST in err or "display" in err, "%s: %s" % (what, err))

    def test_the_saver_ends_with_status_1_when_the_server_dies(self):
        # Fixed moments from start (window creation and the GL driver's start fall in the first second
        # on this machine), then milestones; the server gets SIGKILL and SIGTERM in turn.
        moments = [0.05, 0.2, 0.4, 0.7, 1.0, 1.5, "window shown", "GL driver started",
                   "loading picture on screen", "first frame on screen"]
        round_number = 0
        for args in (["/s"], ["-root"]):
            for moment in moments:
                for _ in range(ROUNDS):
                    round_number += 1
                    what = "%s, server killed at %s (round %d)" % (" ".join(args), moment, round_number)
                    with self.subTest(what=what):
                        x = self.server()
                        run = Process(args, x, self.settings)
                        try:
                            if isinstance(moment, str):
                                self.assertTrue(run.wait_for(moment), run.stderr())
                                if moment == "first frame on screen":
                                    time.sleep(0.5)
                            else:
                                time.sleep(moment)
                            drawing = "window shown" in run.events()
                            kill_server(x, round_number)
                            self.check_lost(run, what, drawing)
                        finally:
                            run.close()

    def test_the_preview_ends_with_status_1_when_the_server_dies(self):
        for round_number, moment in enumerate([0.05, 0.2, 0.5, "shown", "shown"] * ROUNDS):
            what = "/p, server killed at %s (round %d)" % (moment, round_number)
            with self.subTest(what=what):
                x = self.server()
                host = HostWindow(x.display, 200, 150)
                run = Process(["/p", str(host.id)], x, self.settings)
                try:
                    if moment == "shown":
                        self.assertTrue(wait_until(lambda: x.find_window("SaverPreview") or
                                                   run.process.poll() is not None, 30))
                        self.assertIsNone(run.process.poll(), run.stderr())
                        time.sleep(0.3)
                    else:
                        time.sleep(moment)
                    kill_server(x, round_number)
                    # The test's own connection dies with the server; it is not used again.
                    self.check_lost(run, what, moment == "shown")
                finally:
                    run.close()

    def test_the_settings_dialog_ends_with_status_1_when_the_server_dies(self):
        for round_number, moment in enumerate([0.1, 0.4, "open", "open"] * ROUNDS):
            what = "/c, server killed at %s (round %d)" % (moment, round_number)
            with self.subTest(what=what):
                x = self.server()
                dialog = DialogDriver(["/c"], x, self.settings.path)
                try:
                    if moment == "open":
                        dialog.wait_open(113, timeout=60)
                        time.sleep(0.2)
                    else:
                        time.sleep(moment)
                    kill_server(x, round_number)
                    try:
                        status = dialog.process.wait(END_TIMEOUT)
                    except subprocess.TimeoutExpired:
                        self.fail("%s: the dialog did not end" % what)
                    err = dialog.finish_stderr()
                    self.assert_no_crash(status, err, what)
                    self.assertEqual(status, 1, "%s: %s" % (what, err))
                    if moment == "open":
                        self.assertIn(LOST, err, what)
                finally:
                    dialog.kill()


class HostWindowDestroyedTest(HostileTest):
    """Under -window-id the host owns the window and may destroy it at any moment."""

    def test_a_destroyed_host_window_ends_the_run_with_status_0(self):
        # From the start through the GL context's creation (40-100 ms) to the running scene.
        moments = [0.0, 0.03, 0.05, 0.07, 0.09, 0.12, 0.2, 0.35, 0.6, 1.0, "window shown", "GL driver started",
                   "loading picture on screen", "first frame on screen", "first frame on screen"]
        x = self.server()
        for round_number, moment in enumerate(moments * (ROUNDS + 1)):
            what = "host destroyed at %s (round %d)" % (moment, round_number)
            with self.subTest(what=what):
                host = HostWindow(x.display, 320, 240)
                run = Process(["-window-id", str(host.id)], x, self.settings)
                try:
                    if isinstance(moment, str):
                        self.assertTrue(run.wait_for(moment), run.stderr())
                        if moment == "first frame on screen":
                            time.sleep(0.5)
                    else:
                        time.sleep(moment)
                    started = "saver run starts" in run.events()
                    host.close()
                    status, err = run.finish()
                    self.assert_no_crash(status, err, what)
                    if status != 0:
                        # Only a window gone before the saver looked at it may be reported missing.
                        self.assertFalse(started and "window shown" in run.events(), "%s: %s" % (what, err))
                        self.assertEqual(status, 1, "%s: %s" % (what, err))
                        self.assertIn("does not exist", err, what)
                    self.assertNotIn("ERROR", err if status == 0 else "", what)
                finally:
                    run.close()
                    host.close()


if __name__ == "__main__":
    unittest.main()
