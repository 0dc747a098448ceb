"""lumeck on a headless sway with two outputs and no X server: the saver, the input that ends it,
swayidle starting it, its output or the compositor going away, and the dialog and its boxes read
through AT-SPI (Debian's pyatspi) and driven by a virtual pointer."""

import json
import os
import signal
import subprocess
import unittest

from glimratest import product, session
from glimratest.pictures import blobs_of, colours, shows
from glimratest.processes import Started, run
from glimratest.waiting import wait_for
from glimratest.wayland import BACKGROUND, Sway

LUMECK = os.environ["GLIMRA_LUMECK"]
OUTPUTS = {"HEADLESS-1": 0, "HEADLESS-2": 1024}  # each one's left edge in the layout
POINTS = 10


def setUpModule():
    unittest.addModuleCleanup(session.start_session().end)


class VirtualPointer(Started):
    """A pointer that the seat has while it runs; it moves or clicks at a point of the layout."""

    def __init__(self, env):
        command = [os.environ["GLIMRA_VIRTUAL_POINTER"], 2944, 1080]  # the layout's size
        super().__init__(command, env, stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def do(self, action, x, y):
        self.stdin.write(f"{action} {x} {y}\n".encode())
        self.stdin.flush()
        if self.stdout.readline() != b"ok\n":
            raise self.failure(f"did not {action} at {x},{y}")


class OnSway(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sway = Sway()
        cls.addClassCleanup(cls.sway.stop)
        cls.sway.swaymsg("create_output")
        os.makedirs(cls.sway.env["XDG_CONFIG_HOME"] + "/Vestrel")
        with open(cls.sway.env["XDG_CONFIG_HOME"] + "/Vestrel/settings.ini", "w") as settings:
            settings.write(f"[config]\nNumberofPoint={POINTS}\nspeed=100\n")

    def start(self, *command, env=None, **options):
        process = Started(command, env=dict(self.sway.env, **(env or {})), **options)
        self.addCleanup(process.end)
        return process

    def covered(self):
        """The output that the saver covers, none of the background left on it; or None."""
        covers = lambda output: not shows(self.sway.picture(output), BACKGROUND)  # noqa: E731
        return next(filter(covers, OUTPUTS), None)

    def shown(self):
        process = self.start(LUMECK, "/s")
        wait_for(self.covered, "an output covered by the saver")
        return process

    def still_runs(self, process, output):
        """Whether it runs once it has drawn twice more, by when it has read earlier input."""
        for _ in range(2):
            before = self.sway.picture(output)
            changed = lambda: not process.running() or self.sway.picture(output) != before
            wait_for(changed, f"a new dot on {output}")
        return process.running()

    def assert_ends_cleanly(self, process, case):
        self.assertEqual(process.exit_status(10), 0, f"exit status after {case}")
        self.assertEqual(process.error_output(), "", f"stderr after {case}")

    def test_what_ends_it_and_what_does_not(self):
        # (case, what must not end it, what must); the pointer acts on the covered output;
        # wtype's keyboard is new to the seat and takes a moment to be read
        cases = [
            ("a character key", "wtype -s 300 -k Shift_L", "wtype -s 300 a"),
            ("a click", "pointer move 400 300", "pointer click 400 300"),
            ("a real move", "pointer move 300 200", "pointer move 600 400"),
            ("SIGTERM", f"timeout 10 {LUMECK} /s", "kill -TERM {pid}"),  # a second start
        ]
        for case, harmless, ending in cases:
            process = self.shown()
            output = self.covered()
            pointer = VirtualPointer(self.sway.env)  # the saver's first motion is its own
            self.addCleanup(pointer.end)
            with self.subTest(case):
                for step in (harmless, ending):
                    program, *args = step.format(pid=process.pid).split()
                    if program == "pointer":
                        action, x, y = args
                        pointer.do(action, OUTPUTS[output] + int(x), y)
                    else:
                        run([program, *args], self.sway.env)
                    if step == harmless:
                        self.assertTrue(self.still_runs(process, output), f"ended by {step}")
                self.assert_ends_cleanly(process, case)
            process.end()  # the next case starts alone, whatever this one showed
            pointer.end()

    def test_the_output_it_covers_going_away_ends_it(self):
        # sway 1.7 cannot take a headless output away; a nested sway's output goes with its window
        nested = Sway(inside=self.sway)
        self.addCleanup(nested.stop)
        process = self.start(LUMECK, "/s", env=nested.env)
        drawn_on = lambda output: colours(nested.picture(output)) > 1
        output = wait_for(lambda: next(filter(drawn_on, ["WL-1", "WL-2"]), None), "its output")
        self.sway.swaymsg(f'[title="wlroots - {output}"]', "kill")
        self.assert_ends_cleanly(process, f"{output} went")

    def test_the_compositor_going_away_ends_it_and_without_one_it_says_so(self):
        own = Sway()
        self.addCleanup(own.stop)
        process = self.start(LUMECK, "/s", env=own.env)
        wait_for(lambda: colours(own.picture("HEADLESS-1")) > 1, "the saver on its own sway")
        own.process.end()
        self.assert_ends_cleanly(process, "the compositor went")
        alone = self.start(LUMECK, "/s", env=own.env)
        self.assertEqual(alone.exit_status(10), 1, "exit status without a compositor")
        self.assertRegex(alone.error_output(), r"^lumeck: no display[^\n]*\n$")

    def test_one_output_black_with_round_dots_of_the_pen_times_the_scale_the_other_untouched(self):
        self.addCleanup(self.sway.swaymsg, "output", "*", "scale", "1")
        self.sway.swaymsg("output", "*", "scale", "2")
        self.shown()
        output = self.covered()
        pen = 2 * 12  # the pen's 12 pixels at scale 2
        whole_dots = []

        def enough_whole_dots():
            found = blobs_of(self.sway.picture(output), 4)
            self.assertLessEqual(len(found), POINTS, "dots standing at once")
            whole_dots.extend(blob for blob in found if blob.width == blob.height == pen)
            return len(whole_dots) >= 10

        wait_for(enough_whole_dots, f"whole dots {pen} pixels wide")
        for dot in whole_dots:  # discs, not squares: about pi / 4 of their box
            self.assertTrue(0.7 < dot.pixels / pen**2 < 0.85, f"a dot's pixels: {dot}")
        (other,) = set(OUTPUTS) - {output}
        self.assertEqual(colours(self.sway.picture(other)), 1, f"colours on {other}")

    def test_swayidle_shows_it_and_its_later_timeout_still_fires(self):
        marker, saver_pid = self.sway.folder + "/marker", self.sway.folder + "/saver.pid"
        saver = f"echo $$ >{saver_pid}; exec {LUMECK} /s"
        self.start("swayidle", "timeout", "1", saver, "timeout", "3", "touch " + marker)
        wait_for(self.covered, "the saver started by swayidle")
        wait_for(lambda: os.path.exists(marker), "the later timeout's marker")
        self.assertTrue(self.covered(), "the saver ended before the later timeout")
        with open(saver_pid) as pid:
            os.kill(int(pid.read()), signal.SIGTERM)
        wait_for(lambda: not self.covered(), "the saver to end on SIGTERM")

    def box_texts(self, process, title):
        """The texts of a process's message box, closed then by its button."""
        box = session.window_of(process, "alert", title)
        nodes = session.descendants(box)
        texts = [node.name for node in nodes if node.getRoleName() == "label" and node.name]
        [button] = [node for node in nodes if node.getRoleName() == "push button"]
        button.queryAction().doAction(0)
        return texts

    def test_the_dialogs_logo_hand_tooltip_and_boxes_at_scale_1_and_2(self):
        self.addCleanup(self.sway.swaymsg, "output", "HEADLESS-1", "scale", "1")
        rows = run([os.environ["GLIMRA_LAYOUT_TABLE"], 96]).splitlines()
        places = {row["name"]: row for row in map(json.loads, rows)}  # logical pixels
        logo, ok = places["Image1"], places["Command3"]
        x, y = (logo["left"] + logo["right"]) // 2, (logo["top"] + logo["bottom"]) // 2
        areas = {  # "X,Y WxH" in the layout, where sway puts the dialog's client area at 0,0
            "the logo": f"{logo['left']},{logo['top']} 33x33",
            "the hand's palm": f"{x - 5},{y + 12} 2x8",  # the arrow has none left of its tip
            "the tooltip": f"{x - 10},{y + 32} 20x8",
        }
        statement = f"Glimra 屏幕保护程序由 {product.maker()['name']} 制作。"
        for scale in (1, 2):
            with self.subTest(scale=scale):
                self.sway.swaymsg("output", "HEADLESS-1", "scale", str(scale))  # the layout stays
                statement_box = self.start(LUMECK, "/v")
                self.assertEqual(self.box_texts(statement_box, "声明"), ["声明", statement])
                self.assertEqual(statement_box.exit_status(10), 0, "the statement's exit status")
                # Settings that not even root can write: OK shows the error box.
                process = self.start(LUMECK, env={"XDG_CONFIG_HOME": "/sys"})
                window = session.window_of(process, "frame", "配置")
                controls = {node.accessibleId: node for node in session.descendants(window)}
                tooltip = controls["Image1"].description
                self.assertEqual(tooltip, product.maker()["name"], "the logo's tooltip")
                drawn = lambda: colours(self.sway.picture(area=areas["the logo"]))
                wait_for(drawn, "the logo drawn", done=lambda count: count > 4)
                pointer = VirtualPointer(self.sway.env)
                self.addCleanup(pointer.end)
                pointer.do("move", 1500, 300)  # off the dialog
                bare = {what: self.sway.picture(area=area) for what, area in areas.items()}
                shows = lambda what: self.sway.picture(area=areas[what]) != bare[what]

                def hovered():  # a new pointer's first motion may come before GTK takes it
                    pointer.do("move", x, y)
                    return shows("the hand's palm")

                wait_for(hovered, "the hand over the logo")
                wait_for(lambda: shows("the tooltip"), "the tooltip under the pointer")
                pointer.do("click", ok["left"] + 10, ok["top"] + 10)
                texts = self.box_texts(process, "Lumeck")
                self.assertEqual(texts, ["Lumeck", "运行时错误 '70':", "拒绝的权限"], "the error box")
                self.assertEqual(process.exit_status(10), 70, "the exit status after the box")


if __name__ == "__main__":
    unittest.main()
