"""lumeck inside another program's window: the preview "/p <id>" and the display mode of
X11 screen-saver hosts ("--root", "--window-id", XSCREENSAVER_WINDOW); ids naming no window."""
import signal
import subprocess
import unittest

import xenv

CASES = [  # arguments and environment ({0}: the host's id), pen, how the host ends it
    (["/p", "{0}"], {}, 4, "destroy"),
    (["/p", "{0:#x}"], {}, 4, "destroy"),
    # As xscreensaver-settings starts a preview: the id on the command line wins.
    (["--root", "--window-id", "{0:#x}"], {"XSCREENSAVER_WINDOW": "0x1234"}, 4, "SIGTERM"),
    (["-root"], {"XSCREENSAVER_WINDOW": "{0}"}, 12, "destroy"),
]


class Hosted(xenv.Case):
    settings = (200, 100)

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
                    children = [size + "+0+0 viewable"] if preview else []
                    self.assertTrue(xenv.poll(lambda: host.command("query") == children), size)
                    self.xdotool("mousemove", 1150, 150, "click", 1, "key", "a",
                                 "mousemove", 1200, 160)
                    host.command("resize 300 200")
                self.assertIsNone(process.poll(), "input ended it")
                if not preview:
                    self.assertIsNone(other.poll())
                    other.kill()  # frees the lock for the next case
                    other.wait()
                if end == "SIGTERM":
                    process.send_signal(signal.SIGTERM)
                else:
                    host.command("destroy")
                self.assertTrue(xenv.ended(process, 1.5))
                self.assertEqual(process.returncode, 0)

    def test_an_id_that_names_no_window_ends_it_at_once(self):
        root = subprocess.run(["xwininfo", "-root"], env=xenv.env(self.state), text=True,
                              capture_output=True).stdout.split("Window id: ")[1].split()[0]
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
