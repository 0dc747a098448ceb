"""lumeck "/s" as a Wayland client of a real compositor (headless sway, two outputs): what
it covers and paints, the input that ends it, and how it ends otherwise."""
import os
import signal
import subprocess
import time
import unittest

import compositor
from compositor import poll

LUMECK = os.environ["GLIMRA_LUMECK"]
OUTPUTS = (compositor.FIRST, "HEADLESS-2")
ORIGIN = {compositor.FIRST: 0, "HEADLESS-2": 1024}  # the second is 1920x1080, on the right
LAYOUT = ("2944", "1080")
POINTS = 10


class Saver(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sway = compositor.Sway()
        cls.sway.swaymsg("create_output")
        settings = cls.sway.env["XDG_CONFIG_HOME"] + "/Vestrel/settings.ini"
        os.makedirs(os.path.dirname(settings))
        with open(settings, "w") as out:
            out.write("[config]\nNumberofPoint=%d\nspeed=100\n" % POINTS)

    @classmethod
    def tearDownClass(cls):
        cls.sway.stop()

    def start(self, *args, **env):
        command = [LUMECK, *args]
        process = subprocess.Popen(command, env=dict(self.sway.env, **env), stderr=subprocess.PIPE)
        self.addCleanup(process.stderr.close)
        self.addCleanup(lambda: process.poll() is None and process.kill() or process.wait())
        return process

    def covered(self):
        """The output that the saver covers (black but for its dots), or None."""
        black = {name: compositor.blobs(self.sway.picture(name))[1] for name in OUTPUTS}
        return next((name for name in OUTPUTS if black[name] > 0.9 * 1024 * 768), None)

    def shown(self):
        process = self.start("/s")
        self.assertTrue(poll(self.covered), "no output turned black")
        return process

    def still_runs(self, process):
        time.sleep(0.5)  # what would end it has been handled by then
        return process.poll() is None

    def assert_ends(self, process, cause):
        self.assertEqual(poll(lambda: process.poll() is not None, 5) and process.returncode, 0)
        self.assertEqual(process.stderr.read(), b"", cause)

    def test_one_output_black_with_round_dots_of_the_scaled_pen(self):
        for scale, pen in ((1, 12), (2, 24)):
            with self.subTest(scale=scale):
                self.sway.swaymsg("output * scale %d" % scale)
                process = self.shown()
                other = OUTPUTS[1 - OUTPUTS.index(self.covered())]
                whole = []
                for _ in range(6):
                    dots, black = compositor.blobs(self.sway.picture(self.covered()))
                    self.assertLessEqual(len(dots), POINTS)
                    whole += [count for size, count in dots if size == "%dx%d" % (pen, pen)]
                    untouched = self.sway.picture(other)
                    self.assertEqual(compositor.colour_count(untouched), 1, "%s changed" % other)
                    time.sleep(0.25)
                # Discs, not squares: about pi / 4 of their box.
                self.assertTrue(whole, "no whole dot %d pixels wide" % pen)
                self.assertTrue(all(0.7 < count / pen**2 < 0.85 for count in whole), whole)
                process.terminate()
                self.assert_ends(process, "SIGTERM")
        self.sway.swaymsg("output * scale 1")

    def test_input_that_ends_it_and_input_that_does_not(self):
        # (input, what must not end the saver, then what must); moves and clicks through a
        # virtual pointer, keys through wtype, whose keyboard is new to the seat each time:
        # the saver needs a moment to take it.
        cases = [
            ("a character key", "key -k Shift_L", "key a"),
            ("a click", "move 400 300", "click 400 300"),
            ("a real move", "move 300 200", "move 600 400"),
        ]
        for name, harmless, ending in cases:
            with self.subTest(name):
                process = self.shown()
                pointer = subprocess.Popen(
                    [os.environ["GLIMRA_VIRTUAL_POINTER"], *LAYOUT],
                    env=self.sway.env,
                    stdin=subprocess.PIPE,
                    stdout=subprocess.PIPE,
                    text=True,
                )
                left = ORIGIN[self.covered()]
                for step in (harmless, ending):
                    action, *where = step.split()
                    if action == "key":
                        compositor.run(["wtype", "-s", "300", *where], self.sway.env)
                    else:
                        pointer.stdin.write("%s %d %s\n" % (action, left + int(where[0]), where[1]))
                        pointer.stdin.flush()
                        self.assertEqual(pointer.stdout.readline(), "ok\n", step)
                    if step == harmless:
                        self.assertTrue(self.still_runs(process), "ended before " + name)
                self.assert_ends(process, name)
                pointer.communicate()

    def test_a_second_start_ends_at_once(self):
        first = self.shown()
        self.assertEqual(self.start("/s").wait(5), 0)
        self.assertTrue(self.still_runs(first))

    def test_the_compositor_going_away_ends_it(self):
        own = compositor.Sway()
        process = subprocess.Popen([LUMECK, "/s"], env=own.env, stderr=subprocess.PIPE)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        self.assertTrue(poll(lambda: compositor.blobs(own.picture(compositor.FIRST))[1] > 0))
        own.stop()
        self.assert_ends(process, "the compositor gone")

    def test_swayidle_starts_it_and_its_later_timeouts_still_fire(self):
        marker, saver_pid = self.sway.folder + "/marker", self.sway.folder + "/saver.pid"
        saver = "echo $$ >%s; exec %s /s" % (saver_pid, LUMECK)
        idle = ["swayidle", "timeout", "1", saver, "timeout", "3", "touch " + marker]
        idle = subprocess.Popen(idle, env=self.sway.env, stderr=subprocess.DEVNULL)
        self.addCleanup(idle.wait, 5)
        self.addCleanup(idle.terminate)
        started = time.monotonic()
        self.assertTrue(poll(self.covered), "swayidle did not show the saver")
        self.assertGreater(time.monotonic() - started, 0.9)
        self.assertTrue(poll(lambda: os.path.exists(marker)), "the later timeout did not fire")
        self.assertTrue(self.covered(), "the saver ended before the later timeout")
        os.kill(int(open(saver_pid).read()), signal.SIGTERM)
        self.assertTrue(poll(lambda: not self.covered()), "the saver outlived SIGTERM")

    def test_without_a_display(self):
        # (arguments, environment, exit status, what stderr says)
        cases = [
            (["/s"], {"WAYLAND_DISPLAY": ""}, 1, b"lumeck: no display"),
            (["/s"], {"WAYLAND_DISPLAY": "wayland-none"}, 1, b"lumeck: no display"),
            (["/p", "12345"], {}, 0, b""),
        ]
        for args, env, status, said in cases:
            with self.subTest(args=args, env=env):
                process = self.start(*args, **env)
                self.assertEqual(process.wait(5), status)
                lines = process.stderr.read().splitlines()
                self.assertEqual([line[: len(said)] for line in lines], [said] if said else [])
                self.assertIsNone(self.covered())


if __name__ == "__main__":
    unittest.main()
