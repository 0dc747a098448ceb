"""Which window each argument text brings up, the single instance, and the starts that must
end at once, as real hosts and systems make them."""

import os
import shutil
import unittest

from harness import BOX, DIALOG, MAKER, SAVER, SaverCase, wait_for

WS_POPUP, WS_CHILD, WS_CAPTION, WS_THICKFRAME, WS_EX_TOPMOST = 0x80000000, 0x40000000, \
    0xC00000, 0x40000, 0x8


class Modes(SaverCase):
    def test_each_deciding_text_shows_its_window(self):
        for argtext, shown in (("/S", SAVER), ("/s ", DIALOG), ("/P 1234", DIALOG), ("", DIALOG),
                               ("/c:1234", DIALOG)):
            with self.subTest(argtext=argtext):
                pid = self.start(argtext)
                window = self.window(pid, shown)
                self.assertEqual([w["class"] for w in self.windows(pid) if not w["parent"]], [shown])
                self.assertEqual(window["owner"], 0)
                if shown == SAVER:
                    self.assertEqual((window["text"], window["rect"]), ("Form1", [0, 0, 1024, 768]))
                    self.assertEqual(window["style"] & (WS_POPUP | WS_CAPTION | WS_THICKFRAME),
                                     WS_POPUP)
                    self.assertTrue(window["exstyle"] & WS_EX_TOPMOST)
                else:
                    self.assertEqual((window["text"], window["client"][2:]), ("配置", [353, 169]))
                self.driver("wait", pid, "kill")

    def test_the_statement_box_ends_by_click_or_key(self):
        for argtext in ("/v", "/V"):
            with self.subTest(argtext=argtext):
                pid = self.start(argtext)
                box = self.window(pid, BOX)
                parts = [w for w in self.windows(pid) if w["parent"] == box["hwnd"] and w["visible"]]
                self.assertEqual(box["text"], "声明")
                self.assertEqual([(w["class"], w["id"]) for w in parts if w["class"] == "Button"],
                                 [("Button", 1)])
                texts = [w["text"] for w in parts if w["class"] == "Static" and w["text"]]
                self.assertEqual(len(texts), 1)
                self.assertIn(MAKER["name"], texts[0])
                if argtext == "/v":
                    self.click(next(w for w in parts if w["class"] == "Button"))
                else:
                    wait_for(lambda: self.driver("tree", pid)["active"] == box["hwnd"])
                    self.x("key", "Return")
                self.assertEqual(self.exit_code(pid), 0)


class Ending(SaverCase):
    def assert_ends_at_once(self, argtext, **how):
        answer = self.start(argtext, wait_ms=10000, **how)
        self.assertTrue(answer["exited"], f"{argtext!r} runs on")
        self.assertEqual(answer["seen"], "", argtext)
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

        def survivors():  # an ended process does not come back
            running = [pid for pid in pids if not self.driver("wait", pid, 0)["exited"]]
            return running if len(running) <= 1 else None
        running = wait_for(survivors, timeout=120, message="all but one start to end")
        self.assertEqual(len(running), 1)
        self.window(running[0], DIALOG)

    def test_handles_that_name_no_host_end_at_once(self):
        # 65568 is Wine's desktop window, 65569 the same one; the rest name no window.
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
                    self.assertIn(holder["mutex_error"], (5, 6))
                    self.assert_ends_at_once("/c")
                finally:
                    self.driver("wait", holder["pid"], "kill")

    def test_an_unquoted_own_path_with_blanks_gives_the_saver(self):
        folder = os.path.join(self.state["prefix"], "drive_c", "Program Files", "Glimra Test")
        os.makedirs(folder, exist_ok=True)
        shutil.copy(os.environ["GLIMRA_SCR"], folder)
        pid = self.start("/s", exe=r"C:\Program Files\Glimra Test\Lumeck.scr")
        self.window(pid, SAVER)


if __name__ == "__main__":
    unittest.main()
