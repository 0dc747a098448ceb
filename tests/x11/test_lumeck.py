"""lumeck end to end on the two-head Xorg: the full-screen saver "/s" (the primary monitor
on the right), the preview "/p <id>" and the display mode of X11 screen-saver hosts
("--root", "--window-id", XSCREENSAVER_WINDOW) in a window of another program, and ids
naming no window. tests/package runs the packaged lumeck under the real hosts."""
import signal
import subprocess
import unittest

import xenv


class Saver(xenv.Case):
    settings = (10, 100)

    def show(self):
        self.xdotool("mousemove", 1500, 400)
        saver = self.start("/s")
        window = xenv.poll(lambda: self.xdotool("search", "--name", "^Form1$"))
        self.assertTrue(window, "no saver window")
        return saver, window

    def test_covers_the_primary_monitor_with_round_dots_up_to_the_count(self):
        _, window = self.show()
        geometry = self.xdotool("getwindowgeometry", window)
        self.assertIn("Position: 1024,0", geometry)
        self.assertIn("Geometry: 1024x768", geometry)
        self.assertEqual(self.run_helper("cursor").communicate()[0].strip(), "hidden")
        whole = []
        for _ in range(8):  # 10 dots at 100 ms: a clear about every second
            blobs = xenv.dots(self.state["display"], xenv.PRIMARY)
            self.assertLessEqual(len(blobs), 10)
            whole += [count for size, count in blobs if size == "12x12"]
        self.assertGreater(len(whole), 5)
        self.assertTrue(all(100 <= count <= 125 for count in whole), whole)  # a square: 144

    def test_input_that_ends_it(self):
        for command, ends in [("key shift", 0), ("key Left", 0), ("key F5", 0), ("key a", 1),
                              ("key Escape", 1), ("key Return", 1), ("key space", 1), ("key 5", 1),
                              ("click 1", 1), ("click 3", 1), ("mousemove 1600 500", 0),  # records
                              ("mousemove 1600 500 sleep 0.2 mousemove 1700 600", 1)]:
            with self.subTest(command=command):
                saver, _ = self.show()
                self.xdotool(*command.split())
                self.assertEqual(xenv.ended(saver, 1.5 if ends else 0.7), bool(ends))
                saver.send_signal(signal.SIGINT)
                self.assertTrue(xenv.ended(saver, 5))
                self.assertEqual(saver.returncode, 0)
                self.assertEqual(self.run_helper("cursor").communicate()[0].strip(), "visible")

    def test_one_of_twenty_simultaneous_starts_runs(self):
        starts = [self.start("/s") for _ in range(20)]
        self.assertTrue(xenv.poll(lambda: sum(s.poll() is None for s in starts) == 1, 10))
        self.assertTrue(xenv.poll(lambda: self.xdotool("search", "--name", "Form1")))
        self.xdotool("key", "a")
        self.assertTrue(all(xenv.ended(s, 5) for s in starts))


CASES = [  # arguments and environment ({0}: the host's id), pen, how the host ends it
    (["/p", "{0}"], {}, 4, "destroy"),
    (["/p", "{0:#x}"], {}, 4, "destroy"),
    # As xscreensaver-settings starts a preview: the id on the command line wins.
    (["--root", "--window-id", "{0:#x}"], {"XSCREENSAVER_WINDOW": "0x1234"}, 4, "SIGTERM"),
    (["-root"], {"XSCREENSAVER_WINDOW": "{0}"}, 12, "destroy"),
]


class Hosted(xenv.Case):
    settings = (200, 100)

    def xwininfo(self, *args):
        return subprocess.run(["xwininfo", *map(str, args)], text=True,
                              env=xenv.env(self.state), capture_output=True).stdout

    def test_paints_its_host_follows_it_ignores_input_and_ends_with_it(self):
        for args, environment, pen, end in CASES:
            with self.subTest(args=args, environment=environment):
                preview = args[0] == "/p"
                if not preview:  # the single-instance rule does not apply: beside a preview
                    other = self.start("/p", str(self.host().id))
                host = self.host()  # made last, so on top
                process = self.start(*[a.format(host.id) for a in args],
                                     **{k: v.format(host.id) for k, v in environment.items()})
                self.assertTrue(self.painted(pen), "no %d px dots on a black host" % pen)
                for size in ("152x112", "300x200"):  # a child of the host, or the host itself
                    want = '"Form1": ()  %s+0+0' % size if preview else "0 children"
                    children = lambda: self.xwininfo("-children", "-id", host.id)  # noqa: E731
                    self.assertTrue(xenv.poll(lambda: want in children()), size)
                    self.xdotool("mousemove", 1150, 150, "click", 1, "key", "a",
                                 "mousemove", 1200, 160, "windowsize", host.id, 300, 200)
                self.assertIsNone(process.poll(), "input ended it")
                if not preview:
                    self.assertIsNone(other.poll())
                    other.kill()  # frees the lock for the next case
                    other.wait()
                if end == "SIGTERM":
                    process.send_signal(signal.SIGTERM)
                else:
                    self.xdotool("windowclose", host.id)
                self.assertTrue(xenv.ended(process, 1.5))
                self.assertEqual(process.returncode, 0)

    def test_an_id_that_names_no_window_ends_it_at_once(self):
        root = self.xwininfo("-root").split("Window id: ")[1].split()[0]
        for args in (["/p", "0"], ["/p", "123456789"], ["/p:1234"], ["/p"], ["/p", "0x7fffff0"],
                     ["/p", root], ["--window-id", "123456789"], ["--window-id", "zz"],
                     ["-window-id"]):
            with self.subTest(args=args):
                process = self.start(*args)
                self.assertTrue(xenv.ended(process, 2))
                self.assertEqual(process.returncode, 0)
                self.assertEqual(self.xdotool("search", "--name", "^Form1$"), "")


if __name__ == "__main__":
    unittest.main()
