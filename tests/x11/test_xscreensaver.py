"""XScreenSaver as the real host: lumeck installed into a temporary prefix, where the
daemon, running as an unprivileged user, finds it on its path as the mode `lumeck --root`."""
import os
import re
import subprocess
import unittest

import xenv


def running(pid):  # a zombie has ended
    try:
        return open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


class UnderXScreenSaver(xenv.Case):
    def test_activate_paints_input_goes_to_the_daemon_and_deactivate_ends_it(self):
        prefix, home = self.state["folder"] + "/prefix", self.state["folder"] + "/xss"
        subprocess.run(["cmake", "--install", os.environ["GLIMRA_BUILD_DIR"], "--prefix", prefix],
                       check=True, capture_output=True)
        os.mkdir(home)
        os.chown(home, 65534, 65534)
        with open(home + "/.xscreensaver", "w") as conf:
            conf.write("mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\n"
                       "splash: False\nprograms: lumeck --root\n")
        env = {"HOME": home, "DISPLAY": self.state["display"],
               "PATH": prefix + "/libexec/xscreensaver:/usr/bin:/bin"}
        as_nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        command = lambda *args: subprocess.run(  # noqa: E731
            as_nobody + ["xscreensaver-command", *args], env=env, capture_output=True).returncode
        log = open(home + "/log", "w+")
        daemon = subprocess.Popen(as_nobody + ["xscreensaver", "--no-splash", "--verbose"],
                                  env=env, stdout=log, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: command("-exit") or daemon.wait(15) or log.close())
        self.assertTrue(xenv.poll(lambda: command("-time") == 0, 15), "daemon not up")
        def log_from(offset):
            log.seek(offset)
            return log.read()

        for end in ("-deactivate", "a key"):
            before = log.seek(0, os.SEEK_END)
            self.assertEqual(command("-activate"), 0)
            pids = [int(pid) for pid in xenv.poll(lambda: re.findall(  # one per monitor
                r'"lumeck --root" in pid (\d+)', log_from(before)))]
            self.assertEqual(os.readlink("/proc/%d/exe" % pids[0]),
                             prefix + "/libexec/xscreensaver/lumeck")
            self.assertTrue(xenv.poll(lambda: xenv.dots(self.state["display"], xenv.PRIMARY)))
            if end == "-deactivate":
                command(end)
            # A key goes to the daemon, which unblanks and ends lumeck.
            self.assertTrue(xenv.poll(lambda: (end == "a key" and self.xdotool("key", "a")) or
                                      not any(map(running, pids)), 1 if end[0] == "-" else 10))
        self.assertNotEqual(subprocess.run(["pgrep", "-u", "65534", "-f", prefix]).returncode, 0,
                            "something was left behind")


if __name__ == "__main__":
    unittest.main()
