"""Which window each argument text brings up, the single instance, and the starts that must end
at once, as real hosts and systems make them."""

import os, shutil, unittest  # noqa: E401

from harness import BOX, DIALOG, MAKER, SAVER, SaverCase, wait_for


class Modes(SaverCase):
    def test_each_deciding_text_shows_its_window(self):
        for argtext, shown in (("/S", SAVER), ("/s ", DIALOG), ("/P 1", DIALOG), ("", DIALOG), ("/c:1", DIALOG),
                               ("/v", BOX), ("/V", BOX)):
            with self.subTest(argtext=argtext):
                [self.driver("wait", p, "kill") for p in self.pids]  # the one before, even if it failed
                w = self.window(pid := self.start(argtext), shown)
                top = [w["class"] for w in self.windows(pid) if not w["parent"]]
                self.assertEqual((top, w["owner"]), ([shown], 0))
                if shown == SAVER:  # WS_POPUP without caption or frame, WS_EX_TOPMOST
                    self.assertEqual((w["text"], w["rect"], w["style"][0] & 0x80C40000, w["style"][1] & 8),
                                     ("Form1", [0, 0, 1024, 768], 0x80000000, 8))
                elif shown == DIALOG:
                    self.assertEqual((w["text"], w["client"][2:]), ("配置", [353, 169]))
                else:  # the statement: one OK button and the maker's name; a click or Return ends it
                    parts = [p for p in self.windows(pid) if p["parent"] == w["hwnd"] and p["shown"][0]]
                    texts = [p["text"] for p in parts if p["class"] == "Static" and p["text"]]
                    self.assertEqual((w["text"], [p["id"] for p in parts if p["class"] == "Button"], len(texts)),
                                     ("声明", [1], 1))
                    self.assertIn(MAKER["name"], texts[0])
                    if argtext == "/v":
                        self.click(next(p for p in parts if p["class"] == "Button"))
                    else:
                        wait_for(lambda: self.driver("tree", pid)[-1]["active"] == w["hwnd"])
                        self.x("key", "Return")
                    self.assertEqual(self.exit_code(pid), 0)


class Ending(SaverCase):
    def assert_ends_at_once(self, argtext):
        answer = self.start(argtext, wait_ms=10000)
        self.assertEqual((answer["exited"], answer["seen"], answer["code"] < 0x80000000), (1, "", True), argtext)

    def test_a_second_start_ends_beside_each_mode_and_beside_a_held_lock_name(self):
        # An event of the lock's name, or a mutex that denies us, as another user's instance holds.
        for first in ("/s", "/c", "preview", "event", "denied"):
            with self.subTest(first=first):
                [self.driver("wait", pid, "kill") for pid in self.pids]  # the first before, even if it failed
                if first in ("event", "denied"):
                    self.assertIn((holder := self.background("hold", first))["mutex"], (5, 6))
                    self.pids.append(holder["pid"])
                elif first == "preview":
                    self.host()
                else:
                    self.window(self.start(first), SAVER if first == "/s" else DIALOG)
                for argtext in ("/s", "/c", "", "/v"):
                    self.assert_ends_at_once(argtext)

    def test_twenty_starts_at_once_leave_one_dialog(self):
        pids = self.start("/c", count=20)["pids"]
        survivors = lambda: [pid for pid in pids if not self.driver("wait", pid, 0)["exited"]]
        running = wait_for(lambda: len(r := survivors()) <= 1 and r, 120)  # an ended one does not come back
        self.window(running[0], DIALOG)

    def test_handles_that_name_no_host_end_at_once(self):
        # 65568 is Wine's desktop window, and so is 65569; the rest name no window.
        for argtext in ("/p 0", "/p:1234", "x/p 1234", "/p 99999999999", "/p", "/p 4294967296", "/p -2147483649",
                        "/p 65568", "/p 65569"):
            self.assert_ends_at_once(argtext)
        self.window(self.start("/c"), DIALOG)

    def test_an_unquoted_own_path_with_blanks_gives_the_saver(self):
        folder = os.path.join(self.state["prefix"], "drive_c", "Program Files", "Glimra Test")
        shutil.copy(os.environ["GLIMRA_SCR"], (os.makedirs(folder, exist_ok=True), folder)[1])
        self.window(self.start("/s", exe=r"C:\Program Files\Glimra Test\Lumeck.scr"), SAVER)

if __name__ == "__main__":
    unittest.main()
