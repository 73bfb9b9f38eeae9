"""The command line as the desktop's screen-saver host and people give it."""
import time
import unittest

from harness import KEY_PATH, Run, SettingsFolder, XServer, wait_until


class EntryTest(unittest.TestCase):
    def setUp(self):
        self.x = XServer()
        self.settings = SettingsFolder()

    def tearDown(self):
        self.x.stop()
        self.settings.remove()

    def run_to_end(self, *args, **kwargs):
        run = Run(args, self.x, self.settings.path, **kwargs)
        status = run.finish(20)
        return status, run

    def test_bad_handle_tokens_are_named_and_start_nothing(self):
        for args, token in ((["p", "abc"], '"abc"'), (["c", "s"], '"s"'),
                            (["/p:12x"], '"12x"'), (["-window-id", "nope"], '"nope"')):
            status, run = self.run_to_end(*args)
            self.assertEqual(status, 2, args)
            self.assertIn(token, run.stderr, args)
            self.assertIsNone(self.x.find_window(), args)

    def test_words_and_unknown_letters_start_nothing(self):
        for args in (["/config"], ["/a", "/b"], ["x"]):
            started = time.monotonic()
            status, run = self.run_to_end(*args)
            self.assertEqual(status, 0, args)
            self.assertEqual(run.stderr, "", args)
            self.assertLess(time.monotonic() - started, 10)

    def test_saver_letter_in_any_form_runs_the_saver(self):
        for args in (["/s"], ["-S"], ["/S"], ["/x", "/s"]):
            run = Run(args, self.x, self.settings.path)
            window = wait_until(self.x.find_window, 20)
            if window is None:
                run.signal()
                self.fail("%s: no window; status %s, stderr: %s" % (args, run.process.returncode, run.stderr))
            self.assertEqual(run.signal(), 0, args)
            wait_until(lambda: self.x.find_window() is None, 5)

    def test_preview_without_a_handle_ends_normally(self):
        status, run = self.run_to_end("/p")
        self.assertEqual(status, 0)
        self.assertEqual(run.stderr, "")

    def test_settings_that_cannot_be_created_end_in_the_fatal_box(self):
        blocker = self.settings.path + "/not-a-folder"
        with open(blocker, "w") as out:
            out.write("x")
        for args in (["/s"], ["/p", "5"], ["/c"], []):
            status, run = self.run_to_end(*args, env={"XDG_CONFIG_HOME": blocker})
            self.assertEqual(status, 1, args)
            # The designed text, then a line naming the file and the system's reason.
            self.assertEqual(run.stderr,
                             "ERROR: Could not create registry key " + KEY_PATH + "\n" +
                             blocker + "/fernhollow/user.reg: cannot create the folder " + blocker +
                             "/fernhollow: Not a directory\n\nThe program will now exit\n\n", args)
            self.assertIsNone(self.x.find_window(), args)


class NoDisplayTest(unittest.TestCase):
    def setUp(self):
        self.settings = SettingsFolder()

    def tearDown(self):
        self.settings.remove()

    def test_without_a_display_the_saver_says_so_and_exits_1(self):
        for env in ({}, {"DISPLAY": ":97"}):
            run = Run(["/s"], None, self.settings.path, env=env)
            started = time.monotonic()
            status = run.finish(20)
            self.assertEqual(status, 1, env)
            self.assertLess(time.monotonic() - started, 15, env)
            self.assertTrue(run.stderr.startswith("ERROR: "), run.stderr)
            self.assertIn("display", run.stderr.lower())
            self.assertIn("The program will now exit", run.stderr)
            self.assertNotIn("offscreen", run.stderr)


if __name__ == "__main__":
    unittest.main()
