"""Start-up end to end: which argument text brings up which mode, and the single instance."""

import unittest

from harness import (DIALOG_CLASS, MESSAGE_BOX_CLASS, SAVER_CLASS, WS_BORDER, WS_CAPTION,
                     WS_CHILD, WS_POPUP, WS_THICKFRAME, SaverTestCase, maker_name, wait_for)

IDOK = 1
SCREEN = [0, 0, 1024, 768]


class ModeSelection(SaverTestCase):
    def test_saver_texts_show_the_full_screen_window(self):
        for argtext in ("/s", "/S"):
            with self.subTest(argtext=argtext), self.running(argtext) as pid:
                window = self.wait_window(pid, SAVER_CLASS)
                self.assertEqual(window["text"], "Form1")
                self.assertEqual(window["rect"], SCREEN)
                self.assertTrue(window["style"] & WS_POPUP)
                self.assertFalse(window["style"] & (WS_CAPTION | WS_BORDER | WS_THICKFRAME))
                self.assertTrue(window["topmost"])
                self.assertEqual(window["owner"], 0)

    def test_other_texts_show_the_settings_dialog(self):
        for argtext in ("/s ", "/s /x", "/P 1234", "", "/c", "/c:1234", "/a"):
            with self.subTest(argtext=argtext), self.running(argtext) as pid:
                window = self.wait_window(pid, DIALOG_CLASS)
                self.assertEqual(window["text"], "配置")
                self.assertEqual(window["client"], [353, 169])
                self.assertEqual(window["owner"], 0, "the dialog has no owner window")
                self.assertEqual(window["parent"], 0)
                self.assertEqual([w["class"] for w in self.driver.windows(pid)], [DIALOG_CLASS],
                                 "the dialog is the only window")

    def test_statement_texts_show_a_message_box_that_ends_the_process(self):
        # One box is answered by a click on its button, the other by the keyboard.
        for argtext, answer in (("/v", "click"), ("/V", "key")):
            with self.subTest(argtext=argtext), self.running(argtext) as pid:
                box = self.wait_window(pid, MESSAGE_BOX_CLASS)
                self.assertEqual(box["text"], "声明")
                controls = self.driver.children(box["hwnd"])
                buttons = [c for c in controls if c["class"] == "Button" and c["visible"]]
                self.assertEqual([b["id"] for b in buttons], [IDOK], "one OK button alone")
                texts = [c["text"] for c in controls if c["class"] == "Static" and c["text"]]
                self.assertEqual(len(texts), 1, texts)
                self.assertIn(maker_name(), texts[0])
                if answer == "click":
                    self.driver.press(buttons[0]["hwnd"])
                else:
                    wait_for(lambda: self.driver.focus(pid).get("active") == box["hwnd"],
                             timeout=10, message="the message box to be active")
                    self.saver.xdotool("key", "Return")
                code = self.wait_exit(pid)
                self.assertEqual(code, 0)


class SingleInstance(SaverTestCase):
    SECOND_STARTS = ("/s", "/c", "", "/v")

    def assert_second_starts_end_at_once(self):
        for argtext in self.SECOND_STARTS:
            with self.subTest(second=argtext):
                answer = self.run_to_end(argtext, timeout=10)
                self.assertTrue(answer["exited"], f"a second start with {argtext!r} runs on")
                self.assertEqual(answer["windows_seen"], [], "the second start showed a window")
                self.assert_no_crash(answer["code"])

    def test_second_start_beside_the_full_screen_saver(self):
        pid = self.start("/s")
        window = self.wait_window(pid, SAVER_CLASS)
        self.assert_second_starts_end_at_once()
        self.assertEqual(self.running_savers(), [pid])
        self.assertIsNotNone(self.driver.info(window["hwnd"]))

    def test_second_start_beside_the_dialog(self):
        pid = self.start("/c")
        window = self.wait_window(pid, DIALOG_CLASS)
        self.assert_second_starts_end_at_once()
        self.assertEqual(self.running_savers(), [pid])
        self.assertIsNotNone(self.driver.info(window["hwnd"]))

    def test_second_start_beside_a_preview(self):
        host = self.start_host()
        wait_for(lambda: [c for c in self.driver.children(host.hwnd) if c["class"] == SAVER_CLASS],
                 timeout=20, message="the preview inside its host")
        self.assert_second_starts_end_at_once()
        self.assertEqual(self.running_savers(), [host.pid])
        preview = [c for c in self.driver.children(host.hwnd) if c["class"] == SAVER_CLASS]
        self.assertEqual(len(preview), 1)
        self.assertTrue(preview[0]["style"] & WS_CHILD)

    def test_twenty_starts_at_the_same_moment_leave_one_instance(self):
        pids = self.start_many(20, "/c")

        def survivors():
            running = [pid for pid in self.running_savers() if pid in pids]
            return running if len(running) <= 1 else None

        # An ended process does not come back, so once all but one have ended the count
        # is final.
        running = wait_for(survivors, timeout=60, message="all but one start to end")
        self.assertEqual(len(running), 1, "exactly one instance runs on")
        self.wait_window(running[0], DIALOG_CLASS)
        windows = {pid: self.driver.windows(pid) for pid in pids}
        self.assertEqual([pid for pid in pids if windows[pid]], running,
                         "only the running instance shows a window")


if __name__ == "__main__":
    unittest.main()
