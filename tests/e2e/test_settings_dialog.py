"""The settings dialog and its About box, driven by control id and by real clicks."""
import os
import stat
import time
import unittest

from harness import KEY_PATH, DialogDriver, HostWindow, Run, SettingsFolder, XServer, wait_until

SETTINGS, ABOUT = 113, 106
COMBO, USE_DESKTOP, VOLUME, MUSIC, SOUND = 1011, 1012, 1020, 1021, 1022
VISIT, ABOUT_BUTTON, RESTORE = 1061, 1062, 1063
SHOW_FPS, EXIT_ON_MOUSE, GAMMA, TWELVE, TWENTY_FOUR, GAMMA_TEXT, SHOW_TIME = (
    1044, 1045, 1046, 1111, 1112, 1118, 1119)
GAMMA_LABEL = 1106
OK, CANCEL = 1, 2

EVERY_VALUE = {"width": 1024, "height": 768, "depth": 16, "Music": 1, "Sound": 1, "Volume": 75,
               "UseDesktop": 1, "ShowFps": 0, "Gamma": 100, "ExitOnMM": 1, "ShowTime": 1,
               "TimeStyle": 1, "SiteAddressURL": ""}


def mode_values(text):
    width, height, depth = (int(piece) for piece in text.split("x"))
    return {"width": width, "height": height, "depth": depth}


class DialogTest(unittest.TestCase):
    window_manager = False
    geometry = "1024x768x24"

    def setUp(self):
        self.x = XServer(self.geometry, window_manager=self.window_manager)
        self.settings = SettingsFolder()
        self.drivers = []
        self.hosts = []

    def tearDown(self):
        for driver in self.drivers:
            driver.kill()
        for host in self.hosts:
            host.close()
        self.x.stop()
        self.settings.remove()

    def open(self, *args, values=None, env=None):
        if values is not None:
            self.settings.write(values)
        driver = DialogDriver(args, self.x, self.settings.path, env=env)
        self.drivers.append(driver)
        self.xid = driver.wait_open(SETTINGS)
        return driver

    def file_bytes(self):
        with open(self.settings.file, "rb") as source:
            return source.read()

    def close_with(self, dialog, control, result):
        dialog.ok("click %d" % control)
        self.assertEqual(dialog.wait_closed(SETTINGS), str(result))
        self.assertEqual(dialog.finish(), 0, dialog.stderr)


class SettingsDialogTest(DialogTest):
    def test_controls_start_from_the_settings(self):
        values = dict(EVERY_VALUE, UseDesktop=0, width=1024, height=768, depth=32, ShowFps=1,
                      ExitOnMM=0, ShowTime=0, TimeStyle=0, Music=0, Sound=0, Volume=30, Gamma=80)
        dialog = self.open(values=values)
        expected = {SHOW_FPS: 1, EXIT_ON_MOUSE: 0, SHOW_TIME: 0, TWELVE: 0, TWENTY_FOUR: 1,
                    USE_DESKTOP: 0, MUSIC: 0, SOUND: 0}
        for control, checked in expected.items():
            self.assertEqual(dialog.state(control)["checked"], checked, control)
        self.assertEqual(dialog.state(VOLUME)["position"], 30)
        self.assertEqual(dialog.state(GAMMA)["position"], 80)
        # Each rule at its start: the list with Use Desktop off, the styles with Show Time off, the
        # volume with Enable Sound off.
        self.assertEqual(dialog.state(COMBO)["enabled"], 1)
        self.assertEqual(dialog.state(TWELVE)["enabled"], 0)
        self.assertEqual(dialog.state(TWENTY_FOUR)["enabled"], 0)
        self.assertEqual(dialog.state(VOLUME)["enabled"], 0)
        for hidden in (GAMMA_LABEL, GAMMA_TEXT, GAMMA, MUSIC):
            state = dialog.state(hidden)
            self.assertEqual((state["visible"], state["enabled"]), (0, 0), hidden)
        self.assertEqual(dialog.state(GAMMA_TEXT)["text"], " 100%")
        self.close_with(dialog, CANCEL, 0)

    def test_modes_listed_and_the_desktop_mode_selected_with_use_desktop(self):
        dialog = self.open(values=dict(EVERY_VALUE, UseDesktop=1, width=800, height=600, depth=16))
        items = dialog.ok("items %d" % COMBO).split("|")
        self.assertEqual(items, sorted(items))
        depth = 32  # a 24-bit X screen keeps 4 bytes a pixel
        self.assertIn("1024x768x%d" % depth, items)
        combo = dialog.state(COMBO)
        self.assertEqual(combo["enabled"], 0)
        self.assertEqual(combo["text"], "1024x768x%d" % depth)
        self.assertEqual(combo["selection"], items.index(combo["text"]))
        self.close_with(dialog, CANCEL, 0)

    def test_a_stored_mode_that_is_not_listed_selects_the_first_entry(self):
        dialog = self.open(values=dict(EVERY_VALUE, UseDesktop=0, width=800, height=600, depth=16))
        combo = dialog.state(COMBO)
        self.assertEqual(combo["selection"], 0)
        self.assertEqual(combo["text"], dialog.ok("items %d" % COMBO).split("|")[0])
        self.assertEqual(combo["enabled"], 1)
        self.close_with(dialog, CANCEL, 0)

    def test_switches_enable_what_depends_on_them(self):
        dialog = self.open(values=EVERY_VALUE)
        for switch, dependants in ((USE_DESKTOP, [COMBO]), (SHOW_TIME, [TWELVE, TWENTY_FOUR]),
                                   (SOUND, [VOLUME])):
            before = [dialog.state(control)["enabled"] for control in dependants]
            dialog.ok("click %d" % switch)
            after = [dialog.state(control)["enabled"] for control in dependants]
            dialog.ok("click %d" % switch)
            again = [dialog.state(control)["enabled"] for control in dependants]
            checked = dialog.state(switch)["checked"]
            # Use Desktop disables the list; Show Time and Enable Sound enable theirs.
            enabled_when_checked = 0 if switch == USE_DESKTOP else 1
            self.assertEqual(again, [enabled_when_checked if checked else 1 - enabled_when_checked]
                             * len(dependants), switch)
            self.assertEqual(before, again, switch)
            self.assertEqual(after, [1 - value for value in before], switch)
        self.close_with(dialog, CANCEL, 0)

    def test_gamma_text_follows_the_trackbar(self):
        dialog = self.open(values=EVERY_VALUE)
        for position in (80, 0, 100):
            dialog.ok("slide %d %d" % (GAMMA, position))
            self.assertEqual(dialog.state(GAMMA_TEXT)["text"], "%d%%" % position)
        self.close_with(dialog, CANCEL, 0)

    def test_ok_stores_every_value(self):
        dialog = self.open(values=EVERY_VALUE)
        dialog.ok("slide %d 40" % VOLUME)
        for control in (SHOW_FPS, EXIT_ON_MOUSE, SOUND, USE_DESKTOP, TWENTY_FOUR):
            dialog.ok("click %d" % control)
        shown = dialog.state(COMBO)["text"]
        self.close_with(dialog, OK, 1)
        expected = dict(EVERY_VALUE, ShowFps=1, ExitOnMM=0, Sound=0, UseDesktop=0, TimeStyle=0,
                        Volume=40, **mode_values(shown))
        self.assertEqual(self.settings.read(), expected)

    def test_ok_on_a_first_run_writes_the_whole_key(self):
        dialog = self.open()
        shown = dialog.state(COMBO)["text"]
        self.close_with(dialog, OK, 1)
        self.assertEqual(self.settings.read(), dict(EVERY_VALUE, **mode_values(shown)))

    def test_hidden_controls_pass_their_values_through(self):
        dialog = self.open(values=dict(EVERY_VALUE, Gamma=55, Music=0))
        self.close_with(dialog, OK, 1)
        stored = self.settings.read()
        self.assertEqual((stored["Gamma"], stored["Music"]), (55, 0))

    def test_restore_defaults_sets_only_the_controls_then_ok_stores_them(self):
        values = dict(EVERY_VALUE, ShowFps=1, ExitOnMM=0, ShowTime=0, TimeStyle=0, UseDesktop=0,
                      Music=0, Sound=0, Volume=20, Gamma=40, width=800, height=600, depth=16)
        dialog = self.open(values=values)
        before = self.file_bytes()
        enabled = {control: dialog.state(control)["enabled"]
                   for control in (COMBO, TWELVE, TWENTY_FOUR, VOLUME)}
        selection = dialog.state(COMBO)["selection"]
        dialog.ok("click %d" % RESTORE)
        self.assertEqual(self.file_bytes(), before)
        expected = {SHOW_FPS: 0, EXIT_ON_MOUSE: 1, SHOW_TIME: 1, TWELVE: 1, TWENTY_FOUR: 0,
                    USE_DESKTOP: 1, MUSIC: 1, SOUND: 1}
        for control, checked in expected.items():
            self.assertEqual(dialog.state(control)["checked"], checked, control)
        self.assertEqual(dialog.state(VOLUME)["position"], 75)
        self.assertEqual(dialog.state(GAMMA)["position"], 100)
        for control, was in enabled.items():
            self.assertEqual(dialog.state(control)["enabled"], was, control)
        self.assertEqual(dialog.state(COMBO)["selection"], selection)
        self.assertEqual(dialog.state(GAMMA_TEXT)["text"], " 100%")
        shown = dialog.state(COMBO)["text"]
        self.close_with(dialog, OK, 1)
        self.assertEqual(self.settings.read(), dict(EVERY_VALUE, **mode_values(shown)))

    def test_cancel_and_the_close_box_change_nothing(self):
        values = dict(EVERY_VALUE, ShowFps=1, Volume=33, Gamma=70)
        for close in ("click %d" % CANCEL, "close"):
            dialog = self.open(values=values)
            before = self.file_bytes()
            for control in (SHOW_FPS, SOUND, RESTORE, USE_DESKTOP):
                dialog.ok("click %d" % control)
            dialog.ok("slide %d 10" % GAMMA)
            dialog.ok(close)
            self.assertEqual(dialog.wait_closed(SETTINGS), "0", close)
            self.assertEqual(dialog.finish(), 0, dialog.stderr)
            self.assertEqual(self.file_bytes(), before, close)

    def test_ok_with_a_text_that_is_not_a_mode_says_so_and_stays_open(self):
        dialog = self.open(values=dict(EVERY_VALUE, UseDesktop=0))
        before = self.file_bytes()
        dialog.ok("add %d 1024x768" % COMBO)
        dialog.ok("add %d 1024xabcx32" % COMBO)
        count = len(dialog.ok("items %d" % COMBO).split("|"))
        for index, named in ((count - 2, '"1024x768"'), (count - 1, '"abc"'), (-1, "no display mode")):
            dialog.ok("select %d %d" % (COMBO, index))
            dialog.ok("click %d" % OK)
            dialog.state(OK)  # the click has been handled
            self.assertEqual(self.file_bytes(), before)
            self.assertTrue(dialog.process.poll() is None)
        self.close_with(dialog, CANCEL, 0)
        messages = [line for line in dialog.stderr.splitlines() if line]
        self.assertEqual(len(messages), 3, dialog.stderr)
        for line, named in zip(messages, ('"1024x768"', '"abc"', "no display mode")):
            self.assertTrue(line.startswith("Display Mode: The display mode cannot be used: "), line)
            self.assertIn(named, line)
        self.assertEqual(self.file_bytes(), before)

    def test_the_message_is_a_box_of_its_own_when_not_sent_to_stderr(self):
        dialog = self.open(values=dict(EVERY_VALUE, UseDesktop=0), env={"FERNHOLLOW_MESSAGE_BOX": ""})
        before = self.file_bytes()
        dialog.ok("add %d 1024x768" % COMBO)
        count = len(dialog.ok("items %d" % COMBO).split("|"))
        dialog.ok("select %d %d" % (COMBO, count - 1))
        dialog.ok("click %d" % OK)
        box = wait_until(lambda: self.x.find_window("Display Mode"), 10)
        self.assertIsNotNone(box, "no message box")
        self.x.xdotool("windowfocus", "--sync", box[0])
        self.x.xdotool("key", "Return")
        self.assertTrue(wait_until(lambda: self.x.find_window("Display Mode") is None, 10))
        self.assertEqual(dialog.state(COMBO)["selection"], count - 1)  # still open
        self.assertEqual(self.file_bytes(), before)
        self.close_with(dialog, CANCEL, 0)
        self.assertEqual(dialog.stderr, "")

    def test_escape_is_cancel(self):
        dialog = self.open(values=EVERY_VALUE)
        before = self.file_bytes()
        dialog.ok("click %d" % SHOW_FPS)
        self.x.xdotool("windowfocus", "--sync", self.xid)
        self.x.xdotool("key", "Escape")
        self.assertEqual(dialog.wait_closed(SETTINGS), "0")
        self.assertEqual(dialog.finish(), 0)
        self.assertEqual(self.file_bytes(), before)

    def test_a_real_click_on_show_fps_then_ok(self):
        dialog = self.open(values=EVERY_VALUE)
        for control in (SHOW_FPS, OK):
            x, y, width, height = dialog.geometry(control)
            self.x.xdotool("mousemove", x + min(8, width // 2), y + height // 2)
            self.x.xdotool("click", "1")
            if control == SHOW_FPS:
                self.assertIsNotNone(wait_until(lambda: dialog.state(SHOW_FPS)["checked"], 5))
        self.assertEqual(dialog.wait_closed(SETTINGS), "1")
        self.assertEqual(dialog.finish(), 0)
        self.assertEqual(self.settings.read()["ShowFps"], 1)

    def test_settings_that_cannot_be_saved_are_said_in_the_dialog_which_stays_open(self):
        dialog = self.open(values=EVERY_VALUE)
        folder = os.path.dirname(self.settings.file)
        os.unlink(self.settings.file)
        os.rmdir(folder)
        with open(folder, "w") as blocker:
            blocker.write("not a folder")
        dialog.ok("click %d" % OK)
        # Still open: it answers, and no "closed" event came; Cancel then ends it as usual.
        self.assertEqual(dialog.state(OK)["enabled"], 1)
        self.assertTrue(dialog.events.empty(), dialog.events.queue)
        dialog.ok("click %d" % CANCEL)
        self.assertEqual(dialog.wait_closed(SETTINGS), "0")
        self.assertEqual(dialog.finish(), 0, dialog.stderr)
        self.assertIn("Fernhollow Settings: Could not create registry key " + KEY_PATH + "\n" +
                      self.settings.file + ": ", dialog.stderr)
        with open(folder) as blocker:
            self.assertEqual(blocker.read(), "not a folder")

    def test_visit_opens_the_site_with_the_desktops_handler(self):
        data = os.path.join(self.settings.path, "data")
        os.makedirs(os.path.join(data, "applications"))
        opened = os.path.join(self.settings.path, "opened.txt")
        browser = os.path.join(self.settings.path, "browser.sh")
        with open(browser, "w") as script:
            script.write('#!/bin/sh\nprintf "%%s" "$1" > "%s"\n' % opened)
        os.chmod(browser, stat.S_IRWXU)
        with open(os.path.join(data, "applications", "test-browser.desktop"), "w") as entry:
            entry.write("[Desktop Entry]\nType=Application\nName=Test Browser\nExec=%s %%u\n"
                        "MimeType=x-scheme-handler/https;x-scheme-handler/http;\n" % browser)
        with open(os.path.join(self.settings.path, "mimeapps.list"), "w") as defaults:
            defaults.write("[Default Applications]\nx-scheme-handler/https=test-browser.desktop\n"
                           "x-scheme-handler/http=test-browser.desktop\n")
        dialog = self.open(values=EVERY_VALUE, env={"XDG_DATA_HOME": data, "XDG_DATA_DIRS": data})
        dialog.ok("click %d" % VISIT)
        self.assertTrue(wait_until(lambda: os.path.exists(opened) and os.path.getsize(opened), 10),
                        "the handler was not started")
        with open(opened) as source:
            self.assertEqual(source.read(), "https://www.example.com/fernhollow/")
        self.close_with(dialog, CANCEL, 0)


class DisplayWithoutModesTest(DialogTest):
    """A display too small for any listed mode (below 800 x 600): the list is empty."""
    geometry = "640x480x24"

    def test_with_the_desktops_mode_ok_stores_the_rest_and_keeps_the_stored_mode(self):
        dialog = self.open(values=dict(EVERY_VALUE, UseDesktop=1, width=1280, height=1024, depth=32))
        self.assertEqual(dialog.ok("items %d" % COMBO), "")
        dialog.ok("slide %d 40" % VOLUME)
        dialog.ok("click %d" % SHOW_FPS)
        self.close_with(dialog, OK, 1)
        self.assertEqual(self.settings.read(), dict(EVERY_VALUE, ShowFps=1, Volume=40, width=1280,
                                                    height=1024, depth=32))
        self.assertEqual(dialog.stderr, "")

    def test_without_the_desktops_mode_an_empty_list_is_refused(self):
        dialog = self.open(values=dict(EVERY_VALUE, UseDesktop=0))
        before = self.file_bytes()
        dialog.ok("click %d" % SHOW_FPS)
        dialog.ok("click %d" % OK)
        dialog.state(OK)  # the click has been handled
        self.assertTrue(dialog.process.poll() is None)
        self.assertEqual(self.file_bytes(), before)
        # Checking Use Desktop Settings then lets OK store the rest.
        dialog.ok("click %d" % USE_DESKTOP)
        self.close_with(dialog, OK, 1)
        self.assertEqual(dialog.stderr.splitlines(),
                         ["Display Mode: The display mode cannot be used: no display mode is selected."])
        self.assertEqual(self.settings.read(), dict(EVERY_VALUE, ShowFps=1))


class KeyboardTest(DialogTest):
    def focus_after(self, dialog, key):
        """The control that has the focus once the key press has moved it."""
        before = int(dialog.ok("focus"))
        self.x.xdotool("key", key)
        moved = wait_until(lambda: int(dialog.ok("focus")) != before, 5)
        return moved and int(dialog.ok("focus"))

    def test_tab_follows_the_template_and_the_time_styles_are_one_stop(self):
        dialog = self.open(values=dict(EVERY_VALUE, UseDesktop=0, ShowTime=1, TimeStyle=1, Sound=1))
        self.x.xdotool("windowfocus", "--sync", self.xid)
        self.assertEqual(int(dialog.ok("focus")), COMBO)
        forward = [USE_DESKTOP, VOLUME, SOUND, SHOW_FPS, EXIT_ON_MOUSE, SHOW_TIME, TWELVE, VISIT,
                   ABOUT_BUTTON, RESTORE, OK, CANCEL, COMBO]
        self.assertEqual([self.focus_after(dialog, "Tab") for _ in forward], forward)
        backward = [CANCEL, OK, RESTORE, ABOUT_BUTTON, VISIT, TWELVE, SHOW_TIME]
        self.assertEqual([self.focus_after(dialog, "shift+Tab") for _ in backward], backward)
        # The group's stop is its checked button.
        dialog.ok("click %d" % TWENTY_FOUR)
        self.assertEqual([self.focus_after(dialog, "Tab") for _ in range(2)], [TWENTY_FOUR, VISIT])
        self.close_with(dialog, CANCEL, 0)

    def test_disabled_controls_are_passed_over(self):
        dialog = self.open(values=dict(EVERY_VALUE, UseDesktop=1, ShowTime=0, Sound=0))
        self.x.xdotool("windowfocus", "--sync", self.xid)
        self.assertEqual(int(dialog.ok("focus")), USE_DESKTOP)
        forward = [SOUND, SHOW_FPS, EXIT_ON_MOUSE, SHOW_TIME, VISIT]
        self.assertEqual([self.focus_after(dialog, "Tab") for _ in forward], forward)
        self.close_with(dialog, CANCEL, 0)


class OwnerTest(DialogTest):
    def transient_for(self, window):
        out = self.x.run(["xprop", "-id", str(window), "WM_TRANSIENT_FOR"]).stdout.decode()
        return int(out.split("#")[1], 16) if "#" in out else None

    def host(self):
        window = HostWindow(self.x.display, 200, 100)
        self.hosts.append(window)
        return window

    def test_owner_from_the_handle_the_active_window_or_none(self):
        owner = self.host()
        dialog = self.open("/c:%d" % owner.id)
        self.assertEqual(self.transient_for(self.xid), owner.id)
        self.close_with(dialog, CANCEL, 0)

        active = self.host()
        active.make_active()
        dialog = self.open("/c")
        self.assertEqual(self.transient_for(self.xid), active.id)
        self.close_with(dialog, CANCEL, 0)

        for args in ((), ("/c:999999",)):
            dialog = self.open(*args)
            self.assertIsNone(self.transient_for(self.xid), args)
            self.close_with(dialog, CANCEL, 0)

    def test_without_a_display_the_dialog_says_so(self):
        for display in ("", ":97"):
            run = Run([], None, self.settings.path, env={"DISPLAY": display})
            self.assertEqual(run.finish(20), 1, display)
            self.assertTrue(run.stderr.startswith("ERROR: "), run.stderr)
            self.assertIn("display", run.stderr)
            self.assertIn("The program will now exit", run.stderr)


class TextFitTest(DialogTest):
    def assertTextsFit(self, dialog, which):
        """Checks every shown control with a text (a hidden one has no size to measure); returns how many."""
        fitted = 0
        for record in dialog.ok("fit").split():
            name, _, values = record.partition("=")
            visible, natural_width, natural_height, width, height, slot_width, slot_height = (
                int(value) for value in values.split(","))
            if not visible:
                continue
            with self.subTest(dialog=which, control=name):
                self.assertGreater(natural_width, 0)
                self.assertLessEqual(natural_width, slot_width, "its text is wider than its place")
                self.assertLessEqual(natural_height, slot_height, "its text is taller than its place")
                self.assertEqual((width, height), (slot_width, slot_height), "it grew past its place")
            fitted += 1
        return fitted

    def test_every_text_fits_its_place_in_both_dialogs(self):
        dialog = self.open(values=EVERY_VALUE)
        # Statics, check boxes, radio buttons, push buttons and group boxes.
        self.assertEqual(self.assertTextsFit(dialog, "settings"), 18)
        dialog.ok("click %d" % ABOUT_BUTTON)
        dialog.wait_open(ABOUT)
        self.assertEqual(self.assertTextsFit(dialog, "about"), 6)
        dialog.ok("click %d" % OK)
        self.assertEqual(dialog.wait_closed(ABOUT), "1")
        self.close_with(dialog, CANCEL, 0)


class AboutBoxTest(DialogTest):
    def about_position_follows_the_settings_dialog(self, dialog):
        settings = [int(v) for v in dialog.ok("frame").split()]
        dialog.ok("click %d" % ABOUT_BUTTON)
        about = dialog.wait_open(ABOUT)
        position = wait_until(lambda: [int(v) for v in dialog.ok("frame").split()], 5)
        self.assertEqual((position[0] - settings[0], position[1] - settings[1]), (140, 150))
        self.assertEqual(self.x.run(["xprop", "-id", str(about), "WM_NAME"]).stdout.decode().strip(),
                         'WM_NAME(STRING) = "About"')
        # Kept above the settings dialog.
        transient = self.x.run(["xprop", "-id", str(about), "WM_TRANSIENT_FOR"]).stdout.decode()
        self.assertEqual(int(transient.split("#")[1], 16), self.xid)
        return about

    def test_about_opens_beside_the_dialog_and_closes_by_ok_or_close_box(self):
        dialog = self.open(values=EVERY_VALUE)
        self.about_position_follows_the_settings_dialog(dialog)
        dialog.ok("click %d" % OK)  # the About box's own OK
        self.assertEqual(dialog.wait_closed(ABOUT), "1")
        dialog.ok("click %d" % ABOUT_BUTTON)
        dialog.wait_open(ABOUT)
        dialog.ok("close")
        self.assertEqual(dialog.wait_closed(ABOUT), "2")
        self.assertEqual(dialog.state(SHOW_FPS)["checked"], 0)  # the settings dialog goes on
        self.close_with(dialog, CANCEL, 0)


class AboutBoxWithWindowManagerTest(AboutBoxTest):
    window_manager = True

    def test_about_opens_beside_the_dialog_and_closes_by_ok_or_close_box(self):
        dialog = self.open(values=EVERY_VALUE)
        time.sleep(0.5)  # the window manager reparents and places the dialog
        self.about_position_follows_the_settings_dialog(dialog)
        dialog.ok("click %d" % OK)
        self.assertEqual(dialog.wait_closed(ABOUT), "1")
        self.close_with(dialog, CANCEL, 0)


if __name__ == "__main__":
    unittest.main()
