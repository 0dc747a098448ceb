"""The installed tree: what `cmake --install` puts where, the installed lumeck finding its
GTK module, and XScreenSaver running it as a display mode from the prefix's libexec."""
import configparser
import os
import re
import subprocess
import tempfile
import unittest

from harness import Display, Home, poll, window_of

NOBODY = 65534


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="glimra-prefix-")
        os.chmod(cls.prefix, 0o755)  # XScreenSaver's user must reach the hack
        subprocess.run(["cmake", "--install", os.environ["GLIMRA_BUILD_DIR"], "--prefix",
                        cls.prefix], check=True, capture_output=True)
        cls.libexec = os.path.join(cls.prefix, "libexec", "xscreensaver")
        cls.display = Display()

    @classmethod
    def tearDownClass(cls):
        cls.display.close()
        subprocess.run(["rm", "-rf", cls.prefix], check=True)

    def entry(self, path):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(os.path.join(self.prefix, path), encoding="utf-8")
        return entry["Desktop Entry"]

    def test_entries_name_the_installed_executable(self):
        lumeck = os.path.join(self.libexec, "lumeck")
        self.assertTrue(os.access(lumeck, os.X_OK))
        self.assertTrue(os.path.isfile(os.path.join(self.prefix, "lib/lumeck/lumeck-gtk.so")))
        for path, command in [("share/applications/screensavers/lumeck.desktop",
                               lumeck + " --root"),
                              ("share/applications/lumeck-settings.desktop", lumeck)]:
            with self.subTest(path=path):
                entry = self.entry(path)
                self.assertEqual((entry["Exec"], entry["TryExec"], entry["Type"]),
                                 (command, lumeck, "Application"))
        self.assertIn("Screensaver;", self.entry(
            "share/applications/screensavers/lumeck.desktop")["Categories"])
        with open(os.path.join(self.prefix, "share/xscreensaver/config/lumeck.xml")) as xml:
            self.assertRegex(xml.read(), r'<screensaver name="lumeck"[^>]*>\s*<command arg="--root"/>')

    def test_installed_lumeck_loads_its_module_for_the_dialog(self):
        home = Home(self.display)
        self.addCleanup(home.remove)
        process = subprocess.Popen([os.path.join(self.libexec, "lumeck")], env=home.env)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        window_of(process, "frame", "配置")
        self.display.close_window(poll(lambda: self.display.windows("^配置$"), "the dialog")[0])
        self.assertEqual(poll(lambda: process.poll() is not None, "the end") and
                         process.returncode, 0)

    def test_xscreensaver_runs_it_from_the_prefix(self):
        home = Home(self.display)
        self.addCleanup(home.remove)
        with open(os.path.join(home.root, ".xscreensaver"), "w") as config:
            config.write("mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\n"
                         "splash: False\ntimeout: 0:30:00\nprograms: lumeck --root\n")
        subprocess.run(["chown", "-R", f"{NOBODY}:{NOBODY}", home.root], check=True)
        env = {"HOME": home.root, "DISPLAY": self.display.name,
               "PATH": f"{self.libexec}:/usr/bin:/bin"}
        as_nobody = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups"]
        log = open(os.path.join(home.root, "xss.log"), "w+")
        daemon = subprocess.Popen(as_nobody + ["xscreensaver", "--no-splash", "--verbose"],
                                  env=env, stdout=log, stderr=subprocess.STDOUT)

        def command(*args):
            return subprocess.run(as_nobody + ["xscreensaver-command", *args], env=env,
                                  capture_output=True).returncode == 0

        def forked():
            log.seek(0)
            return re.search(r'forked "lumeck --root" in pid (\d+)', log.read())

        try:
            poll(lambda: command("-activate"), "the daemon to blank")
            pid = int(poll(forked, "lumeck to be forked").group(1))
            poll(lambda: os.path.exists(f"/proc/{pid}/cmdline"), "lumeck to run")
            self.assertEqual(os.readlink(f"/proc/{pid}/exe"),
                             os.path.join(self.libexec, "lumeck"))
            command("-deactivate")
            poll(lambda: not os.path.exists(f"/proc/{pid}/cmdline"), "lumeck to end")
        finally:
            command("-exit")
            poll(lambda: daemon.poll() is not None, "the daemon to end")


if __name__ == "__main__":
    unittest.main(verbosity=2)
