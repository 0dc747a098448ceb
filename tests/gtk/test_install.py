"""The installed tree: what `cmake --install` puts where, and the installed lumeck finding
its module. tests/x11 runs it under XScreenSaver from such a tree."""
import os
import subprocess
import tempfile
import unittest

from harness import Display, ended, window_of

class InstallTest(unittest.TestCase):
    def test_entries_name_the_installed_program_which_finds_its_module(self):
        prefix = tempfile.mkdtemp(prefix="glimra-prefix-")
        self.addCleanup(subprocess.run, ["rm", "-rf", prefix])
        subprocess.run(["cmake", "--install", os.environ["GLIMRA_BUILD_DIR"], "--prefix", prefix],
                       check=True, capture_output=True)
        lumeck = os.path.join(prefix, "libexec/xscreensaver/lumeck")
        for path, pattern in [
                ("share/applications/screensavers/lumeck.desktop",
                 f"Exec={lumeck} --root\nTryExec={lumeck}\n(.*\n)*Type=Application\n"
                 "Categories=Screensaver;"),
                ("share/applications/lumeck-settings.desktop", f"Exec={lumeck}\n"),
                ("share/xscreensaver/config/lumeck.xml", '<command arg="--root"/>')]:
            self.assertRegex(open(os.path.join(prefix, path)).read(), pattern)
        display = Display(self)
        process = display.start(lumeck=lumeck)
        window_of(process, "frame", "配置")
        display.close_window(display.windows("^配置$")[0])
        self.assertEqual(ended(process), 0)

if __name__ == "__main__":
    unittest.main(verbosity=2)
