"""The installed tree: what `cmake --install` puts where, the installed lumeck finding its
module, and XScreenSaver running it as a display mode from the prefix's libexec."""
import os
import re
import subprocess
import tempfile
import unittest

from harness import Display, ended, poll, window_of, write

class InstallTest(unittest.TestCase):
    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="glimra-prefix-")
        self.addCleanup(subprocess.run, ["rm", "-rf", self.prefix])
        os.chmod(self.prefix, 0o755)  # XScreenSaver's user must reach the program
        subprocess.run(["cmake", "--install", os.environ["GLIMRA_BUILD_DIR"], "--prefix",
                        self.prefix], check=True, capture_output=True)
        self.lumeck = os.path.join(self.prefix, "libexec/xscreensaver/lumeck")
        self.display = Display(self)

    def test_entries_name_the_installed_program_which_finds_its_module(self):
        for path, pattern in [
                ("share/applications/screensavers/lumeck.desktop",
                 f"Exec={self.lumeck} --root\nTryExec={self.lumeck}\n(.*\n)*Type=Application\n"
                 "Categories=Screensaver;"),
                ("share/applications/lumeck-settings.desktop", f"Exec={self.lumeck}\n"),
                ("share/xscreensaver/config/lumeck.xml", '<command arg="--root"/>')]:
            self.assertRegex(open(os.path.join(self.prefix, path)).read(), pattern)
        process = self.display.start(lumeck=self.lumeck)
        window_of(process, "frame", "配置")
        self.display.close_window(self.display.windows("^配置$")[0])
        self.assertEqual(ended(process), 0)

    def test_xscreensaver_runs_it_from_the_prefix(self):
        write(self.display.home + "/.xscreensaver", "mode: one\nselected: 0\nlock: False\n"
              "fade: False\nunfade: False\nsplash: False\nprograms: lumeck --root\n")
        subprocess.run(["chown", "-R", "65534:65534", self.display.home], check=True)
        env = {"HOME": self.display.home, "DISPLAY": self.display.name,
               "PATH": os.path.dirname(self.lumeck) + ":/usr/bin:/bin"}
        as_nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        command = lambda *args: subprocess.run(  # noqa: E731
            as_nobody + ["xscreensaver-command", *args], env=env, capture_output=True)
        log = open(os.path.join(self.display.home, "xss.log"), "w+")
        daemon = subprocess.Popen(as_nobody + ["xscreensaver", "--no-splash", "--verbose"],
                                  env=env, stdout=log, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: command("-exit") and ended(daemon))
        poll(lambda: command("-activate").returncode == 0, "the daemon to blank")
        log_text = lambda: log.seek(0) or log.read()  # noqa: E731
        pid = poll(lambda: re.search(r'forked "lumeck --root" in pid (\d+)', log_text()),
                   "lumeck to be forked").group(1)
        self.assertEqual(os.readlink(f"/proc/{pid}/exe"), self.lumeck)
        command("-deactivate")
        poll(lambda: not os.path.exists(f"/proc/{pid}"), "lumeck to end")

if __name__ == "__main__":
    unittest.main(verbosity=2)
