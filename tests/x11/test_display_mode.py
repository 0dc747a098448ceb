"""The display mode of X11 screen-saver hosts: "--root", "--window-id", XSCREENSAVER_WINDOW,
first against the tests' own host windows, then under the real XScreenSaver daemon."""
import os
import re
import shutil
import signal
import subprocess
import unittest

import xenv


class DisplayMode(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.state = xenv.load_state()
        xenv.write_settings(cls.state, 200, 100)

    def host(self):
        host = xenv.Host(self.state, 152, 112)
        self.addCleanup(host.close)
        return host

    def start(self, *args, **kwargs):
        process = xenv.start(self.state, *args, **kwargs)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        return process

    def dots_in_host(self, width):
        return xenv.poll(lambda: len(xenv.round_dots(xenv.dots(
            xenv.screenshot(self.state["display"]), (1100, 100, 152, 112)), width)) >= 3)

    def test_paints_the_hosts_window_itself_and_ends_on_sigterm(self):
        host = self.host()
        # As xscreensaver-settings starts a preview: the id on the command line wins.
        process = self.start("--root", "--window-id", "0x%x" % host.id,
                             extra_env={"XSCREENSAVER_WINDOW": "0x1234"})
        self.assertTrue(self.dots_in_host(4), "no 4 px dots in the host's window")
        self.assertEqual(host.command("query"), [], "made a window of its own")
        xenv.xdotool(self.state, "mousemove", 1150, 150, "click", 1, "key", "a")
        xenv.xdotool(self.state, "mousemove", 1200, 160)
        self.assertIsNone(process.poll(), "input ended it")
        process.send_signal(signal.SIGTERM)
        self.assertTrue(xenv.ended(process, 1))
        self.assertEqual(process.returncode, 0)

    def test_environment_window_beside_a_running_saver_ends_with_its_window(self):
        preview = self.start("/p", str(self.host().id))  # holds the single-instance lock
        host = self.host()  # made last, so on top of the preview's host
        process = self.start("-root", extra_env={"XSCREENSAVER_WINDOW": str(host.id)})
        self.assertTrue(self.dots_in_host(12), "no 12 px dots in the host's window")
        self.assertIsNone(preview.poll())
        host.command("destroy")
        self.assertTrue(xenv.ended(process, 1.5))

    def test_an_id_that_names_no_window_ends_at_once(self):
        for args in (["--window-id", "123456789"], ["--window-id", "zz"], ["-window-id"]):
            with self.subTest(args=args):
                self.assertTrue(xenv.ended(self.start(*args), 2))


def running(pid):
    """Whether the process runs: a zombie has ended, only its parent has not reaped it."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def as_nobody(state, home, *command, **kwargs):
    return subprocess.Popen(
        ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "env", "-i",
         "HOME=" + home, "DISPLAY=" + state["display"], "PATH=/usr/bin:/bin"] + list(command),
        **kwargs)


class UnderXScreenSaver(unittest.TestCase):
    """The daemon refuses to run display modes as root, so it runs as nobody, with a copy
    of lumeck in a folder that nobody can reach."""

    def test_activate_paints_and_deactivate_ends_it(self):
        state = xenv.load_state()
        folder = os.path.join(state["folder"], "xscreensaver")
        home = os.path.join(folder, "home")
        os.makedirs(home)
        os.chmod(folder, 0o755)
        lumeck = shutil.copy(os.environ["GLIMRA_LUMECK"], folder)
        os.chown(home, 65534, 65534)
        with open(os.path.join(home, ".xscreensaver"), "w") as conf:
            conf.write("mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\n"
                       "splash: False\ntimeout: 0:30:00\nprograms: %s --root\n" % lumeck)
        log_path = os.path.join(folder, "xss.log")
        with open(log_path, "w") as log:
            daemon = as_nobody(state, home, "xscreensaver", "--no-splash", "--verbose",
                               stdout=log, stderr=subprocess.STDOUT)

        def command(*args):
            return as_nobody(state, home, "xscreensaver-command", *args,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).wait(10)

        try:
            self.assertTrue(xenv.poll(lambda: command("-time") == 0, 15), "daemon not up")
            xenv.screenshot(state["display"])
            self.assertEqual(command("-activate"), 0)
            pids = xenv.poll(lambda: [int(p) for p in re.findall(
                r'forked "[^"]*lumeck --root" in pid (\d+)', open(log_path).read())])
            self.assertTrue(pids, "the daemon did not start lumeck")
            lit = xenv.poll(lambda: xenv.dots(xenv.screenshot(state["display"]),
                                              (0, 0, 2048, 768)), 5)
            self.assertTrue(lit, "no dots on the screen")
            self.assertEqual(command("-deactivate"), 0)
            gone = xenv.poll(lambda: not any(map(running, pids)), 1.0)
            self.assertTrue(gone, "lumeck still runs a second after -deactivate")
            left = subprocess.run(["pgrep", "-u", "65534", "-f", lumeck], capture_output=True)
            self.assertEqual(left.stdout, b"")
        finally:
            command("-exit")
            try:
                daemon.wait(10)
            except subprocess.TimeoutExpired:
                daemon.terminate()
                daemon.wait(10)


if __name__ == "__main__":
    unittest.main()
