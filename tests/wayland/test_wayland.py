"""lumeck on a headless sway with two outputs and no X server: the saver, the input that ends it,
swayidle starting it, and the dialog read through AT-SPI (Debian's pyatspi)."""

import json
import os
import signal
import subprocess
import time
import unittest

from glimratest import session
from glimratest.pictures import Rect, blobs_of, colours
from glimratest.processes import Started, run
from glimratest.waiting import wait_for
from glimratest.wayland import Sway

LUMECK = os.environ["GLIMRA_LUMECK"]
OUTPUTS = {"HEADLESS-1": 0, "HEADLESS-2": 1024}  # each one's left edge in the layout
LAYOUT = ["2944", "1080"]  # the second output is 1920x1080
POINTS = 10


def setUpModule():
    unittest.addModuleCleanup(session.start_session().end)


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
        return next((output for output in OUTPUTS if colours(self.sway.picture(output)) > 1), None)

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

    def test_what_ends_it_and_what_does_not(self):
        # (case, what must not end it, what must); the virtual pointer takes moves and clicks on
        # the covered output; wtype's keyboard is new to the seat and takes a moment to be read
        cases = [
            ("a character key", "wtype -s 300 -k Shift_L", "wtype -s 300 a"),
            ("a click", "pointer move 400 300", "pointer click 400 300"),
            ("a real move", "pointer move 300 200", "pointer move 600 400"),
            ("SIGTERM", f"timeout 10 {LUMECK} /s", "kill -TERM {pid}"),  # a second start
        ]
        for case, harmless, ending in cases:
            with self.subTest(case):
                process = self.shown()
                output = self.covered()
                pipes = dict(stdin=subprocess.PIPE, stdout=subprocess.PIPE)
                pointer = self.start(os.environ["GLIMRA_VIRTUAL_POINTER"], *LAYOUT, **pipes)
                for step in (harmless, ending):
                    program, *args = step.format(pid=process.pid).split()
                    if program == "pointer":
                        action, x, y = args
                        pointer.stdin.write(f"{action} {OUTPUTS[output] + int(x)} {y}\n".encode())
                        pointer.stdin.flush()
                        self.assertEqual(pointer.stdout.readline(), b"ok\n", step)
                    else:
                        run([program, *args], self.sway.env)
                    if step == harmless:
                        self.assertTrue(self.still_runs(process, output), f"ended by {step}")
                self.assertEqual(process.exit_status(10), 0, f"exit status after {case}")
                self.assertEqual(process.error_output(), "", f"stderr after {case}")
                pointer.end()  # the next saver's first motion comes from a new pointer

    def test_one_output_black_with_round_dots_of_the_scaled_pen_the_other_untouched(self):
        self.addCleanup(self.sway.swaymsg, "output", "*", "scale", "1")
        for scale, pen in ((1, 12), (2, 24)):
            with self.subTest(scale=scale):
                self.sway.swaymsg("output", "*", "scale", str(scale))
                process = self.shown()
                output = self.covered()
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
                process.end()

    def test_swayidle_shows_it_after_a_second_and_its_later_timeout_still_fires(self):
        marker, saver_pid = self.sway.folder + "/marker", self.sway.folder + "/saver.pid"
        saver = f"echo $$ >{saver_pid}; exec {LUMECK} /s"
        self.start("swayidle", "timeout", "1", saver, "timeout", "3", "touch " + marker)
        started = time.monotonic()
        wait_for(self.covered, "the saver started by swayidle")
        self.assertGreater(time.monotonic() - started, 0.9)
        wait_for(lambda: os.path.exists(marker), "the later timeout's marker")
        self.assertTrue(self.covered(), "the saver ended before the later timeout")
        with open(saver_pid) as pid:
            os.kill(int(pid.read()), signal.SIGTERM)
        wait_for(lambda: not self.covered(), "the saver to end on SIGTERM")

    def test_without_a_display_it_says_so_and_ends(self):
        process = self.start(LUMECK, "/s", env={"WAYLAND_DISPLAY": ""})
        self.assertEqual(process.exit_status(10), 1, "exit status")
        self.assertRegex(process.error_output(), r"^lumeck: no display[^\n]*\n$")

    def test_the_dialogs_controls_where_laid_out_and_its_logo_drawn_at_scale_1_and_2(self):
        self.addCleanup(self.sway.swaymsg, "output", "*", "scale", "1")
        rows = run([os.environ["GLIMRA_LAYOUT_TABLE"], 96]).splitlines()
        places = {row["name"]: row for row in map(json.loads, rows)}  # logical pixels
        client = places.pop("client")
        logo = Rect(*(places["Image1"][side] for side in ("left", "top", "right", "bottom")))
        for scale in (1, 2):
            with self.subTest(scale=scale):
                self.sway.swaymsg("output", "*", "scale", str(scale))
                process = self.start(LUMECK)
                window = session.window_of(process, "frame", "配置")
                size = (client["right"] - client["left"], client["bottom"] - client["top"])
                # A window can be read while the compositor still configures it.
                wait_for(lambda: session.extents(window)[2:], "the client area", done=size.__eq__)
                left, top = session.extents(window)[:2]
                controls = {node.accessibleId: node for node in session.descendants(window)}
                for name, place in places.items():
                    x, y, width, height = session.extents(controls[name])
                    self.assertEqual((x - left, y - top), (place["left"], place["top"]), name)
                    if place["kind"] == "label":  # a label fits its caption, never less
                        width = min(width, place["right"] - place["left"])
                    self.assertEqual(width, place["right"] - place["left"], f"{name}'s width")

                # Moved to the layout's corner, the logo is where the layout puts it.
                self.sway.swaymsg(f"[pid={process.pid}]", "move", "absolute", "position", "0", "0")
                area = f"{logo.left},{logo.top} {logo.width}x{logo.height}"
                drawn = lambda: colours(self.sway.picture(area=area))
                wait_for(drawn, "the logo drawn", done=lambda count: count > 4)
                process.end()


if __name__ == "__main__":
    unittest.main()
