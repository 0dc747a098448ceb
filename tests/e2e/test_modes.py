"""Which window each argument text brings up, the single instance, and the starts that must end
at once because of what the window system says, as real hosts and systems make them."""

import os
import shutil
import unittest

from glimratest import product
from glimratest.waiting import wait_for
from harness import BOX, DIALOG, SAVER, SaverCase


class Modes(SaverCase):
    def test_each_mode_shows_its_one_window(self):
        for argtext, shown in (("/S", SAVER), ("", DIALOG), ("/v", BOX), ("/V", BOX)):
            with self.subTest(argtext=argtext):
                self.end_all()  # the one before, even if it failed
                pid = self.start(argtext)
                window = self.window(pid, shown)
                top_level = [w["class"] for w in self.windows(pid) if not w["parent"]]
                self.assertEqual(top_level, [shown])
                self.assertEqual(window["owner"], 0)
                if shown == SAVER:
                    self.assert_saver(window)
                elif shown == DIALOG:
                    self.assertEqual(window["text"], "配置")
                else:
                    self.assert_statement(pid, window, close_by_click=argtext == "/v")

    def assert_saver(self, window):
        """WS_POPUP without caption or frame, WS_EX_TOPMOST, over the whole screen."""
        style, extended_style = window["style"]
        self.assertEqual(window["text"], "Form1")
        self.assertEqual(window["rect"], [0, 0, 1024, 768])
        self.assertEqual(style & 0x80C40000, 0x80000000, "WS_POPUP alone")
        self.assertEqual(extended_style & 8, 8, "WS_EX_TOPMOST")

    def assert_statement(self, pid, window, close_by_click):
        """One OK button and the maker's name; a click or Return ends it."""
        parts = [w for w in self.windows(pid) if w["parent"] == window["hwnd"] and w["shown"][0]]
        buttons = [part for part in parts if part["class"] == "Button"]
        texts = [part["text"] for part in parts if part["class"] == "Static" and part["text"]]
        self.assertEqual(window["text"], "声明")
        self.assertEqual([button["id"] for button in buttons], [1])
        self.assertEqual(len(texts), 1, texts)
        self.assertIn(product.maker()["name"], texts[0])
        if close_by_click:
            self.click(buttons[0])
        else:
            self.wait_for_keyboard(pid, window, "声明")
            self.xdotool("key", "Return")
        self.assertIn(self.exit_code(pid), (0, None))  # None: gone before its code was read


class Ending(SaverCase):
    def assert_ends_at_once(self, argtext):
        answer = self.start(argtext, wait_ms=10000)
        self.assertEqual(answer["exited"], 1, f"{argtext!r} ended")
        self.assertEqual(answer["seen"], "", f"{argtext!r} showed nothing")
        self.assertLess(answer["code"], 0x80000000, f"{argtext!r} did not crash")

    def test_a_second_start_ends_beside_each_mode_and_beside_a_held_lock_name(self):
        # An event of the lock's name, or a mutex that denies us, as another user's instance holds.
        for first in ("/s", "/c", "preview", "event", "denied"):
            with self.subTest(first=first):
                self.end_all()  # the first before, even if it failed
                if first in ("event", "denied"):
                    holder = self.background("hold", first)
                    self.assertIn(holder["mutex"], (5, 6), "access denied or invalid handle")
                elif first == "preview":
                    self.host()
                else:
                    self.window(self.start(first), SAVER if first == "/s" else DIALOG)
                for argtext in ("/s", "", "/v"):
                    self.assert_ends_at_once(argtext)

    def test_twenty_starts_at_once_leave_one_dialog(self):
        pids = self.start("/c", count=20)["pids"]

        def one_left():
            running = [pid for pid in pids if not self.driver("wait", pid, 0)["exited"]]
            return running if len(running) <= 1 else None  # an ended one does not come back

        running = wait_for(one_left, "all but one start to end", 120)
        self.window(running[0], DIALOG)

    def test_handles_that_name_no_host_end_at_once(self):
        # 65568 is Wine's desktop window; 1234 names no window.
        for argtext in ("/p", "/p 1234", "/p 65568"):
            self.assert_ends_at_once(argtext)
        self.window(self.start("/c"), DIALOG)

    def test_an_unquoted_own_path_with_blanks_gives_the_saver(self):
        folder = os.path.join(self.state["prefix"], "drive_c", "Program Files", "Glimra Test")
        os.makedirs(folder, exist_ok=True)
        shutil.copy(os.environ["GLIMRA_SCR"], folder)
        self.window(self.start("/s", exe=r"C:\Program Files\Glimra Test\Lumeck.scr"), SAVER)


if __name__ == "__main__":
    unittest.main()
