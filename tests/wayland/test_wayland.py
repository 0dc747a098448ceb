"""lumeck on a headless sway with two outputs and no X server: the saver over both, the input that
ends it, swayidle starting it, outputs or the compositor going away, and the dialog and its boxes
read through AT-SPI (Debian's pyatspi) and driven by a virtual pointer; on a fake compositor, what
sway cannot make happen."""

import os
import re
import resource
import shlex
import signal
import subprocess
import tempfile
import unittest

from glimratest import product, session
from glimratest.pictures import blobs_of, colours, runs_after_two_draws, shows
from glimratest.processes import Started, libraries_of, run
from glimratest.waiting import wait_for
from glimratest.wayland import BACKGROUND, FakeCompositor, Sway

LUMECK = os.environ["GLIMRA_LUMECK"]
OUTPUTS = ["HEADLESS-1", "HEADLESS-2"]  # side by side, the second one's left edge at 1024
POINTS = 10


def setUpModule():
    unittest.addModuleCleanup(session.start_session().end)


class VirtualPointer(Started):
    """A pointer that the seat has while it runs; it moves or clicks at a point of the layout."""

    def __init__(self, env, layout=(2944, 1080)):
        command = [os.environ["GLIMRA_VIRTUAL_POINTER"], *layout]
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
        settings = product.settings_file(cls.sway.env["XDG_CONFIG_HOME"])
        settings.write_text(product.settings_text(POINTS, 100))

    def start(self, *command, env=None, **options):
        process = Started(command, env=dict(self.sway.env, **(env or {})), **options)
        self.addCleanup(process.end)
        return process

    def covered(self):
        """Whether the saver covers every output, none of the background left on them."""
        return not shows(self.sway.picture(), BACKGROUND)

    def shown(self, env=None):
        process = self.start(LUMECK, "/s", env=env)
        wait_for(self.covered, "every output covered by the saver")
        return process

    def assert_ends_cleanly(self, process, case):
        self.assertEqual(process.exit_status(10), 0, f"exit status after {case}")
        self.assertEqual(process.error_output(), "", f"stderr after {case}")

    def test_what_ends_it_and_what_does_not(self):
        # (case, what must not end it, what must), the pointer at points of the layout; the move
        # goes to the same point of the other output; wtype's keyboard is new to the seat and
        # takes a moment to be read
        cases = [
            ("a character key", "wtype -s 300 -k Shift_L -k Delete", "wtype -s 300 a"),
            ("a click", "pointer move 400 300", "pointer click 400 300"),
            ("a real move", "pointer move 300 200", "pointer move 1324 200"),
            ("SIGTERM", f"timeout 10 {LUMECK} /s", "kill -TERM {pid}"),  # a second start
        ]
        for case, harmless, ending in cases:
            process = self.shown()
            pointer = VirtualPointer(self.sway.env)  # the saver's first motion is its own
            self.addCleanup(pointer.end)
            with self.subTest(case):
                for step in (harmless, ending):
                    program, *args = step.format(pid=process.pid).split()
                    if program == "pointer":
                        action, x, y = args
                        pointer.do(action, x, y)
                    else:
                        run([program, *args], self.sway.env)
                    if step == harmless:
                        drawn = runs_after_two_draws(process.running, self.sway.picture)
                        self.assertTrue(drawn, f"ended by {step}")
                self.assert_ends_cleanly(process, case)
            process.end()  # the next case starts alone, whatever this one showed
            pointer.end()

    def test_an_output_added_is_covered_and_only_the_last_one_going_ends_it(self):
        # sway 1.7 cannot take a headless output away; a nested sway's output goes with its window
        nested = Sway(inside=self.sway)
        self.addCleanup(nested.stop)
        process = self.start(LUMECK, "/s", env=nested.env)
        nested.swaymsg("create_output")
        for output in ("WL-1", "WL-2", "WL-3"):
            wait_for(lambda: colours(nested.picture(output)) > 1, f"dots on {output}")
        for output in ("WL-1", "WL-2"):
            self.sway.swaymsg(f'[title="wlroots - {output}"]', "kill")
            drawn = runs_after_two_draws(process.running, lambda: nested.picture("WL-3"))
            self.assertTrue(drawn, f"ended when {output} went")
        self.sway.swaymsg('[title="wlroots - WL-3"]', "kill")
        self.assert_ends_cleanly(process, "the last output went")

    def test_it_releases_a_keyboard_that_goes_and_follows_a_new_scale(self):
        self.addCleanup(self.sway.swaymsg, "output", "HEADLESS-2", "scale", "1")
        process = self.shown(env={"WAYLAND_DEBUG": "client"})
        said = lambda pattern: lambda: re.search(pattern, process.error_output())  # noqa: E731
        run(["wtype", "-k", "Shift_L"], self.sway.env)  # a keyboard that comes and goes
        wait_for(said(r"wl_keyboard@\d+\.release\(\)"), "the keyboard released")
        self.sway.swaymsg("output", "HEADLESS-2", "scale", "2")
        wait_for(said(r"set_buffer_scale\(2\)"), "new buffers at scale 2")

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

    def test_it_maps_only_wayland_and_a_run_time_error_leaves_a_box_on_top(self):
        own = Sway()  # one output of 1024 x 768
        self.addCleanup(own.stop)

        def limit_files():  # no buffers over 8 MB: those of a larger mode
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (8 << 20, 8 << 20))

        process = self.start(LUMECK, "/s", env=own.env, preexec_fn=limit_files)
        wait_for(lambda: colours(own.picture()) > 1, "the saver on its own sway")
        mapped = libraries_of(process.pid, "lumeck-", "libxcb", "libX11", "libgtk")
        self.assertEqual(mapped, {"lumeck-wayland.so"}, "the modules and libraries mapped")
        own.swaymsg("output", "HEADLESS-1", "mode", "1600x1200")
        box = session.window_of(process, "alert", "Lumeck")
        [ok] = [node for node in session.descendants(box) if node.getRoleName() == "push button"]
        # sway puts the box at 0,0; AT-SPI's places are its window's, the shadow's 10 pixels in
        left, top, width, height = session.extents(ok)
        pointer = VirtualPointer(own.env, (1600, 1200))
        self.addCleanup(pointer.end)
        for action in ("move", "click"):  # under the saver, the box would never see them
            pointer.do(action, left + width // 2, top + height // 2)
        self.assertEqual(process.exit_status(10), 7, "the exit status after the box")
        self.assertRegex(process.error_output(), r"^lumeck: run-time error 7: ", "stderr")

    def test_black_with_round_dots_of_the_pen_times_each_outputs_scale(self):
        self.addCleanup(self.sway.swaymsg, "output", "HEADLESS-2", "scale", "1")
        self.sway.swaymsg("output", "HEADLESS-2", "scale", "2")
        self.shown()
        pens = dict(zip(OUTPUTS, (12, 2 * 12)))  # the pen's 12 pixels at each output's scale
        whole_dots = {output: [] for output in OUTPUTS}

        def enough_whole_dots():
            standing = blobs_of(self.sway.picture(), 4)
            self.assertLessEqual(len(standing), POINTS, "dots standing at once on the outputs")
            for output, pen in pens.items():
                found = blobs_of(self.sway.picture(output), 4)
                whole_dots[output] += [dot for dot in found if dot.width == dot.height == pen]
            return all(len(dots) >= 5 for dots in whole_dots.values())

        wait_for(enough_whole_dots, "whole dots of the pen's width on each output")
        for output, dots in whole_dots.items():  # discs, not squares: about pi / 4 of their box
            for dot in dots:
                self.assertTrue(
                    0.7 < dot.pixels / dot.width**2 < 0.85, f"a dot on {output}: {dot}"
                )

    def test_the_readmes_swayidle_line_shows_it_and_its_later_timeout_still_fires(self):
        marker, saver_pid = self.sway.folder + "/marker", self.sway.folder + "/saver.pid"
        saver = f"echo $$ >{saver_pid}; exec {LUMECK} /s"
        readme = (product.ROOT / "README.md").read_text(encoding="utf-8")
        line = re.search(r"^exec (swayidle .*?[^\\])\n", readme, re.MULTILINE | re.DOTALL)[1]
        words = shlex.split(line.replace("\\\n", " "))  # as sway's config gives it to swayidle
        timeouts = [at for at, word in enumerate(words) if word == "timeout"]
        installed = words[timeouts[0] + 2]
        self.assertEqual(installed, "/usr/libexec/xscreensaver/lumeck /s", "the first timeout's")
        for at, seconds, command in zip(timeouts, ("1", "3"), (saver, "touch " + marker)):
            words[at + 1 : at + 3] = seconds, command  # shorter, the build's saver, a marker
        self.start(*words)
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
        places = product.layout(96)  # logical pixels
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


class OnAFakeCompositor(unittest.TestCase):
    def test_what_ends_it_where_sway_cannot_show_it(self):
        # (case, the shell it offers, whether it touches, the signal sent once the saver asks to
        # be shown, exit status, stderr); the compositor never configures nor gives the keyboard
        cases = [
            ("a compositor that never answers", None, False, None, 1, r"did not answer within 2 s"),
            ("SIGTERM before the first configure", "zwlr_layer_shell_v1", False, "TERM", 0, "^$"),
            ("the keyboard held elsewhere", "zwlr_layer_shell_v1", False, None, 1, r"within 5 s"),
            ("a toplevel without focus", "xdg_wm_base", False, None, 1, r"within 2 s"),
            ("a touch", "zwlr_layer_shell_v1", True, None, 0, "^$"),
        ]
        for case, shell, touch, signal_name, status, said in cases:
            with self.subTest(case), tempfile.TemporaryDirectory() as folder:
                fake = FakeCompositor(folder, shell, touch)
                env = dict(os.environ, XDG_RUNTIME_DIR=folder, WAYLAND_DISPLAY="fake-0")
                env.update(XDG_CONFIG_HOME=folder)
                env.pop("DISPLAY", None)
                process = Started([LUMECK, "/s"], env=env)
                self.addCleanup(process.end)
                if signal_name:
                    wait_for(fake.committed.is_set, "the saver asking to be shown")
                    process.send_signal(getattr(signal, "SIG" + signal_name))
                self.assertEqual(process.exit_status(15), status, f"exit status after {case}")
                self.assertRegex(process.error_output(), said, f"stderr after {case}")


if __name__ == "__main__":
    unittest.main()
