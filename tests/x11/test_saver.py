"""The full-screen saver "/s" on two heads, the primary one on the right."""
import signal
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

    def cursor(self):
        return self.run_helper("cursor").communicate()[0].strip()

    def test_covers_the_primary_monitor_with_round_dots_up_to_the_count(self):
        _, window = self.show()
        geometry = self.xdotool("getwindowgeometry", window)
        self.assertIn("Position: 1024,0", geometry)
        self.assertIn("Geometry: 1024x768", geometry)
        self.assertEqual(self.cursor(), "hidden")
        whole = []
        for _ in range(8):  # 10 dots at 100 ms: a clear about every second
            self.assertEqual(xenv.dots(self.state["display"], (0, 0, 1024, 768)), [])
            blobs = xenv.dots(self.state["display"], xenv.PRIMARY)
            self.assertLessEqual(len(blobs), 10)
            whole += [count for size, count in blobs if size == "12x12"]
        self.assertGreater(len(whole), 5)
        self.assertTrue(all(100 <= count <= 125 for count in whole), whole)  # a square: 144

    def test_input_that_ends_it(self):
        cases = [  # xdotool command, whether the saver ends
            (["key", "shift"], False), (["key", "Left"], False), (["key", "F5"], False),
            (["key", "a"], True), (["key", "Escape"], True), (["key", "Return"], True),
            (["key", "space"], True), (["key", "5"], True), (["click", "1"], True),
            (["click", "3"], True), (["mousemove", "1600", "500"], False),  # records only
            (["mousemove", "1600", "500", "sleep", "0.2", "mousemove", "1700", "600"], True)]
        for command, ends in cases:
            with self.subTest(command=command):
                saver, _ = self.show()
                self.xdotool(*command)
                self.assertEqual(xenv.ended(saver, 1.5 if ends else 0.7), ends)
                saver.send_signal(signal.SIGINT)
                self.assertTrue(xenv.ended(saver, 5))
                self.assertEqual(saver.returncode, 0)
                self.assertEqual(self.cursor(), "visible")

    def test_one_of_twenty_simultaneous_starts_runs(self):
        starts = [self.start("/s") for _ in range(20)]
        xenv.poll(lambda: sum(s.poll() is None for s in starts) == 1, 10)
        self.assertEqual(sum(s.poll() is None for s in starts), 1)
        self.assertTrue(xenv.poll(lambda: self.xdotool("search", "--name", "Form1")))
        self.xdotool("key", "a")
        self.assertTrue(all(xenv.ended(s, 5) for s in starts))


if __name__ == "__main__":
    unittest.main()
