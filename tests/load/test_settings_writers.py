"""Two processes saving settings at the same time, 500 times each, through the program's own writer:
no value of either is lost, and the file parses whole at every moment a reader looks at it."""
import os
import subprocess
import tempfile
import unittest

from harness import SettingsFolder
from settings_file import Unparseable, parse_strict, read_values

WRITER = os.environ.get("FERNHOLLOW_SETTINGS_WRITER", "")
ROUNDS = 500


class SettingsWritersTest(unittest.TestCase):
    def setUp(self):
        self.settings = SettingsFolder()

    def tearDown(self):
        self.settings.remove()

    def test_two_writers_lose_nothing_and_never_leave_a_torn_file(self):
        gate = os.path.join(self.settings.path, "go")
        env = dict(os.environ, XDG_CONFIG_HOME=self.settings.path, FERNHOLLOW_MESSAGE_BOX="stderr")
        writers = [subprocess.Popen([WRITER, prefix, str(ROUNDS), gate], env=env, stderr=subprocess.PIPE)
                   for prefix in ("alpha", "beta")]
        open(gate, "w").close()
        snapshots = torn = 0
        while any(w.poll() is None for w in writers):
            try:
                with open(self.settings.file, encoding="utf-8") as source:
                    text = source.read()
            except FileNotFoundError:
                continue
            snapshots += 1
            try:
                parse_strict(text)
            except Unparseable as problem:
                torn += 1
                self.fail("a reader saw a torn file (%s)" % problem)
        for writer in writers:
            _, err = writer.communicate(timeout=60)
            self.assertEqual(writer.returncode, 0, err.decode(errors="replace"))
        self.assertEqual(torn, 0)
        self.assertGreater(snapshots, 10, "the reader hardly ever looked")

        values = read_values(self.settings.file)
        for prefix in ("alpha", "beta"):
            missing = [i for i in range(ROUNDS) if values.get(prefix + str(i)) != i]
            self.assertEqual(missing, [], prefix)
            self.assertEqual(values[prefix + "text"], '%s "round" %d' % (prefix, ROUNDS - 1))
        self.assertIn(values["Gamma"], (490 % 101,))
        # The transactions leave nothing behind but the file and its lock.
        self.assertEqual(sorted(os.listdir(os.path.dirname(self.settings.file))), ["user.reg", "user.reg.lock"])


if __name__ == "__main__":
    unittest.main()
