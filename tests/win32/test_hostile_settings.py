"""Fernhollow.scr's settings under Wine where its surroundings turn hostile: the dialog killed at each
of its registry writes."""
import os
import tempfile
import time
import unittest

from winharness import KEY, SCR, Saver, host_tool, reg_query, reg_reset, wine, xdotool

CAPTION = "Fernhollow Settings"
SHOW_FPS, SHOW_TIME, OK = 1044, 1119, 1
KILLED = 137  # the hook's exit status


# Each control's place in the dialog, looked up once: the rounds spare a Wine process per click.
OFFSETS = {}


def click_at(x, y):
    xdotool("mousemove", x, y)
    time.sleep(0.2)
    xdotool("click", 1)
    time.sleep(0.3)


def dialog_ok(**extra):
    """Opens /c, turns Show FPS and Show Time over, presses OK; returns the exit status."""
    run = Saver(["/c"], **extra)
    try:
        rect = host_tool("rect", CAPTION, "60")
        if rect.returncode != 0:
            raise AssertionError("no settings dialog: " + rect.stdout)
        left, top = (int(v) for v in rect.stdout.split()[:2])
        time.sleep(0.5)
        for control in (SHOW_FPS, SHOW_TIME, OK):
            if control not in OFFSETS:
                found = host_tool("control", CAPTION, control, "30")
                if found.returncode != 0:
                    raise AssertionError("no control %d in the dialog: %s" % (control, found.stdout))
                x, y = (int(v) for v in found.stdout.split())
                OFFSETS[control] = (x - left, y - top)
            click_at(left + OFFSETS[control][0], top + OFFSETS[control][1])
        return run.finish(30)
    finally:
        run.kill()


def reg_import(values):
    """The key emptied and given values ({name: int or str}) by one `reg import`."""
    wine(["reg", "delete", KEY, "/f"])
    lines = ["REGEDIT4", "", "[%s]" % KEY.replace("HKCU", "HKEY_CURRENT_USER")]
    for name, value in values.items():
        if isinstance(value, int):
            lines.append('"%s"=dword:%08x' % (name, value))
        else:
            lines.append('"%s"="%s"' % (name, value.replace("\\", "\\\\").replace('"', '\\"')))
    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as f:
        f.write("\r\n".join(lines) + "\r\n")
    try:
        result = wine(["reg", "import", f.name])
        if result.returncode != 0:
            raise AssertionError("reg import: " + result.stderr)
    finally:
        os.remove(f.name)


def open_the_key():
    """A run that only reads the settings and ends: /p without a window to draw into."""
    result = wine([SCR, "/p", "12345"])
    if result.returncode != 0:
        raise AssertionError("/p 12345 ended with %d: %s" % (result.returncode, result.stderr))


class RegistryKillTest(unittest.TestCase):
    def test_a_dialog_killed_at_any_of_its_writes_leaves_all_old_or_all_new_values(self):
        # Every value the dialog stores, as its OK stores them; then the same with the two boxes over.
        reg_reset({"ShowFps": 0, "ShowTime": 1})
        self.assertEqual(dialog_ok(), 0)
        old = reg_query()
        self.assertEqual((old["ShowFps"], old["ShowTime"]), (1, 0))
        old.update(ShowFps=0, ShowTime=1)
        new = dict(old, ShowFps=1, ShowTime=0)
        outcomes = []
        for writes in range(1, 20):
            with self.subTest(writes=writes):
                reg_import(old)
                self.assertEqual(reg_query(), old)
                status = dialog_ok(FERNHOLLOW_TEST_KILL_AFTER_WRITES=str(writes))
                left = reg_query()
                open_the_key()
                after = reg_query()
                if status == 0:
                    # The whole transaction took fewer writes: the hook did not fire.
                    self.assertEqual(after, new)
                    break
                self.assertEqual(status, KILLED)
                self.assertIn(after, (old, new), "killed after write %d" % writes)
                outcomes.append((left not in (old, new), after == new))
        print("rounds (mixed when killed, new after the next open):", outcomes)
        # Killed before its last write and after its first: there was a half-done key to roll back.
        self.assertGreaterEqual(len(outcomes), 5)
        self.assertTrue(any(mixed for mixed, _ in outcomes), outcomes)
        self.assertFalse(outcomes[0][1], "killed at its first write, the key must keep the old values")
        self.assertTrue(outcomes[-1][1], "killed at its last write, the transaction had been stored")


if __name__ == "__main__":
    unittest.main()
