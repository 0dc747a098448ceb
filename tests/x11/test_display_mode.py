"""The display mode of X11 screen-saver hosts ("--root", "--window-id",
XSCREENSAVER_WINDOW): against the tests' host windows, then under the real XScreenSaver."""
import os
import re
import shutil
import signal
import subprocess
import unittest

import xenv


class DisplayMode(xenv.Case):
    settings = (200, 100)

    def test_paints_the_hosts_window_itself_and_ends_on_sigterm(self):
        host = self.host()
        # As xscreensaver-settings starts a preview: the id on the command line wins.
        process = self.start("--root", "--window-id", "0x%x" % host.id,
                             extra_env={"XSCREENSAVER_WINDOW": "0x1234"})
        self.assertTrue(self.painted(4), "no 4 px dots on a black host")
        self.assertEqual(host.command("query"), [], "made a window of its own")
        xenv.xdotool(self.state, "mousemove", 1150, 150, "click", 1, "key", "a",
                     "mousemove", 1200, 160)
        self.assertIsNone(process.poll(), "input ended it")
        process.send_signal(signal.SIGTERM)
        self.assertTrue(xenv.ended(process, 1))
        self.assertEqual(process.returncode, 0)

    def test_environment_window_beside_a_running_saver_ends_with_its_window(self):
        preview = self.start("/p", str(self.host().id))  # holds the single-instance lock
        host = self.host()  # made last, so on top of the preview's host
        process = self.start("-root", extra_env={"XSCREENSAVER_WINDOW": str(host.id)})
        self.assertTrue(self.painted(12), "no 12 px dots on a black host")
        self.assertIsNone(preview.poll())
        host.command("destroy")
        self.assertTrue(xenv.ended(process, 1.5))
        for args in (["--window-id", "123456789"], ["--window-id", "zz"], ["-window-id"]):
            self.assertTrue(xenv.ended(self.start(*args), 2), args)


def running(pid):  # a zombie has ended; its parent went with the daemon
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


class UnderXScreenSaver(unittest.TestCase):
    def test_activate_paints_and_deactivate_ends_it(self):
        # The daemon runs display modes only as a user: nobody, with a copy of lumeck.
        state = xenv.load_state()
        home = os.path.join(state["folder"], "xss")
        os.mkdir(home)
        os.chown(home, 65534, 65534)
        lumeck = shutil.copy(os.environ["GLIMRA_LUMECK"], state["folder"])
        with open(os.path.join(home, ".xscreensaver"), "w") as conf:
            conf.write("mode: one\nselected: 0\nlock: False\nfade: False\nsplash: False\n"
                       "programs: %s --root\n" % lumeck)

        def as_nobody(*command, out=subprocess.DEVNULL):
            return subprocess.Popen(["setpriv", "--reuid=65534", "--regid=65534",
                                     "--clear-groups", "env", "-i", "HOME=" + home, "DISPLAY="
                                     + state["display"], "PATH=/usr/bin:/bin"] + list(command),
                                    stdout=out, stderr=subprocess.STDOUT)

        def command(*args):
            return as_nobody("xscreensaver-command", *args).wait(10)

        def forked():
            with open(home + "/log") as log:
                return [int(p) for p in re.findall(r'"\S*lumeck --root" in pid (\d+)', log.read())]

        with open(home + "/log", "w") as log:
            daemon = as_nobody("xscreensaver", "--no-splash", "--verbose", out=log)
        try:
            self.assertTrue(xenv.poll(lambda: command("-time") == 0, 15), "daemon not up")
            self.assertEqual(command("-activate"), 0)
            pids = xenv.poll(forked)
            self.assertTrue(pids and xenv.poll(lambda: xenv.dots(state["display"], xenv.PRIMARY)))
            self.assertEqual(command("-deactivate"), 0)
            self.assertTrue(xenv.poll(lambda: not any(map(running, pids)), 1.0), "still runs")
            self.assertNotEqual(subprocess.run(["pgrep", "-u", "65534", "-f", lumeck]).returncode,
                                0, "something was left behind")
        finally:
            command("-exit")
            daemon.wait(15)


if __name__ == "__main__":
    unittest.main()
