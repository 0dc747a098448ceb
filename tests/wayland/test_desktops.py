"""lumeck /s on the desktops' own compositors from Debian, each nested in an Xvfb: mutter (GNOME)
and weston, with no layer shell, and KWin (KDE), with it; and on mutter's Xwayland, where an X11
saver cannot hold the keyboard. The saver covers a window that has the keyboard, and the input
that ends it never reaches that window."""

import os
import pathlib
import tempfile
import unittest

from glimratest import compositors
from glimratest.processes import Started, call, run
from glimratest.waiting import wait_for

LUMECK = os.environ["GLIMRA_LUMECK"]


class OnDesktop:
    """compositor: a name in compositors.COMMANDS; role: a request of the saver's surface role
    there, as WAYLAND_DEBUG shows it; cases: the xdotool actions that end the saver."""

    cases = {"a key": "key a"}

    @classmethod
    def setUpClass(cls):
        cls.desktop = compositors.Nested(cls.compositor, cls.addClassCleanup)

    def test_it_covers_the_window_with_the_keyboard_shift_does_not_end_it_each_case_does(self):
        for case, action in self.cases.items():
            with self.subTest(case):
                process = Started([LUMECK, "/s"], dict(self.desktop.env, WAYLAND_DEBUG="client"))
                self.addCleanup(process.end)
                self.desktop.wait_for(self.desktop.covered, "the saver over the output", process)
                keys = self.desktop.keys_logged()
                self.desktop.xdotool("key", "shift")
                for _ in range(2):  # dots drawn after Shift, by when the saver has read it
                    before = self.desktop.picture()
                    drawn = lambda: self.desktop.picture() != before  # noqa: E731
                    self.desktop.wait_for(drawn, "a new dot after Shift", process)
                self.desktop.xdotool(*action.split())
                self.assertEqual(process.exit_status(10), 0, f"exit status after {case}")
                said = process.error_output()
                self.assertIn(self.role, said, "the saver's surface role")
                self.assertRegex(said, r"\.set_cursor\(\d+, nil,", "the pointer hidden")
                self.assertEqual(self.desktop.keys_logged(), keys, "keys the window got")
            process.end()  # the next case starts alone, whatever this one showed


class Weston(OnDesktop, unittest.TestCase):
    compositor, role = "weston", ".set_fullscreen("


class KWin(OnDesktop, unittest.TestCase):
    compositor, role = "kwin", ".get_layer_surface("


class Mutter(OnDesktop, unittest.TestCase):
    compositor, role = "mutter", ".set_fullscreen("
    cases = {
        **OnDesktop.cases,
        "a click": "click 1",
        "a real move": "mousemove 500 350 mousemove 600 400",  # the first one records
        "an Alt+Tab to the window": "keydown alt key Tab keyup alt",
    }

    def test_under_its_xwayland_the_x11_saver_says_so_and_maps_nothing(self):
        env = self.desktop.xwayland_env()
        events = tempfile.NamedTemporaryFile()
        command = ["xev", "-root", "-event", "substructure", "-event", "property"]
        self.addCleanup(Started(command, env, stdout=events).end)
        xev_output = lambda: pathlib.Path(events.name).read_text()  # noqa: E731

        def mark(name):  # set till xev shows it, and so all that came before it
            set_mark = ["xprop", "-root", "-f", name, "8s", "-set", name, "1"]
            seen = lambda: run(set_mark, env) or f"({name})" in xev_output()  # noqa
            wait_for(seen, f"xev to show {name}")

        mark("GLIMRA_BEFORE")
        done = call([LUMECK, "/s"], env, timeout=10)
        mark("GLIMRA_AFTER")
        self.assertEqual(done.returncode, 1, "exit status under Xwayland")
        self.assertRegex(done.stderr, r"^lumeck: [^\n]+\n$")
        self.assertNotIn("MapNotify", xev_output(), "windows mapped")


if __name__ == "__main__":
    unittest.main()
