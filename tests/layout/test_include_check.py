"""The include check of the floors: the source tree passes it, and each kind of misplaced include in a
copy of the tree makes it fail and name the file, the line and the reason."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("FERNHOLLOW_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(SOURCE, "tools", "check_includes.py")


def run_check(src):
    return subprocess.run([sys.executable, CHECK, src], capture_output=True, text=True, timeout=120)


class IncludeCheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="fernhollow-includes-")
        cls.pristine = os.path.join(cls.scratch, "pristine")
        shutil.copytree(os.path.join(SOURCE, "src"), cls.pristine)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def copy_with(self, relative, line):
        """A copy of the tree in which relative gets line after its first line; returns the copy."""
        copy = tempfile.mkdtemp(dir=self.scratch)
        src = os.path.join(copy, "src")
        shutil.copytree(self.pristine, src)
        path = os.path.join(src, relative)
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        lines.insert(1, line)
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        return src

    def assert_fails(self, relative, line, reason):
        result = run_check(self.copy_with(relative, line))
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertEqual(result.stdout.splitlines(), [f"{relative}:2: {reason}"])

    def test_the_source_tree_passes(self):
        result = run_check(os.path.join(SOURCE, "src"))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout, "")

    def test_an_include_from_a_higher_floor_fails(self):
        self.assert_fails("engine/Texture.h", '#include "scene/ResourceHelpers.h"',
                          "scene/ResourceHelpers.h: the scene floor is above the engine floor")
        self.assert_fails("platform/linux/Dialog.cpp", '#include "engine/Log.h"',
                          "engine/Log.h: the engine floor is above the platform floor")
        self.assert_fails("base/Types.h", '#include "platform/Handle.h"',
                          "platform/Handle.h: the platform floor is above the base floor")
        self.assert_fails("config/SaverConfig.h", '#include "shell/Modes.h"',
                          "shell/Modes.h: the shell floor is above the config floor")

    def test_the_platform_throws_no_exception(self):
        self.assert_fails("platform/linux/DisplayModes.cpp", '#include "base/Exception.h"',
                          "base/Exception.h: the platform reports failures by its results, it throws no Exception")

    def test_relative_includes_are_followed(self):
        self.assert_fails("engine/ui/Form.h", '#include "../../config/Config.h"',
                          "../../config/Config.h: the config floor is above the engine floor")

    def test_a_platform_library_header_outside_the_platform_fails(self):
        self.assert_fails("engine/Engine.cpp", "#include <SDL.h>",
                          "SDL.h: a platform library's header outside src/platform/")
        self.assert_fails("scene/Forest.cpp", "#include <X11/Xlib.h>",
                          "X11/Xlib.h: a platform library's header outside src/platform/")
        self.assert_fails("shell/SettingsDialog.cpp", "#include <gtk/gtk.h>",
                          "gtk/gtk.h: a platform library's header outside src/platform/")
        self.assert_fails("engine/services/Sound.cpp", "#include <AL/al.h>",
                          "AL/al.h: a platform library's header outside src/platform/")
        self.assert_fails("config/RegistryReader.cpp", "#include <windows.h>",
                          "windows.h: a platform library's header outside src/platform/")

    def test_backends_stay_apart(self):
        self.assert_fails("platform/Image.h", '#include "platform/linux/SdlVideo.h"',
                          "platform/linux/SdlVideo.h: a platform header includes the linux backend")
        self.assert_fails("platform/Dialog.h", "#include <gtk/gtk.h>",
                          "gtk/gtk.h: a platform library's header in the platform's own headers")
        self.assert_fails("platform/linux/Clock.cpp", '#include "platform/win32/Win32.h"',
                          "platform/win32/Win32.h: the linux backend includes the win32 backend")

    def test_the_shared_backend_code_is_for_the_backends_only(self):
        # Every backend may include it (the tree passes with them doing so); it includes no backend and
        # no library, and the platform's own headers leave it to the backends.
        self.assert_fails("platform/common/QuitLatch.cpp", '#include "platform/linux/SdlVideo.h"',
                          "platform/linux/SdlVideo.h: the code every backend shares includes the linux backend")
        self.assert_fails("platform/common/Bitmap.cpp", "#include <windows.h>",
                          "windows.h: a platform library's header in the code every backend shares")
        self.assert_fails("platform/Clock.h", '#include "platform/common/ClockSource.h"',
                          "platform/common/ClockSource.h: a platform header includes the common backend")

    def test_an_unreadable_tree_is_an_error(self):
        result = run_check(os.path.join(self.scratch, "no-such-directory"))
        self.assertEqual(result.returncode, 2)
        self.assertIn("is not a directory", result.stderr)


if __name__ == "__main__":
    unittest.main()
