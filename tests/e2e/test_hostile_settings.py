"""The settings file where its surroundings turn hostile: a dialog killed while it saves, twenty
dialogs pressing OK at once, saves that cannot be stored, a lock held by another process, a file far
too large, regedit's UTF-16 export, and settings paths that cannot be a settings file."""
import fcntl
import os
import signal
import threading
import time
import unittest

from harness import BIN, KEY_PATH, DialogDriver, Run, SettingsFolder, XServer, wait_until
from settings_file import read_values

SETTINGS = 113
VOLUME, SOUND, SHOW_FPS, EXIT_ON_MOUSE, SHOW_TIME = 1020, 1022, 1044, 1045, 1119
OK, CANCEL = 1, 2
SECTION = "HKEY_CURRENT_USER\\" + KEY_PATH

EVERY_VALUE = {"width": 1024, "height": 768, "depth": 16, "Music": 1, "Sound": 1, "Volume": 75,
               "UseDesktop": 1, "ShowFps": 0, "Gamma": 100, "ExitOnMM": 1, "ShowTime": 1,
               "TimeStyle": 1, "SiteAddressURL": ""}


class SettingsTest(unittest.TestCase):
    def setUp(self):
        self.x = XServer()  # 1024x768: the dialog lists a mode
        self.settings = SettingsFolder()
        self.drivers = []

    def tearDown(self):
        for driver in self.drivers:
            driver.kill()
        self.x.stop()
        self.settings.remove()

    def open(self, values=None, env=None):
        if values is not None:
            self.settings.write(values)
        driver = DialogDriver(["/c"], self.x, self.settings.path, env=env)
        self.drivers.append(driver)
        driver.wait_open(SETTINGS, timeout=60)
        return driver

    def file_bytes(self):
        with open(self.settings.file, "rb") as source:
            return source.read()

    def with_mode(self, dialog, values):
        """The values as OK stores them: with the mode that the combo box shows."""
        width, height, depth = (int(piece) for piece in dialog.state(1011)["text"].split("x"))
        return dict(values, width=width, height=height, depth=depth)

    @property
    def folder(self):
        return os.path.dirname(self.settings.file)


class OneTransactionTest(SettingsTest):
    def choose(self, dialog, volume, show_fps, exit_on_mouse, show_time):
        """Sets a choice that differs from EVERY_VALUE in both the sound group and the saver's values."""
        dialog.ok("slide %d %d" % (VOLUME, volume))
        for control, wanted, stored in ((SHOW_FPS, show_fps, 0), (EXIT_ON_MOUSE, exit_on_mouse, 1),
                                        (SHOW_TIME, show_time, 1)):
            if wanted != stored:
                dialog.ok("click %d" % control)

    def test_a_dialog_killed_right_after_its_first_write_leaves_its_whole_choice(self):
        # The hook kills the dialog after its first rewrite of the file. Were OK two transactions (the
        # engine's groups, then the saver's values), the file would keep the new volume beside the old
        # ShowFps; as one transaction it holds the whole choice.
        for round_number in range(3):
            with self.subTest(round=round_number):
                dialog = self.open(values=EVERY_VALUE, env={"FERNHOLLOW_TEST_KILL_AFTER_WRITES": "1"})
                self.choose(dialog, 20 + round_number, 1, 0, 0)
                expected = self.with_mode(dialog, dict(EVERY_VALUE, Volume=20 + round_number, ShowFps=1,
                                                       ExitOnMM=0, ShowTime=0))
                dialog.process.stdin.write("click %d\n" % OK)
                dialog.process.stdin.flush()
                self.assertEqual(dialog.process.wait(30), -signal.SIGKILL, "the hook did not fire")
                self.assertEqual(read_values(self.settings.file), expected)

    def test_twenty_dialogs_pressing_ok_at_once_leave_one_whole_choice(self):
        count = 20
        for round_number in range(2):
            with self.subTest(round=round_number):
                self.settings.write(EVERY_VALUE)
                choices = {}
                dialogs = []
                for i in range(count):
                    dialogs.append(DialogDriver(["/c"], self.x, self.settings.path))
                self.drivers.extend(dialogs)
                for i, dialog in enumerate(dialogs):
                    dialog.wait_open(SETTINGS, timeout=120)
                    volume = 30 + i  # identifies the dialog in the file
                    choice = (volume, (i >> 0) & 1, 1 - ((i >> 1) & 1), 1 - ((i >> 2) & 1))
                    # Every choice differs from the stored values in both transactions the old OK made.
                    if choice[1:] == (0, 1, 1):
                        choice = (volume, 1, 1, 1)
                    self.choose(dialog, *choice)
                    choices[volume] = self.with_mode(dialog, dict(
                        EVERY_VALUE, Volume=volume, ShowFps=choice[1], ExitOnMM=choice[2], ShowTime=choice[3]))
                go = threading.Barrier(count)

                def press(dialog):
                    go.wait()
                    dialog.process.stdin.write("click %d\n" % OK)
                    dialog.process.stdin.flush()

                pressers = [threading.Thread(target=press, args=(d,)) for d in dialogs]
                for presser in pressers:
                    presser.start()
                for presser in pressers:
                    presser.join(30)
                for dialog in dialogs:
                    self.assertEqual(dialog.wait_closed(SETTINGS, timeout=120), "1")
                    self.assertEqual(dialog.finish(60), 0, dialog.stderr)
                values = read_values(self.settings.file)
                self.assertIn(values.get("Volume"), choices, values)
                self.assertEqual(values, choices[values["Volume"]], "values of two dialogs mixed")


class FailedSaveTest(SettingsTest):
    def check_reported_and_kept_open(self, dialog, reason_words):
        dialog.ok("click %d" % SHOW_FPS)
        dialog.ok("click %d" % OK)
        # Still open: it answers, and no "closed" event came.
        self.assertEqual(dialog.state(SHOW_FPS)["checked"], 1)
        self.assertTrue(dialog.events.empty(), dialog.events.queue)
        dialog.ok("click %d" % CANCEL)
        self.assertEqual(dialog.wait_closed(SETTINGS), "0")
        self.assertEqual(dialog.finish(), 0, dialog.stderr)
        lines = dialog.stderr.splitlines()
        at = [n for n, line in enumerate(lines) if line.startswith("Fernhollow Settings: Could not ")]
        self.assertTrue(at, dialog.stderr)
        self.assertTrue(lines[at[0] + 1].startswith(self.settings.file + ": "), dialog.stderr)
        for word in reason_words:
            self.assertIn(word, lines[at[0] + 1])

    def test_a_save_that_cannot_be_stored_is_said_in_the_dialog_which_stays_open(self):
        # Unwritable: the lock file's place is taken by a folder (root passes every permission check).
        self.settings.write(EVERY_VALUE)
        before = self.file_bytes()
        os.mkdir(os.path.join(self.folder, "user.reg.lock"))
        dialog = self.open()
        self.check_reported_and_kept_open(dialog, ["user.reg.lock", "Is a directory"])
        self.assertEqual(self.file_bytes(), before)

    def test_a_save_on_a_full_file_system_is_said_in_the_dialog_which_stays_open(self):
        # The file-size limit fails the write of the new file as a full file system would (EFBIG in
        # place of ENOSPC); SIGXFSZ is ignored so the write fails instead of killing the process.
        self.settings.write(EVERY_VALUE)
        with open(self.settings.file, "a") as padded:
            padded.write("; " + "x" * 700 + "\n")  # the rewritten file passes the 512-byte limit
        before = self.file_bytes()
        dialog = DialogDriver(["-c", 'trap "" XFSZ; ulimit -f 1; exec "$0" /c', BIN], self.x,
                              self.settings.path, binary="/bin/sh")
        self.drivers.append(dialog)
        dialog.wait_open(SETTINGS, timeout=60)
        self.check_reported_and_kept_open(dialog, ["cannot write", "File too large"])
        self.assertEqual(self.file_bytes(), before)

    def test_old_backups_and_stale_temporaries_are_cleaned_up_while_saving(self):
        # A damaged file and the 100 backups that used to stop every save ("too many backups").
        self.settings.write(EVERY_VALUE)
        with open(self.settings.file, "a") as damaged:
            damaged.write("this line is damaged\n")
        damaged_bytes = self.file_bytes()
        now = time.time()
        for n in range(100):
            name = self.settings.file + ".bak" + ("." + str(n) if n else "")
            with open(name, "w") as backup:
                backup.write("REGEDIT4\n; old version %d\n" % n)
            os.utime(name, (now - 1000 + n, now - 1000 + n))
        stale = [os.path.join(self.folder, ".user.reg." + tag) for tag in ("a1B2c3", "zzzzzz")]
        fresh = os.path.join(self.folder, ".user.reg.f9F9f9")
        for name in stale + [fresh]:
            with open(name, "w") as temporary:
                temporary.write("REGEDIT4\n")
        for name in stale:
            os.utime(name, (now - 120, now - 120))
        dialog = self.open()
        dialog.ok("click %d" % SHOW_FPS)
        expected = self.with_mode(dialog, dict(EVERY_VALUE, ShowFps=1))
        dialog.ok("click %d" % OK)
        self.assertEqual(dialog.wait_closed(SETTINGS), "1")
        self.assertEqual(dialog.finish(), 0, dialog.stderr)
        self.assertEqual(read_values(self.settings.file), expected)
        backups = sorted(name for name in os.listdir(self.folder) if name.startswith("user.reg.bak"))
        self.assertLessEqual(len(backups), 5, backups)
        contents = []
        for name in backups:
            with open(os.path.join(self.folder, name), "rb") as source:
                contents.append(source.read())
        self.assertIn(damaged_bytes, contents)                           # the damaged file is kept
        self.assertIn(b"REGEDIT4\n; old version 99\n", contents)         # and the newest old ones
        for name in stale:
            self.assertFalse(os.path.exists(name), name)
        self.assertTrue(os.path.exists(fresh), "a live writer's temporary file was removed")


class HeldLockTest(SettingsTest):
    def hold_lock(self):
        os.makedirs(self.folder, exist_ok=True)
        holder = open(os.path.join(self.folder, "user.reg.lock"), "a")
        fcntl.flock(holder, fcntl.LOCK_EX)
        self.addCleanup(holder.close)
        return holder

    def test_the_end_of_run_save_gives_up_on_a_held_lock_once_asked_to_end(self):
        for signals in (1, 2):
            with self.subTest(sigterms=signals):
                # The stored mode differs from the desktop's, so the end of the run has a value to save.
                self.settings.write(dict(EVERY_VALUE, width=1024, height=768, depth=16))
                trace = os.path.join(self.settings.path, "trace")
                run = Run(["/s"], self.x, self.settings.path, env={"FERNHOLLOW_TRACE": trace})
                self.assertTrue(wait_until(lambda: not run.alive() or "first frame" in self.read(trace), 90))
                if not run.alive():
                    self.fail("ended before its first frame: %d %s" % (run.finish(), run.stderr))
                holder = self.hold_lock()
                started = time.monotonic()
                run.process.send_signal(signal.SIGTERM)
                if signals == 2:
                    time.sleep(0.3)
                    if run.alive():
                        run.process.send_signal(signal.SIGTERM)
                status = run.finish(timeout=20)
                took = time.monotonic() - started
                holder.close()
                if signals == 2 and status == -signal.SIGTERM:
                    continue  # the second SIGTERM ended it at once: also prompt
                self.assertEqual(status, 0, run.stderr)
                self.assertLess(took, 8, "the save waited %.1f s for the lock after SIGTERM" % took)
                lines = [line for line in run.stderr.splitlines() if "settings" in line and "lock" in line]
                self.assertEqual(len(lines), 1, run.stderr)
                self.assertIn("could not save settings", lines[0])
                self.assertIn(self.settings.file + ".lock", lines[0])

    @staticmethod
    def read(path):
        try:
            with open(path, encoding="utf-8") as source:
                return source.read()
        except FileNotFoundError:
            return ""

    def test_ok_gives_up_on_a_held_lock_after_a_bounded_wait_and_says_so(self):
        self.settings.write(EVERY_VALUE)
        before = self.file_bytes()
        dialog = self.open()
        self.hold_lock()
        started = time.monotonic()
        dialog.ok("click %d" % OK)
        self.assertEqual(dialog.state(SHOW_FPS)["checked"], 0)  # answers: the wait has ended
        self.assertLess(time.monotonic() - started, 30)
        self.assertTrue(dialog.events.empty(), "the dialog closed although nothing was saved")
        dialog.ok("click %d" % CANCEL)
        dialog.wait_closed(SETTINGS)
        self.assertEqual(dialog.finish(), 0, dialog.stderr)
        self.assertIn("Fernhollow Settings: Could not ", dialog.stderr)
        self.assertIn(self.settings.file + ": another process holds its lock", dialog.stderr)
        self.assertEqual(self.file_bytes(), before)


class FileShapeTest(SettingsTest):
    def test_a_file_over_one_mebibyte_is_kept_aside_and_the_defaults_used(self):
        self.settings.write(dict(EVERY_VALUE, Volume=10, Sound=0, ShowFps=1))
        with open(self.settings.file, "a") as padded:
            padded.write((";" + "x" * 1023 + "\n") * 2048)  # 2 MiB of comment lines
        size = os.path.getsize(self.settings.file)
        dialog = self.open()
        # The dialog shows the defaults, not the values inside the oversized file.
        self.assertEqual(dialog.state(VOLUME)["position"], 75)
        self.assertEqual(dialog.state(SHOW_FPS)["checked"], 0)
        dialog.ok("click %d" % CANCEL)
        dialog.wait_closed(SETTINGS)
        self.assertEqual(dialog.finish(), 0, dialog.stderr)
        self.assertLess(os.path.getsize(self.settings.file), 4096)
        backups = [name for name in os.listdir(self.folder) if name.startswith("user.reg.bak")]
        self.assertEqual([os.path.getsize(os.path.join(self.folder, name)) for name in backups], [size])

    def test_regedit_utf16_export_is_read_and_left_as_it_is(self):
        text = ("Windows Registry Editor Version 5.00\r\n\r\n[" + SECTION + "]\r\n"
                '"width"=dword:00000320\r\n"height"=dword:00000258\r\n"depth"=dword:00000020\r\n'
                '"Music"=dword:00000001\r\n"Sound"=dword:00000001\r\n"Volume"=dword:00000014\r\n'
                '"UseDesktop"=dword:00000001\r\n"ShowFps"=dword:00000001\r\n"Gamma"=dword:00000064\r\n'
                '"ExitOnMM"=dword:00000000\r\n"ShowTime"=dword:00000001\r\n"TimeStyle"=dword:00000000\r\n'
                '"SiteAddressURL"="https://example.org/\u00e9t\u00e9"\r\n\r\n')
        os.makedirs(self.folder, exist_ok=True)
        exported = b"\xff\xfe" + text.encode("utf-16-le")
        with open(self.settings.file, "wb") as out:
            out.write(exported)
        dialog = self.open()
        self.assertEqual(dialog.state(VOLUME)["position"], 20)
        self.assertEqual(dialog.state(SHOW_FPS)["checked"], 1)
        self.assertEqual(dialog.state(EXIT_ON_MOUSE)["checked"], 0)
        dialog.ok("click %d" % CANCEL)
        dialog.wait_closed(SETTINGS)
        self.assertEqual(dialog.finish(), 0, dialog.stderr)
        self.assertEqual(self.file_bytes(), exported, "a file read whole was rewritten")
        # OK writes our own REGEDIT4 text with the values carried over, and keeps the export beside it.
        dialog = self.open()
        dialog.ok("click %d" % OK)
        dialog.wait_closed(SETTINGS)
        self.assertEqual(dialog.finish(), 0, dialog.stderr)
        values = read_values(self.settings.file)
        self.assertEqual(values["Volume"], 20)
        self.assertEqual(values["SiteAddressURL"], "https://example.org/\u00e9t\u00e9")
        with open(self.settings.file + ".bak", "rb") as backup:
            self.assertEqual(backup.read(), exported)


class UnusableSettingsPathTest(unittest.TestCase):
    """The fatal box keeps its text and adds a line with the file and the system's reason."""

    def run_without_display(self, env):
        run = Run(["/s"], None, env=env)
        return run.finish(), run.stderr

    def test_the_fatal_error_names_the_settings_file_and_the_reason(self):
        settings = SettingsFolder()
        self.addCleanup(settings.remove)
        folder = os.path.join(settings.path, "fernhollow")
        os.makedirs(folder)
        cases = {
            "a folder": (lambda: os.mkdir(settings.file), "is a folder, not a plain file"),
            "a FIFO": (lambda: os.mkfifo(settings.file), "is a FIFO, not a plain file"),
            "a device": (lambda: os.symlink("/dev/null", settings.file), "is a device, not a plain file"),
        }
        for name, (make, reason) in cases.items():
            with self.subTest(case=name):
                make()
                try:
                    status, err = self.run_without_display({"XDG_CONFIG_HOME": settings.path})
                finally:
                    os.rmdir(settings.file) if os.path.isdir(settings.file) and not os.path.islink(
                        settings.file) else os.unlink(settings.file)
                self.assertEqual(status, 1, err)
                self.assertIn("ERROR: Could not create registry key %s\n%s: %s\n\nThe program will now exit\n"
                              % (KEY_PATH, settings.file, reason), err)
        with self.subTest(case="unusable home"):
            home = "/proc/self/no-such-home"
            status, err = self.run_without_display({"XDG_CONFIG_HOME": "", "HOME": home})
            self.assertEqual(status, 1, err)
            self.assertIn("ERROR: Could not create registry key %s\n%s/.config/fernhollow/user.reg: cannot "
                          "create the folder " % (KEY_PATH, home), err)
            self.assertIn("No such file or directory\n\nThe program will now exit\n", err)


if __name__ == "__main__":
    unittest.main()
