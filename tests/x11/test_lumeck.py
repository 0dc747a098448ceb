"""lumeck end to end on the two-head Xorg (the primary monitor on the right): the full-screen
saver "/s" over both heads, and the preview "/p <id>" and the display mode of X11 screen-saver
hosts ("--root", "--window-id", XSCREENSAVER_WINDOW) in a window of another program; and where
another client holds the keyboard or the server stops."""

import os
import signal
import subprocess
import unittest

from glimratest import pictures, processes, x11
from glimratest.waiting import poll, wait_for

CASES = (  # arguments and environment ({0}: the host's id), pen, how the host ends it
    (["/p", "{0}"], {}, 4, "destroy"),
    # As xscreensaver-settings starts a preview: the id on the command line wins.
    (["--root", "--window-id", "{0:#x}"], {"XSCREENSAVER_WINDOW": "0x1234"}, 4, "SIGTERM"),
    (["-root"], {"XSCREENSAVER_WINDOW": "{0}"}, 12, "destroy"),
)


class Hosted(x11.Case):
    settings = (200, 500)  # the first clear after 100 s: a host left white stays white past waits

    def host(self):
        """The id of the X helper's window at 1100,100."""
        helper = self.run_helper()
        answer = helper.stdout.readline()
        if not answer:
            raise helper.failure("printed no window id")
        return int(answer)

    def children(self, window):
        return processes.run(["xwininfo", "-children", "-id", window], env=x11.env(self.state))

    def test_paints_its_host_follows_it_ignores_input_and_ends_with_it(self):
        for args, environment, pen, end in CASES:
            with self.subTest(args=args, environment=environment):
                host = self.host()
                mode_args = [arg.format(host) for arg in args]
                mode_env = {name: value.format(host) for name, value in environment.items()}
                process = self.start(*mode_args, **mode_env)
                painted = lambda: len(x11.dots(self.display, (1100, 100, 152, 112), pen)) >= 3
                wait_for(painted, f"{pen} px dots in the host")
                for size in ("152x112", "300x200"):  # a child of the host, or the host itself
                    want = (
                        f'"Form1": ("lumeck" "Glimra")  {size}+0+0'
                        if args[0] == "/p"
                        else "0 children"
                    )
                    wait_for(lambda: want in self.children(host), f"{want} in the host")
                    self.xdotool("mousemove", 1150, 150, "click", 1, "key", "a")
                    self.xdotool("mousemove", 1200, 160, "windowsize", host, 300, 200)
                self.assertTrue(process.running(), "input ended it")
                if end == "SIGTERM":  # even with the server stopped: no round trip is awaited
                    os.kill(self.state["server"]["pid"], signal.SIGSTOP)
                    try:
                        process.send_signal(signal.SIGTERM)
                        self.assertTrue(process.ended(2), "blocked on the stopped server")
                    finally:
                        os.kill(self.state["server"]["pid"], signal.SIGCONT)
                else:
                    self.xdotool("windowclose", host)
                self.assertEqual(process.exit_status(30), 0)


class Saver(x11.Case):
    settings = (10, 100)

    def shown(self):
        return self.xdotool("search", "--onlyvisible", "--name", "^Form1$")

    def heads_with_dots(self, root_width):
        """The heads (left, right) with dots in one picture of the root; no more dots than 10."""
        blobs = x11.dots(self.display, (0, 0, root_width, 768))
        self.assertLessEqual(len(blobs), 10, "dots on the screen")
        return {"left" if blob.left < 1024 else "right" for blob in blobs}

    def test_covers_both_heads_with_round_dots_maps_only_x11_and_follows_a_head_switched_off_and_on(
        self,
    ):
        process = self.start("/s")
        window = wait_for(self.shown, "the saver to show")
        mapped = processes.libraries_of(process.pid, "lumeck-", "libwayland", "libgtk")
        self.assertEqual(mapped, {"lumeck-x11.so"}, "the modules and libraries mapped")
        geometry = lambda: self.xdotool("getwindowgeometry", window)  # noqa: E731
        self.assertIn("Position: 0,0", geometry())
        self.assertIn("Geometry: 2048x768", geometry())
        self.assertTrue(x11.pointer_hidden(self.display), "the pointer shows over the saver")
        whole = []
        for _ in range(8):  # 10 dots at 100 ms: a clear about every second
            blobs = x11.dots(self.display, (0, 0, 2048, 768), 12)
            whole += [blob.pixels for blob in blobs]
        self.assertGreater(len(whole), 5)
        self.assertTrue(all(100 <= count <= 125 for count in whole), whole)  # a square: 144
        right_head = ["xrandr", "-display", self.display, "--output", "DUMMY1"]
        switched_on = ["--mode", "1024x768", "--right-of", "DUMMY0", "--primary"]
        self.addCleanup(subprocess.run, right_head + switched_on, check=True)
        for switch, root_width, heads in (
            (["--off"], 1024, {"left"}),
            (switched_on, 2048, {"left", "right"}),
        ):
            with self.subTest(switch=switch):
                subprocess.run(right_head + switch, check=True)
                self.assertTrue(poll(lambda: f"{root_width}x768" in geometry()), geometry())
                self.assertTrue(poll(lambda: self.heads_with_dots(root_width) == heads), heads)

    def test_a_character_a_click_and_a_real_move_end_it_other_keys_and_a_first_move_do_not(self):
        primary = pictures.Rect(1024, 0, 2048, 768)
        for harmless, ending in (
            ("key shift", "key a"),
            ("key Delete", "click 3"),
            ("mousemove 1600 500", "mousemove 1700 600"),  # the first move is only recorded
        ):
            with self.subTest(harmless=harmless, ending=ending):
                self.xdotool("mousemove", 1500, 400)
                saver = self.start("/s")
                wait_for(self.shown, "the saver to show")  # it has the keyboard then
                self.xdotool(*harmless.split())
                picture = lambda: pictures.shot(x11.env(self.state), primary)  # noqa: E731
                self.assertTrue(pictures.runs_after_two_draws(saver.running, picture), harmless)
                self.xdotool(*ending.split())
                self.assertEqual(saver.exit_status(30), 0)

    def test_the_saver_shows_only_once_it_has_the_keyboard_and_gives_up_if_it_never_does(self):
        holder = self.run_helper("grab")
        self.assertEqual(holder.stdout.readline(), "grabbed\n")
        given_up = self.start("/s")  # while the keyboard is held, then it gives up
        self.assertEqual(holder.stdout.readline(), "pointer taken\n", "the first saver's grabs")
        ended = lambda: self.shown() or given_up.poll() is not None  # noqa: E731
        self.assertIs(wait_for(ended, "the saver to give up"), True, "shown over the client")
        self.assertEqual(given_up.exit_status(), 1, "the exit status of the one given up")
        saver = self.start("/s")
        self.assertEqual(holder.stdout.readline(), "pointer taken\n", "the second saver's grabs")
        holder.stdin.write("release\n")
        holder.stdin.close()
        self.assertTrue(poll(self.shown), "not shown once the keyboard was let go")
        self.xdotool("key", "a")
        self.assertTrue(saver.ended(5), "a key did not end it")
        self.assertEqual(holder.stdout.read().strip(), "0", "keys reached the client")


if __name__ == "__main__":
    unittest.main()
