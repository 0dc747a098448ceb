"""lumeck /s on the desktops' own compositors from Debian, each nested in an Xvfb: mutter (GNOME)
and weston, which offer no layer shell, and KWin (KDE), which does; and on mutter's Xwayland,
where an X11 saver cannot hold the keyboard. A window has the keyboard before each start: the
saver covers it, and the keys that end the saver never reach it."""

import os
import tempfile
import unittest

from glimratest import compositors
from glimratest.processes import Started, call, run
from glimratest.waiting import wait_for

LUMECK = os.environ["GLIMRA_LUMECK"]


class OnDesktop:
    """The cases every desktop shares; compositor: its name in compositors.COMMANDS, role: a
    request of the surface role that the saver takes there, as WAYLAND_DEBUG shows it."""

    @classmethod
    def setUpClass(cls):
        cls.desktop = compositors.Nested(cls.compositor)
        cls.addClassCleanup(cls.desktop.stop)

    def shown(self):
        process = Started([LUMECK, "/s"], dict(self.desktop.env, WAYLAND_DEBUG="client"))
        self.addCleanup(process.end)
        self.desktop.wait_for(self.desktop.covered, "the saver over the whole output", process)
        return process

    def assert_ended_by(self, process, case):
        self.assertEqual(process.exit_status(10), 0, f"exit status after {case}")
        self.assertIn(self.role, process.error_output(), "the saver's surface role")

    def test_it_covers_the_focused_window_and_a_key_that_does_not_reach_it_ends_it_shift_not(self):
        process = self.shown()
        keys = self.desktop.keys_logged()
        self.desktop.xdotool("key", "shift")
        for _ in range(2):  # dots drawn after Shift, by when the saver has read it
            before = self.desktop.picture()
            drawn = lambda: self.desktop.picture() != before  # noqa: E731
            self.desktop.wait_for(drawn, "a new dot after Shift", process)
        self.desktop.xdotool("key", "a")
        self.assert_ended_by(process, "a key")
        self.assertEqual(self.desktop.keys_logged(), keys, "keys that reached the covered window")


class Weston(OnDesktop, unittest.TestCase):
    compositor, role = "weston", ".set_fullscreen("


class KWin(OnDesktop, unittest.TestCase):
    compositor, role = "kwin", ".get_layer_surface("


class Mutter(OnDesktop, unittest.TestCase):
    compositor, role = "mutter", ".set_fullscreen("

    def test_a_click_a_real_move_and_an_alt_tab_to_the_covered_window_end_it(self):
        cases = {
            "a click": "click 1",
            "a real move": "mousemove 500 350 mousemove 600 400",  # the first one records
            "an Alt+Tab": "keydown alt key Tab keyup alt",
        }
        for case, action in cases.items():
            with self.subTest(case):
                process = self.shown()
                self.desktop.xdotool(*action.split())
                self.assert_ended_by(process, case)
            process.end()  # the next case starts alone, whatever this one showed

    def test_under_its_xwayland_the_x11_saver_says_so_and_maps_nothing(self):
        env = self.desktop.xwayland_env()
        events = tempfile.NamedTemporaryFile()
        command = ["xev", "-root", "-event", "substructure", "-event", "property"]
        self.addCleanup(Started(command, env, stdout=events).end)

        def mark(name):  # set till xev shows it, and so all that came before it
            set_mark = ["xprop", "-root", "-f", name, "8s", "-set", name, "1"]
            seen = lambda: run(set_mark, env) or f"({name})" in open(events.name).read()  # noqa
            wait_for(seen, f"xev to show {name}")

        mark("GLIMRA_BEFORE")
        done = call([LUMECK, "/s"], env, timeout=10)
        mark("GLIMRA_AFTER")
        self.assertEqual(done.returncode, 1, "exit status under Xwayland")
        self.assertRegex(done.stderr, r"^lumeck: [^\n]+\n$")
        self.assertNotIn("MapNotify", open(events.name).read(), "windows mapped")


if __name__ == "__main__":
    unittest.main()
