"""The full-screen saver "/s" on two heads, the primary one on the right."""
import os
import signal
import subprocess
import unittest

import xenv
from xenv import PRIMARY


class Saver(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.state = xenv.load_state()
        xenv.write_settings(cls.state, 10, 100)

    def start(self):
        xenv.xdotool(self.state, "mousemove", 1500, 400)
        saver = xenv.start(self.state, "/s")
        self.addCleanup(lambda: saver.poll() is None and saver.kill())
        window = xenv.poll(lambda: xenv.xdotool(self.state, "search", "--name", "^Form1$"))
        self.assertTrue(window, "no saver window")
        return saver, window

    def cursor(self):
        return subprocess.run([os.environ["GLIMRA_HOST_WINDOW"], "cursor"], env=xenv.env(
            self.state), capture_output=True, text=True).stdout.strip()

    def test_covers_the_primary_monitor_with_round_dots_up_to_the_count(self):
        saver, window = self.start()
        geometry = xenv.xdotool(self.state, "getwindowgeometry", window)
        self.assertIn("Position: 1024,0", geometry)
        self.assertIn("Geometry: 1024x768", geometry)
        self.assertEqual(self.cursor(), "hidden")
        isolated = 0
        for _ in range(8):  # 10 dots at 100 ms: a clear about every second
            shot = xenv.screenshot(self.state["display"])
            self.assertEqual(xenv.dots(shot, (0, 0, 1024, 768)), [], "left head painted")
            blobs = xenv.dots(shot, PRIMARY)
            self.assertLessEqual(len(blobs), 10)
            for (left, top, right, bottom), count in xenv.round_dots(blobs, 12):
                isolated += 1
                self.assertTrue(100 <= count <= 125, "not a round 12 px dot: %d" % count)
        self.assertGreater(isolated, 5)

    def test_input_that_ends_it(self):
        cases = [  # xdotool command, whether the saver ends
            (["key", "shift"], False), (["key", "Left"], False), (["key", "F5"], False),
            (["key", "a"], True), (["key", "Escape"], True), (["key", "Return"], True),
            (["key", "space"], True), (["key", "5"], True),
            (["click", "1"], True), (["click", "3"], True),
            (["mousemove", "1600", "500"], False),  # the first move only records
        ]
        for command, ends in cases:
            with self.subTest(command=command):
                saver, _ = self.start()
                xenv.xdotool(self.state, *command)
                self.assertEqual(xenv.ended(saver, 1.5 if ends else 0.7), ends)
                if not ends:
                    saver.send_signal(signal.SIGINT)
                    self.assertTrue(xenv.ended(saver, 5))
                self.assertEqual(saver.returncode, 0)
                self.assertEqual(self.cursor(), "visible")

    def test_a_second_move_elsewhere_ends_it(self):
        saver, _ = self.start()
        xenv.xdotool(self.state, "mousemove", 1600, 500)
        self.assertFalse(xenv.ended(saver, 0.5))
        xenv.xdotool(self.state, "mousemove", 1700, 600)
        self.assertTrue(xenv.ended(saver, 2))

    def test_one_of_twenty_simultaneous_starts_runs(self):
        starts = [xenv.start(self.state, "/s") for _ in range(20)]
        for saver in starts:
            self.addCleanup(lambda s=saver: s.poll() is None and s.kill())
        xenv.poll(lambda: sum(s.poll() is None for s in starts) == 1, 10)
        self.assertEqual(sum(s.poll() is None for s in starts), 1)
        self.assertTrue(xenv.poll(lambda: xenv.xdotool(self.state, "search", "--name", "^Form1$")))
        xenv.xdotool(self.state, "key", "a")
        self.assertTrue(all(xenv.ended(s, 5) for s in starts))


if __name__ == "__main__":
    unittest.main()
