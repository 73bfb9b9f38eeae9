"""The platform backend is a configure option: a name that is not a backend stops the configuration
with a message that names the choices, before anything is generated."""

import os
import shutil
import subprocess
import tempfile
import unittest

SOURCE = os.environ.get("FERNHOLLOW_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))


class PlatformOption(unittest.TestCase):
    def configure(self, platform):
        build = tempfile.mkdtemp(prefix="fernhollow-platform-")
        self.addCleanup(shutil.rmtree, build, ignore_errors=True)
        result = subprocess.run(["cmake", "-S", SOURCE, "-B", build, "-G", "Ninja",
                                 f"-DFERNHOLLOW_PLATFORM={platform}", "-DFERNHOLLOW_TESTS=OFF",
                                 "-DFERNHOLLOW_BENCH=OFF"],
                                capture_output=True, text=True, timeout=300)
        return result, build

    def test_an_unknown_platform_fails_with_the_choices(self):
        result, build = self.configure("beos")
        self.assertNotEqual(result.returncode, 0)
        message = " ".join(result.stderr.split())
        self.assertIn("FERNHOLLOW_PLATFORM=beos is not a platform backend; choose one of: linux, win32",
                      message)
        self.assertFalse(os.path.exists(os.path.join(build, "build.ninja")))


if __name__ == "__main__":
    unittest.main()
