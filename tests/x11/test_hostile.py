"""lumeck where other clients, other users and the file system work against it, on the
two-head Xorg; and where the server stops, the screen has 8 bits or there is no display."""
import os
import shutil
import signal
import subprocess
import tempfile
import unittest

import xenv
from glimratest import displays, pictures
from glimratest.processes import Started

LUMECK = os.environ["GLIMRA_LUMECK"]


class OnTwoHeads(xenv.Case):
    settings = (10, 100)

    def shown(self):
        return self.xdotool("search", "--onlyvisible", "--name", "^Form1$")

    def replace_settings(self, make):
        """Puts what `make` makes at the settings path, and the file back after the test."""
        path = self.state["folder"] + "/config/Vestrel/settings.ini"
        os.remove(path)
        make(path)
        self.addCleanup(self.setUpClass)  # writes the file again
        self.addCleanup(os.remove, path)
        return path

    def test_the_saver_shows_only_once_it_has_the_keyboard(self):
        for released in (False, True):
            with self.subTest(released=released):
                holder = self.run_helper("grab")
                self.assertEqual(holder.stdout.readline().strip(), "grabbed")
                saver = self.start("/s")
                if not released:  # shown, or ended with status 1
                    self.assertEqual(xenv.poll(lambda: self.shown() or saver.poll(), 6), 1)
                    holder.communicate()
                    continue
                self.assertFalse(xenv.poll(self.shown, 1), "shown over the grabbing client")
                holder.stdin.write("release\n")
                holder.stdin.flush()
                self.assertTrue(xenv.poll(self.shown), "not shown once the grab was let go")
                self.xdotool("key", "a")
                self.assertTrue(xenv.ended(saver, 2))
                self.assertEqual(holder.communicate()[0].strip(), "0", "keys reached the client")

    def test_one_lock_of_the_users_own_that_another_user_cannot_block(self):
        home = tempfile.mkdtemp(prefix="glimra-nobody-")  # where that user can reach it
        self.addCleanup(shutil.rmtree, home)
        os.mkdir(home + "/run", 0o700)
        shutil.copy(LUMECK, home)
        subprocess.run(["chown", "-R", "65534:65534", home], check=True)
        if not os.path.exists("/tmp/glimra-65534"):  # where the lock once fell back: root's
            os.mkdir("/tmp/glimra-65534")
            self.addCleanup(os.rmdir, "/tmp/glimra-65534")
        as_nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups env -u XDG_RUNTIME_DIR"
        as_nobody = as_nobody.split() + ["HOME=" + home, "XDG_CONFIG_HOME=%s/config" % home]
        first = subprocess.Popen(as_nobody + [home + "/lumeck", "/s"], env=xenv.env(self.state))
        self.addCleanup(lambda: first.poll() is None and (first.kill() or first.wait()))
        self.assertTrue(xenv.poll(self.shown), "the start without a runtime folder did not run")
        runtime = "XDG_RUNTIME_DIR=%s/run" % home
        second = subprocess.Popen(
            as_nobody + [runtime, home + "/lumeck", "/s"], env=xenv.env(self.state)
        )
        self.addCleanup(lambda: second.poll() is None and (second.kill() or second.wait()))
        self.assertTrue(xenv.ended(second, 3), "a second saver of the same user ran")
        self.xdotool("key", "a")
        self.assertTrue(xenv.ended(first, 2))

    def test_a_fifo_for_settings_is_not_waited_for(self):
        self.replace_settings(os.mkfifo)
        saver = self.start("/s")
        self.assertTrue(xenv.poll(self.shown), "start-up waits on the FIFO")
        self.xdotool("key", "a")
        self.assertTrue(xenv.ended(saver, 2))

    def test_an_inputonly_host_ends_the_preview(self):
        helper = self.run_helper("inputonly")
        preview = self.start("/p", helper.stdout.readline().strip())
        self.assertTrue(xenv.ended(preview, 2), "a stray window lingers")
        self.assertEqual((preview.returncode, self.xdotool("search", "--name", "^Form1$")), (0, ""))

    def test_the_saver_follows_the_primary_head_turned_off(self):
        xrandr = ["xrandr", "-display", self.state["display"], "--output", "DUMMY1"]
        saver = self.start("/s")
        window = xenv.poll(self.shown)
        subprocess.run(xrandr + ["--off"], check=True)
        self.addCleanup(
            subprocess.run,
            xrandr + ["--mode", "1024x768", "--right-of", "DUMMY0", "--primary"],
            check=True,
        )
        moved = lambda: "Position: 0,0" in self.xdotool("getwindowgeometry", window)  # noqa: E731
        self.assertTrue(xenv.poll(moved), self.xdotool("getwindowgeometry", window))
        self.assertIn("Geometry: 1024x768", self.xdotool("getwindowgeometry", window))
        self.xdotool("key", "a")
        self.assertTrue(xenv.ended(saver, 2))

    def test_ok_writes_through_a_symlink_and_keeps_the_files_mode(self):
        target = self.state["folder"] + "/private.ini"  # in another folder than the link
        with open(target, "w") as out:
            out.write("[config]\nNumberofPoint=999\nspeed=300\n")
        os.chmod(target, 0o600)
        link = self.replace_settings(lambda path: os.symlink(target, path))
        dialog = self.start(NO_AT_BRIDGE="1")  # no accessibility bus, nor a D-Bus to start
        window = xenv.poll(lambda: self.xdotool("search", "--onlyvisible", "--name", "^配置$"))
        self.assertTrue(window, "no dialog")
        self.xdotool("mousemove", "--window", window, 318, 28, "click", 1)  # OK
        self.assertTrue(xenv.ended(dialog, 5))
        self.assertTrue(os.path.islink(link), "the link was replaced")
        self.assertEqual(oct(os.stat(target).st_mode & 0o777), oct(0o600))
        with open(target) as stored:
            self.assertEqual(stored.read(), "[config]\nNumberofPoint=30\nspeed=300\n")


class OnItsOwnDisplay(unittest.TestCase):
    def start_display(self, depth):
        server = displays.start_xvfb("-screen", "0", "1024x768x%d" % depth)
        self.addCleanup(lambda: os.kill(server.pid, signal.SIGCONT) or server.stop())
        return server

    def start(self, server, *args):
        config = tempfile.mkdtemp(prefix="glimra-hostile-")
        self.addCleanup(shutil.rmtree, config)
        environment = {k: v for k, v in os.environ.items() if "DISPLAY" not in k}
        if server:
            environment = server.env(environment)
        process = Started([LUMECK, *args], env=dict(environment, XDG_CONFIG_HOME=config))
        self.addCleanup(process.end)
        return process

    def test_a_termination_signal_ends_it_while_the_server_is_stopped(self):
        for args in (["/s"], ["--root"]):
            with self.subTest(args=args):
                server = self.start_display(24)
                process = self.start(server, *args)
                self.assertTrue(xenv.poll(lambda: pictures.blobs(server.env())))
                os.kill(server.pid, signal.SIGSTOP)
                process.send_signal(signal.SIGTERM)
                self.assertTrue(xenv.ended(process, 2), "blocked on the stopped server")
                os.kill(server.pid, signal.SIGCONT)

    def test_dots_have_their_colours_on_an_8_bit_screen(self):
        server = self.start_display(8)
        self.start(server, "/s")
        self.assertTrue(xenv.poll(lambda: pictures.blobs(server.env())), "all black")

    def test_the_dialog_without_a_display_says_so_and_fails(self):
        process = self.start(None)
        self.assertEqual(process.exit_status(10), 1)
        self.assertRegex(process.error_output(), r"^lumeck: no display: [^\n]*\n$")


if __name__ == "__main__":
    unittest.main()
