"""Fernhollow.scr under Windows scaling, here Wine at 144 dots per inch (150 %): the saver covers the
screen at its pixel size, the settings dialog and the About box are laid out at that DPI with their
pictures scaled and no control overlapping or clipping another, the preview child fills its host, and
the log names the real Windows version.

Wine reads the DPI from HKCU\\Control Panel\\Desktop\\LogPixels when a program starts; the class sets it
and puts back what was there before, since every test shares the prefix."""
import os
import tempfile
import time
import unittest

import numpy

from winharness import (SOURCE, Host, Saver, host_tool, load_png, reg_reset, saver_window, screenshot, wait_until,
                        wine, xdotool)
from harness import read_bmp

DESKTOP = r"HKCU\Control Panel\Desktop"
APP_DEFAULTS = r"HKCU\Software\Wine\AppDefaults"
SHOTS = os.environ.get("FERNHOLLOW_SHOTS") or tempfile.mkdtemp(prefix="fernhollow-win-dpi-")
DPI = 144
SCREEN = (1024, 768)
SETTINGS = "Fernhollow Settings"

BS_TYPEMASK, BS_GROUPBOX, BS_CHECKBOXES = 0xF, 7, (2, 3, 4, 5, 6, 9)
SS_TYPEMASK, SS_BITMAP = 0x1F, 0xE


def reg_value(key, name):
    """The DWORD or string value's text as `wine reg query` prints it, or None."""
    result = wine(["reg", "query", key, "/v", name])
    for line in result.stdout.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[0] == name:
            return parts[1], parts[2]
    return None


def controls(caption):
    """The window's client rectangle and its child windows, as TestHost reads them."""
    result = host_tool("controls", caption, "30")
    if result.returncode != 0:
        raise AssertionError("no window %r: %s" % (caption, result.stdout))
    client, children = None, []
    for line in result.stdout.splitlines():
        parts = line.split()
        if parts[0] == "client":
            client = tuple(int(v) for v in parts[1:5])
            dpi = int(parts[5])
        elif parts[0] == "control":
            children.append({"id": int(parts[1]), "class": parts[2].lower(), "style": int(parts[3], 16),
                             "visible": parts[4] == "1", "rect": tuple(int(v) for v in parts[5:9]),
                             "text": (int(parts[9]), int(parts[10]))})
    for control in children:
        control["slack"] = slack(control, dpi)
    return client, children


def slack(control, dpi):
    """Pixels to spare across the control for its text on one line (negative: that much is cut off or
    wrapped away), None for a control without text. A check box or radio button gives its box and gap
    (13 + 4 pixels at 96 DPI) and a push button its frame (3 pixels a side) to the text."""
    if not has_text(control) or control["text"][0] < 0:
        return None
    room = control["rect"][2]
    if is_push_button(control):
        room -= 2 * (3 * dpi // 96)
    elif control["class"] == "button":
        room -= 17 * dpi // 96
    return room - control["text"][0]


def inside(inner, outer):
    x, y, w, h = inner
    ox, oy, ow, oh = outer
    return ox <= x and oy <= y and x + w <= ox + ow and y + h <= oy + oh


def overlap(a, b):
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def intersection(a, b):
    x, y = max(a[0], b[0]), max(a[1], b[1])
    return x, y, min(a[0] + a[2], b[0] + b[2]) - x, min(a[1] + a[3], b[1] + b[3]) - y


def most_common(pixels):
    colours, counts = numpy.unique(pixels.reshape(-1, 3), axis=0, return_counts=True)
    return colours[counts.argmax()]


def is_group(control):
    return control["class"] == "button" and control["style"] & BS_TYPEMASK == BS_GROUPBOX


def is_picture(control):
    return control["class"] == "static" and control["style"] & SS_TYPEMASK == SS_BITMAP


def is_push_button(control):
    return control["class"] == "button" and control["style"] & BS_TYPEMASK in (0, 1)


def has_text(control):
    if control["class"] == "static":
        return not is_picture(control)
    return control["class"] == "button" and not is_group(control)


def ink_at_edges(shot, rect, inset=0):
    """Which edges of the control (right, top, bottom) have text pixels on them: text that does not fit
    is cut off there. Ink is what stands out from the control's most common colour; inset leaves out a
    push button's frame."""
    x, y, w, h = rect
    x, y, w, h = x + inset, y + inset, w - 2 * inset, h - 2 * inset
    crop = shot[y:y + h, x:x + w]
    background = most_common(crop)
    ink = numpy.abs(crop - background).max(axis=2) > 80
    edges = []
    # Three columns at the right: a single one may fall between two letters.
    if ink[:, -3:].any():
        edges.append("right")
    if ink[0, :].any():
        edges.append("top")
    if ink[-1, :].any():
        edges.append("bottom")
    return edges


class LayoutChecks:
    """Checks on a dialog's controls, shared by the settings dialog and the About box."""

    def check_layout(self, shot, client, children, name, reference=None):
        """reference: the same dialog's controls at 96 DPI. A text the template's own coordinates have
        too little room for at 96 DPI may miss as much, scaled, here; any other text fits."""
        shown = [c for c in children if c["visible"]]
        self.assertTrue(shown)
        for control in shown:
            self.assertTrue(inside(control["rect"], client), "%s: control %d %s %s lies outside the client %s" % (
                name, control["id"], control["class"], control["rect"], client))
        groups = [c for c in shown if is_group(c)]
        others = [c for c in shown if not is_group(c)]
        cx, cy, cw, ch = client
        background = most_common(shot[cy:cy + ch, cx:cx + cw])
        for i, a in enumerate(others):
            for b in others[i + 1:]:
                if not overlap(a["rect"], b["rect"]):
                    continue
                # Template rectangles may meet by a dialog unit (the About box's two lines of small
                # print do at any DPI): what is drawn there must be bare dialog.
                x, y, w, h = intersection(a["rect"], b["rect"])
                drawn = (numpy.abs(shot[y:y + h, x:x + w] - background).max(axis=2) > 40).sum()
                self.assertEqual(drawn, 0, "%s: controls %d %s and %d %s overlap, %d pixels drawn in %s" % (
                    name, a["id"], a["rect"], b["id"], b["rect"], drawn, (x, y, w, h)))
            for group in groups:
                # A control lies in a group box or beside it, never across its frame.
                self.assertTrue(inside(a["rect"], group["rect"]) or not overlap(a["rect"], group["rect"]),
                                "%s: control %d %s crosses the group box %s" % (name, a["id"], a["rect"],
                                                                                group["rect"]))
        for index, control in enumerate(children):
            if not control["visible"] or control["slack"] is None:
                continue
            allowed = 0
            if reference and reference[index]["slack"] is not None:
                allowed = min(0, reference[index]["slack"] * DPI // 96 - 1)
            self.assertGreaterEqual(control["slack"], allowed, "%s: control %d %s has room for its text only "
                                    "with %d more pixels (at 96 DPI: %s)" % (
                                        name, control["id"], control["rect"], -control["slack"],
                                        reference[index]["slack"] if reference else "not measured"))
            self.assertLessEqual(control["text"][1], control["rect"][3])
        for control in (c for c in others if has_text(c)):
            inset = 4 if is_push_button(control) else 0
            self.assertEqual(ink_at_edges(shot, control["rect"], inset), [],
                             "%s: the text of control %d %s is cut off" % (name, control["id"], control["rect"]))


class DpiTest(unittest.TestCase, LayoutChecks):
    @classmethod
    def setUpClass(cls):
        # The settings dialog at the prefix's own DPI first, to hold the scaled one to.
        reg_reset()
        run = Saver(["/c"])
        try:
            cls.reference = controls(SETTINGS)[1]
        finally:
            run.kill()
        cls.saved = reg_value(DESKTOP, "LogPixels")
        wine(["reg", "add", DESKTOP, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(DPI), "/f"])
        # Windows 10 for both programs: the version Windows tells a program without the manifest's
        # supportedOS entries is then another than the real one.
        for program in ("Fernhollow.scr", os.path.basename(os.environ["FERNHOLLOW_TEST_HOST"])):
            wine(["reg", "add", APP_DEFAULTS + "\\" + program, "/v", "Version", "/d", "win10", "/f"])
        os.makedirs(SHOTS, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        if cls.saved:
            kind, value = cls.saved
            wine(["reg", "add", DESKTOP, "/v", "LogPixels", "/t", kind, "/d", str(int(value, 0)), "/f"])
        else:
            wine(["reg", "delete", DESKTOP, "/v", "LogPixels", "/f"])
        for program in ("Fernhollow.scr", os.path.basename(os.environ["FERNHOLLOW_TEST_HOST"])):
            wine(["reg", "delete", APP_DEFAULTS + "\\" + program, "/f"])

    def test_the_saver_covers_the_screen_at_its_pixel_size_and_logs_the_real_windows_version(self):
        reg_reset({"ShowTime": 0, "ShowFps": 0, "UseDesktop": 1, "ExitOnMM": 0})
        run = Saver(["/s"], FERNHOLLOW_LOG="stderr")
        try:
            window = wait_until(saver_window, 60)
            self.assertIsNotNone(window, run.stderr)
            time.sleep(5.0)
            shot = load_png(screenshot(os.path.join(SHOTS, "saver-144dpi.png")))
            xdotool("key", "a")
            self.assertEqual(run.finish(30), 0, run.stderr)
        finally:
            run.kill()
        self.assertEqual(window, (0, 0) + SCREEN)
        self.assertEqual(shot.shape[:2], SCREEN[::-1])
        # No strip of the screen is left uncovered: the bare X screen is black and even, and no block
        # of 32 x 32 pixels is, the right and bottom edges included.
        blocks = shot.reshape(SCREEN[1] // 32, 32, SCREEN[0] // 32, 32, 3)
        detail = blocks.std(axis=(1, 3)).max(axis=2)
        light = blocks.mean(axis=(1, 3, 4))
        bare = (light < 8) & (detail < 2)
        print("darkest block %.1f, flattest block %.1f, bare blocks %d" % (light.min(), detail.min(), bare.sum()))
        self.assertEqual(list(zip(*numpy.nonzero(bare))), [])
        # GetVersionEx: the real version for the saver, the Windows 8 the system tells programs that
        # do not list Windows 10 as supported for the test host.
        self.assertEqual(host_tool("winver").stdout.split()[0], "6.2.9200")
        self.assertIn("Running under Windows 10.0 build ", run.stderr)

    def test_the_settings_dialog_and_the_about_box_are_laid_out_at_the_dpi_with_their_pictures(self):
        reg_reset()
        run = Saver(["/c"])
        try:
            rect = host_tool("rect", SETTINGS, "60")
            self.assertEqual(rect.returncode, 0, rect.stdout)
            x, y, width, height = (int(v) for v in rect.stdout.split())
            time.sleep(1.0)
            client, children = controls(SETTINGS)
            shot = load_png(screenshot(os.path.join(SHOTS, "screen-settings-144dpi.png")))
            self.save(shot, (x, y, width, height), "dialog-144dpi.png")
            # 388 x 202 dialog units of an 8-point font at 144 DPI: about 1.5 times the 96-DPI size.
            self.assertGreater(client[2], 388 * 2.2)
            self.assertGreater(client[3], 202 * 2.2)
            self.check_layout(shot, client, children, "settings", self.reference)
            # Bitmap 115, 255 x 190 pixels, shown 1.5 times as large, centred in its control and cut
            # at the top and bottom where the control is lower.
            picture = [c for c in children if is_picture(c)]
            self.assertEqual(len(picture), 1)
            px, py, pw, ph = picture[0]["rect"]
            shown = self.picture_extent(shot, picture[0]["rect"])
            print("settings picture: control %s, picture %s" % (picture[0]["rect"], shown))
            self.assertLessEqual(abs(shown[0] - 383), 2)
            self.assertGreaterEqual(shown[1], min(285, ph - 4))
            self.assert_scaled_picture(shot, picture[0]["rect"], "dialog.bmp")

            xdotool("mousemove", *self.centre(children, 1062))
            time.sleep(0.2)
            xdotool("click", 1)
            about = host_tool("rect", "About", "30")
            self.assertEqual(about.returncode, 0, about.stdout)
            ax, ay, aw, ah = (int(v) for v in about.stdout.split())
            time.sleep(1.0)
            about_client, about_children = controls("About")
            shot = load_png(screenshot(os.path.join(SHOTS, "screen-about-144dpi.png")))
            self.save(shot, (ax, ay, aw, ah), "about-144dpi.png")
            self.assertGreater(about_client[2], 235 * 2.2)
            self.check_layout(shot, about_client, about_children, "about")
            # Bitmap 157, 120 x 120 pixels: its control takes the size of the scaled picture.
            picture = [c for c in about_children if is_picture(c)]
            self.assertEqual(len(picture), 1)
            _, _, pw, ph = picture[0]["rect"]
            self.assertTrue(180 <= pw <= 186 and 180 <= ph <= 186, picture[0]["rect"])
            self.assert_scaled_picture(shot, picture[0]["rect"], "about.bmp")
            xdotool("key", "Return")
            time.sleep(0.5)
            xdotool("mousemove", *self.centre(children, 2))
            time.sleep(0.2)
            xdotool("click", 1)
            self.assertEqual(run.finish(30), 0, run.stderr)
        finally:
            run.kill()

    def test_the_preview_fills_its_host_window(self):
        reg_reset()
        host = Host(300, 220, os.environ["FERNHOLLOW_SCR"])
        try:
            self.assertIsNotNone(host.line("saver "), host.lines)

            def child():
                client, children = controls("Test Host")
                previews = [c for c in children if c["class"] == "scrclass"]
                return (client, previews[0]) if previews else None

            found = wait_until(child, 30, 0.5)
            self.assertIsNotNone(found, host.lines)
            client, preview = found
            self.assertEqual(client, (0, 0, 300, 220))
            self.assertEqual(preview["rect"], client)
        finally:
            host.close()

    def assert_scaled_picture(self, shot, rect, name):
        """The middle of the control shows the middle of the bitmap at 1.5 times its size: it is far
        closer to the bitmap scaled so than to the bitmap at its own pixels."""
        from PIL import Image
        w, h, rows = read_bmp(os.path.join(SOURCE, "assets", "bitmaps", name))
        picture = numpy.array(rows, dtype="uint8").reshape(h, w, 3)
        scaled = numpy.asarray(Image.fromarray(picture).resize((w * DPI // 96, h * DPI // 96), Image.BILINEAR))
        x, y, cw, ch = rect
        half_w, half_h = 48, 40
        middle = shot[y + ch // 2 - half_h:y + ch // 2 + half_h, x + cw // 2 - half_w:x + cw // 2 + half_w]

        def distance(image):
            iy, ix = image.shape[0] // 2, image.shape[1] // 2
            return numpy.abs(middle - image[iy - half_h:iy + half_h, ix - half_w:ix + half_w].astype(int)).mean()

        at_dpi, unscaled = distance(scaled), distance(picture)
        print("%s: mean difference %.1f to the scaled bitmap, %.1f to the bitmap as it is" % (name, at_dpi, unscaled))
        self.assertLess(at_dpi, 8.0)
        self.assertLess(at_dpi * 3, unscaled)

    @staticmethod
    def centre(children, control_id):
        x, y, w, h = next(c["rect"] for c in children if c["id"] == control_id)
        return x + w // 2, y + h // 2

    @staticmethod
    def save(shot, rect, name):
        from PIL import Image
        x, y, w, h = rect
        path = os.path.join(SHOTS, name)
        Image.fromarray(shot[y:y + h, x:x + w].astype("uint8")).save(path)
        print("screenshot:", path)

    @staticmethod
    def picture_extent(shot, rect):
        """Width and height of what differs from the control's even background, inside its frame."""
        x, y, w, h = rect
        inner = shot[y + 2:y + h - 2, x + 2:x + w - 2]
        # The corners of the frame's inside show the background where the picture leaves some.
        corners = numpy.array([inner[0, 0], inner[0, -1], inner[-1, 0], inner[-1, -1]])
        background = corners[numpy.abs(corners - corners.mean(axis=0)).sum(axis=1).argmin()]
        differs = numpy.abs(inner - background).max(axis=2) > 24
        columns = numpy.flatnonzero(differs.mean(axis=0) > 0.2)
        rows = numpy.flatnonzero(differs.mean(axis=1) > 0.2)
        if not len(columns) or not len(rows):
            return 0, 0
        return columns[-1] - columns[0] + 1, rows[-1] - rows[0] + 1


class RestoredDpiTest(unittest.TestCase):
    def test_the_prefix_is_back_at_its_own_dpi(self):
        # Runs after the scaled tests (unittest orders the classes by name): the next module sees the
        # dialog at the prefix's own size, as before.
        reg_reset()
        run = Saver(["/c"])
        try:
            result = host_tool("controls", SETTINGS, "60")
            self.assertEqual(result.returncode, 0, result.stdout)
            client = [int(v) for v in result.stdout.split()[1:5]]
            self.assertLess(client[2], 388 * 2.0)
        finally:
            run.kill()


if __name__ == "__main__":
    unittest.main()
