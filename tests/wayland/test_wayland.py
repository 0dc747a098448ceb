"""lumeck "/s" as a Wayland client of a real compositor (headless sway, two outputs): what
it covers and paints, the input that ends it, and how it ends otherwise."""
import json
import os
import signal
import subprocess
import time
import unittest

import compositor
from compositor import poll

LUMECK = os.environ["GLIMRA_LUMECK"]
SECOND = "HEADLESS-2"
POINTS = 10


class Saver(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sway = compositor.Sway()
        cls.sway.swaymsg("create_output")
        os.makedirs(cls.sway.env["XDG_CONFIG_HOME"] + "/Vestrel")
        with open(cls.sway.env["XDG_CONFIG_HOME"] + "/Vestrel/settings.ini", "w") as out:
            out.write("[config]\nNumberofPoint=%d\nspeed=100\n" % POINTS)

    @classmethod
    def tearDownClass(cls):
        cls.sway.stop()

    def start(self, *args, **env):
        process = subprocess.Popen(
            [LUMECK, *args], env=dict(self.sway.env, **env), stderr=subprocess.PIPE, text=True
        )
        self.addCleanup(lambda: process.poll() is None and process.kill())
        self.addCleanup(process.stderr.close)
        return process

    def covered(self):
        """The output that the saver covers (black but for its dots), or None."""
        for output in (compositor.FIRST, SECOND):
            dots, black = compositor.blobs(self.sway.picture(output))
            if black > 0.9 * 1024 * 768:
                return output
        return None

    def shown(self, *args, **env):
        process = self.start("/s", *args, **env)
        self.assertTrue(poll(self.covered), "no output turned black")
        return process

    def still_runs(self, process):
        time.sleep(0.5)  # what would end it has been handled by then
        return process.poll() is None

    def ends(self, process):
        return poll(lambda: process.poll() is not None, 5)

    def test_one_output_black_with_round_dots_of_the_scaled_pen(self):
        for scale, width in ((1, 12), (2, 24)):
            with self.subTest(scale=scale):
                self.sway.swaymsg("output * scale %d" % scale)
                self.addCleanup(self.sway.swaymsg, "output * scale 1")
                process = self.shown()
                output = self.covered()
                other = SECOND if output == compositor.FIRST else compositor.FIRST
                whole = []
                for _ in range(8):
                    dots, black = compositor.blobs(self.sway.picture(output))
                    self.assertLessEqual(len(dots), POINTS)
                    whole += [count for size, count in dots if size == "%dx%d" % (width, width)]
                    self.assertEqual(compositor.colours(self.sway.picture(other)), ["#FF00FF"])
                    time.sleep(0.25)
                self.assertTrue(whole, "no whole dot %d pixels wide" % width)
                # A disc, not a square: about pi / 4 of its box.
                self.assertTrue(all(0.7 < count / width**2 < 0.85 for count in whole), whole)
                process.terminate()
                self.assertEqual(process.wait(5), 0)

    def pointer(self):
        """A virtual pointer; its moves are in the covered output's coordinates."""
        outputs = json.loads(self.sway.swaymsg("-t", "get_outputs", "-r"))
        rects = {output["name"]: output["rect"] for output in outputs}
        layout = [
            max(rect["x"] + rect["width"] for rect in rects.values()),
            max(rect["y"] + rect["height"] for rect in rects.values()),
        ]
        covered = rects[self.covered()]
        client = subprocess.Popen(
            [os.environ["GLIMRA_VIRTUAL_POINTER"], *map(str, layout)],
            env=self.sway.env,
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            text=True,
        )
        self.addCleanup(client.wait, 5)
        self.addCleanup(client.stdin.close)

        def send(command, x=0, y=0):
            client.stdin.write("%s %d %d\n" % (command, covered["x"] + x, covered["y"] + y))
            client.stdin.flush()
            self.assertEqual(client.stdout.readline().strip(), "ok", command)

        return send

    def test_input_that_ends_it_and_input_that_does_not(self):
        # (what the user does, what must not end the saver, then what must)
        cases = [
            # wtype's keyboard is new to the seat: the saver needs a moment to take it
            (
                "a character key",
                lambda send: self.sway.wtype("-s", "300", "-k", "Shift_L"),
                lambda send: self.sway.wtype("-s", "300", "a"),
            ),
            ("a click", lambda send: send("move", 400, 300), lambda send: send("click")),
            (
                "a real move",
                lambda send: send("move", 300, 200),
                lambda send: send("move", 600, 400),
            ),
        ]
        for name, harmless, ending in cases:
            with self.subTest(name):
                process = self.shown()
                send = self.pointer()
                harmless(send)
                self.assertTrue(self.still_runs(process), "ended before " + name)
                ending(send)
                self.assertTrue(self.ends(process), "not ended by " + name)
                self.assertEqual(process.returncode, 0)
            if process.poll() is None:
                process.kill()
                process.wait()

    def test_a_second_start_ends_at_once_and_sigterm_ends_the_first(self):
        first = self.shown()
        second = self.start("/s")
        self.assertEqual(second.wait(5), 0)
        self.assertTrue(self.still_runs(first))
        first.send_signal(signal.SIGTERM)
        self.assertEqual(first.wait(5), 0)

    def test_the_compositor_going_away_ends_it(self):
        own = compositor.Sway()
        process = subprocess.Popen([LUMECK, "/s"], env=own.env, stderr=subprocess.PIPE, text=True)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        self.assertTrue(poll(lambda: compositor.blobs(own.picture(compositor.FIRST))[1] > 0))
        own.stop()
        self.assertEqual(process.wait(5), 0)
        self.assertEqual(process.communicate()[1], "")

    def test_swayidle_starts_it_and_its_later_timeouts_still_fire(self):
        marker = self.sway.folder + "/marker"
        saver_pid = self.sway.folder + "/saver.pid"
        idle = subprocess.Popen(
            [
                "swayidle",
                "timeout",
                "1",
                "echo $$ >%s; exec %s /s" % (saver_pid, LUMECK),
                "timeout",
                "3",
                "touch " + marker,
            ],
            env=self.sway.env,
        )
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
            (["/s"], {"WAYLAND_DISPLAY": ""}, 1, "lumeck: no display"),
            (["/s"], {"WAYLAND_DISPLAY": "wayland-none"}, 1, "lumeck: no display"),
            (["/p", "12345"], {}, 0, ""),
        ]
        for args, env, status, said in cases:
            with self.subTest(args=args, env=env):
                process = self.start(*args, **env)
                self.assertEqual(process.wait(5), status)
                lines = process.stderr.read().splitlines()
                self.assertEqual(len(lines), 1 if said else 0, lines)
                self.assertTrue(not said or lines[0].startswith(said), lines)
                self.assertIsNone(self.covered())


if __name__ == "__main__":
    unittest.main()
