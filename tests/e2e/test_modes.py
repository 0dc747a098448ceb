"""Which window each argument text brings up, the single instance, and the starts that must
end at once, as real hosts and systems make them."""

import os
import shutil
import unittest

from harness import BOX, DIALOG, MAKER, SAVER, SaverCase, wait_for


class Modes(SaverCase):
    def test_each_deciding_text_shows_its_window(self):
        for argtext, shown in (("/S", SAVER), ("/s ", DIALOG), ("/P 1", DIALOG), ("", DIALOG), ("/c:1", DIALOG)):
            with self.subTest(argtext=argtext):
                pid = self.start(argtext)
                w = self.window(pid, shown)
                self.assertEqual([w["class"] for w in self.windows(pid) if not w["parent"]], [shown])
                self.assertEqual(w["owner"], 0)
                if shown == SAVER:  # WS_POPUP without caption or frame, WS_EX_TOPMOST
                    self.assertEqual((w["text"], w["rect"]), ("Form1", [0, 0, 1024, 768]))
                    self.assertEqual((w["style"][0] & 0x80C40000, w["style"][1] & 8), (0x80000000, 8))
                else:
                    self.assertEqual((w["text"], w["client"][2:]), ("配置", [353, 169]))
                self.driver("wait", pid, "kill")

    def test_the_statement_box_ends_by_click_or_key(self):
        for argtext in ("/v", "/V"):
            with self.subTest(argtext=argtext):
                pid = self.start(argtext)
                box = self.window(pid, BOX)
                parts = [w for w in self.windows(pid) if w["parent"] == box["hwnd"] and w["shown"][0]]
                buttons = [w for w in parts if w["class"] == "Button"]
                texts = [w["text"] for w in parts if w["class"] == "Static" and w["text"]]
                self.assertEqual((box["text"], [b["id"] for b in buttons], len(texts)), ("声明", [1], 1))
                self.assertIn(MAKER["name"], texts[0])
                if argtext == "/v":
                    self.click(buttons[0])
                else:
                    wait_for(lambda: self.driver("tree", pid)[-1]["active"] == box["hwnd"])
                    self.x("key", "Return")
                self.assertEqual(self.exit_code(pid), 0)


class Ending(SaverCase):
    def assert_ends_at_once(self, argtext):
        answer = self.start(argtext, wait_ms=10000)
        self.assertEqual((answer["exited"], answer["seen"]), (1, ""), argtext)
        self.assertLess(answer["code"], 0x80000000, "a crash")

    def test_a_second_start_ends_beside_each_mode(self):
        for first in ("/s", "/c", "preview"):
            with self.subTest(first=first):
                if first == "preview":
                    self.host()
                else:
                    self.window(self.start(first), SAVER if first == "/s" else DIALOG)
                for argtext in ("/s", "/c", "", "/v"):
                    self.assert_ends_at_once(argtext)
                for pid in self.pids:
                    self.driver("wait", pid, "kill")

    def test_twenty_starts_at_once_leave_one_dialog(self):
        pids = self.start("/c", count=20)["pids"]
        # An ended process does not come back.
        running = wait_for(lambda: (lambda r: r if len(r) <= 1 else None)(
            [p for p in pids if not self.driver("wait", p, 0)["exited"]]), 120)
        self.assertEqual(len(running), 1)
        self.window(running[0], DIALOG)

    def test_handles_that_name_no_host_end_at_once(self):
        # 65568 is Wine's desktop window, and so is 65569; the rest name no window.
        for argtext in ("/p 0", "/p:1234", "x/p 1234", "/p 99999999999", "/p", "/p 4294967296",
                        "/p -2147483649", "/p 65568", "/p 65569"):
            with self.subTest(argtext=argtext):
                self.assert_ends_at_once(argtext)
        self.window(self.start("/c"), DIALOG)

    def test_a_lock_name_held_by_another_ends_the_start(self):
        # An event of that name, or a mutex that denies us, as another user's instance holds.
        for kind in ("event", "denied"):
            with self.subTest(kind=kind):
                holder = self.background("hold", kind)
                try:
                    self.assertIn(holder["mutex"], (5, 6))
                    self.assert_ends_at_once("/c")
                finally:
                    self.driver("wait", holder["pid"], "kill")

    def test_an_unquoted_own_path_with_blanks_gives_the_saver(self):
        folder = os.path.join(self.state["prefix"], "drive_c", "Program Files", "Glimra Test")
        os.makedirs(folder, exist_ok=True)
        shutil.copy(os.environ["GLIMRA_SCR"], folder)
        self.window(self.start("/s", exe=r"C:\Program Files\Glimra Test\Lumeck.scr"), SAVER)


if __name__ == "__main__":
    unittest.main()
