"""The settings dialog, end to end: its layout, its arrows, OK and Cancel through the real
registry, the refused write, and the maker's link."""

import os
import stat
import subprocess
import unittest

import harness
from harness import (CANCEL_ID, HSPEED_ID, OK_ID, TXTNUM_ID, SaverTestCase, maker_address,
                     maker_name, wait_for)

FRAME1, DOWN, UP, FRAME2, LABEL1, LABEL2, LABEL3, IMAGE1 = 100, 101, 102, 104, 108, 109, 110, 111

# Control: (left, top, right, bottom) on the client area in pixels at 96 DPI, and caption.
LAYOUT = {
    FRAME2: ((8, 8, 281, 81), "绘点速度"),
    HSPEED_ID: ((16, 48, 265, 73), ""),
    LABEL3: ((16, 24, 30, 38), "快"),
    LABEL2: ((248, 24, 262, 38), "慢"),
    FRAME1: ((8, 96, 281, 153), "Glimra密度"),
    UP: ((232, 114, 249, 126), ""),
    DOWN: ((232, 126, 249, 138), ""),
    TXTNUM_ID: ((184, 114, 249, 138), "30"),
    LABEL1: ((32, 120, 152, 132), "Glimra个数(10 - 200个)"),
    OK_ID: ((290, 16, 347, 41), "确定"),
    CANCEL_ID: ((290, 48, 347, 73), "取消"),
    IMAGE1: ((304, 112, 337, 145), ""),
}

WS_TABSTOP = 0x00010000
BS_DEFPUSHBUTTON = 0x1


class LayoutTest(SaverTestCase):
    def test_client_size_caption_and_controls(self):
        pid, window, controls = self.open_dialog("")
        self.assertEqual(window["text"], "配置")
        self.assertEqual(window["client"], [353, 169])
        self.assertEqual(set(controls), set(LAYOUT))
        for control_id, (rect, caption) in LAYOUT.items():
            with self.subTest(control=control_id):
                control = controls[control_id]
                self.assertEqual(control["text"], caption)
                self.assertNotIn("&", control["text"])
                got = control["rect"]
                if control["class"] == "Static" and caption:
                    # A label takes its caption's size, never smaller than laid out; its
                    # whole caption showing is test_hosts' affair.
                    self.assertGreaterEqual(got[2], rect[2] - 1)
                    self.assertGreaterEqual(got[3], rect[3] - 1)
                    self.assertLess(got[2], LAYOUT[TXTNUM_ID][0][0] if control_id == LABEL1
                                    else LAYOUT[HSPEED_ID][0][2])
                    got = got[:2] + list(rect[2:])
                for have, want in zip(got, rect):
                    self.assertLessEqual(abs(have - want), 1, (got, rect))
        self.assertEqual(controls[HSPEED_ID]["scroll_range"], [100, 2000])
        for button in (OK_ID, CANCEL_ID, UP, DOWN):
            self.assertFalse(controls[button]["style"] & BS_DEFPUSHBUTTON, "no default button")

    def test_tab_order_and_no_focus_for_frames_and_labels(self):
        pid, window, controls = self.open_dialog()
        focused = lambda: self.driver.focus(pid).get("focus")
        wait_for(lambda: focused() == controls[TXTNUM_ID]["hwnd"], message="focus in TxtNum")
        order = [TXTNUM_ID, HSPEED_ID, OK_ID, CANCEL_ID, TXTNUM_ID]
        for want in order[1:]:
            self.saver.xdotool("key", "Tab")
            wait_for(lambda: focused() == controls[want]["hwnd"], timeout=10,
                     message=f"focus on control {want}")
        stops = {cid for cid, control in controls.items() if control["style"] & WS_TABSTOP}
        self.assertEqual(stops, {TXTNUM_ID, HSPEED_ID, OK_ID, CANCEL_ID})

    def test_enter_and_escape_press_neither_button(self):
        pid, window, controls = self.open_dialog()
        for where in (TXTNUM_ID, HSPEED_ID):
            self.saver.xdotool("mousemove", 10, 760)  # off the dialog
            focus_keys = {TXTNUM_ID: [], HSPEED_ID: ["Tab"]}[where]
            for key in focus_keys + ["Return", "Escape", "KP_Enter"]:
                self.saver.xdotool("key", key)
            self.assertFalse(self.driver.wait(pid, 1000)["exited"])
        self.assertTrue(self.driver.reg_get("NumberofPoint").get("missing"))

    def test_pictures_and_chinese_captions_are_drawn(self):
        pid, window, controls = self.open_dialog()
        path = os.path.join(self.saver.state["GLIMRA_E2E_DIR"], "dialog.ppm")
        shot = self.driver.capture(window["hwnd"], path)
        face = shot.pixel(3, 165)
        # The arrows: black triangles on the button face, the up one widening downwards.
        up = self._ink_rows(shot, controls[UP]["rect"], face)
        down = self._ink_rows(shot, controls[DOWN]["rect"], face)
        self.assertTrue(up and down)
        self.assertLess(up[0], up[-1], up)
        self.assertGreater(down[0], down[-1], down)
        # The logo: yellow and green on the face, its transparent corners showing the face.
        left, top, right, bottom = controls[IMAGE1]["rect"]
        logo = shot.region(left, top, right, bottom)
        colours = logo.colours()
        self.assertTrue(any(r > 180 and g > 150 and b < 100 for r, g, b in colours), "yellow")
        self.assertTrue(any(g > 120 and r < 100 and b < 100 for r, g, b in colours), "green")
        self.assertEqual(logo.pixel(0, 0), face)
        # Two different characters draw two different shapes, not two empty boxes.
        fast = self._ink(shot, controls[LABEL3]["rect"], face)
        slow = self._ink(shot, controls[LABEL2]["rect"], face)
        self.assertGreater(len(fast), 15)
        self.assertNotEqual(fast, {(x + 232, y) for x, y in slow})
        # Wine gives no other process the window's icon, but the caption draws it: its red
        # and green discs sit at the left end of the title bar.
        left, top, right, _ = window["rect"]
        caption = self.saver.screenshot().region(left, top, left + 40, top + 30).colours()
        self.assertTrue(any(r > 200 and g < 80 and b < 80 for r, g, b in caption), "red disc")
        self.assertTrue(any(g > 200 and r < 80 and b < 80 for r, g, b in caption), "green disc")

    @staticmethod
    def _ink(shot, rect, face):
        left, top, right, bottom = rect
        return {(x, y) for y in range(top, bottom) for x in range(left, right)
                if sum(shot.pixel(x, y)) < sum(face) - 150}

    @staticmethod
    def _ink_rows(shot, rect, face):
        left, top, right, bottom = rect
        rows = [sum(1 for x in range(left, right) if shot.pixel(x, y) == (0, 0, 0))
                for y in range(top, bottom)]
        return [count for count in rows if count]


STEPS = [
    ("30", "up", "31"), ("30", "down", "29"), ("199", "up", "200"), ("200", "up", "200"),
    ("250", "up", "250"), ("250", "down", "249"), ("10", "down", "9"), ("1", "down", "0"),
    ("0", "down", "0"), ("", "up", "1"), ("", "down", ""), ("abc", "up", "1"),
    ("abc", "down", "abc"), ("12abc", "up", "13"), ("-5", "up", "-4"), ("-5", "down", "-5"),
    ("199.5", "up", "200.5"), ("0.5", "down", "-0.5"), ("x" * 300, "down", "x" * 300),
]


class BehaviourTest(SaverTestCase):
    def test_opens_with_the_settings_in_use(self):
        self.store(NumberofPoint="45", speed="1300")
        self.assertEqual(self.dialog_values(), ("45", 1300))

    def test_the_speed_bar_stops_at_its_ends(self):
        pid, window, controls = self.open_dialog()
        bar = controls[HSPEED_ID]
        left, top, right, bottom = bar["screen_rect"]
        middle = (top + bottom) // 2
        # A click on the left arrow at 120 (a step of 50) and one in the track right of the
        # thumb at 1900 (a step of 200) each stop at the end.
        for start, x, want in ((120, left + 4, 100), (1900, right - 23, 2000)):
            with self.subTest(start=start):
                self.driver.setscroll(bar["hwnd"], start)
                self.saver.xdotool("mousemove", x, middle, "click", 1)
                wait_for(lambda: self.controls(window["hwnd"])[HSPEED_ID]["scroll_pos"] == want,
                         timeout=10, message=f"the bar at {want}")

    def test_arrows_step_the_count_select_it_and_focus_it(self):
        pid, window, controls = self.open_dialog()
        box = controls[TXTNUM_ID]["hwnd"]
        for text, arrow, want in STEPS:
            with self.subTest(text=text[:20], arrow=arrow):
                self.driver.settext(box, text)
                self.driver.press(controls[UP if arrow == "up" else DOWN]["hwnd"])
                state = self.controls(window["hwnd"])[TXTNUM_ID]
                self.assertEqual(state["text"], want)
                self.assertEqual(state["selection"], [0, min(len(want), 255)])
                self.assertEqual(self.driver.focus(pid).get("focus"), box)

    def test_ok_stores_both_texts_verbatim_and_ends(self):
        for count, speed in (("abc", 2000), (" 50 ", 100), ("", 750)):
            with self.subTest(count=count):
                pid, window, controls = self.open_dialog()
                self.driver.settext(controls[TXTNUM_ID]["hwnd"], count)
                self.driver.setscroll(controls[HSPEED_ID]["hwnd"], speed)
                self.driver.press(controls[OK_ID]["hwnd"])
                self.assertIn(self.wait_exit(pid), (0, None))
                for name, text in (("NumberofPoint", count), ("speed", str(speed))):
                    stored = self.driver.reg_get(name)
                    self.assertEqual((stored["type"], stored["value"]), ("REG_SZ", text))

    def test_a_stored_fraction_comes_back_rounded(self):
        pid, window, controls = self.open_dialog()
        self.driver.settext(controls[TXTNUM_ID]["hwnd"], "11.5")
        self.driver.setscroll(controls[HSPEED_ID]["hwnd"], 300)
        self.driver.press(controls[OK_ID]["hwnd"])
        self.wait_exit(pid)
        self.assertEqual(self.dialog_values(), ("12", 300))

    def test_cancel_and_the_close_box_store_nothing(self):
        self.store(NumberofPoint="77", speed="900")
        for how in ("cancel", "close box"):
            with self.subTest(how=how):
                pid, window, controls = self.open_dialog()
                self.driver.settext(controls[TXTNUM_ID]["hwnd"], "150")
                self.driver.setscroll(controls[HSPEED_ID]["hwnd"], 1500)
                if how == "cancel":
                    self.driver.press(controls[CANCEL_ID]["hwnd"])
                else:
                    self.driver.close(window["hwnd"], syscommand=True)
                self.assertIn(self.wait_exit(pid), (0, None))
                self.assertEqual(self.driver.reg_get("NumberofPoint")["value"], "77")
                self.assertEqual(self.driver.reg_get("speed")["value"], "900")

    def test_a_refused_write_shows_the_error_box_and_ends(self):
        pid, window, controls = self.open_dialog()
        self.driver.reg_deny_write()
        self.driver.press(controls[OK_ID]["hwnd"])
        box = self.wait_window(pid, harness.MESSAGE_BOX_CLASS)
        texts = [child["text"] for child in self.driver.children(box["hwnd"])]
        self.assertTrue(any("运行时错误" in text and "70" in text for text in texts), texts)
        self.assertEqual(box["owner"], window["hwnd"])
        self.assertFalse(self.driver.info(window["hwnd"])["enabled"], "the form takes no input")
        self.assertTrue(self.alive(pid))
        self.saver.xdotool("key", "Return")
        self.assertEqual(self.wait_exit(pid), 70)
        self.driver.reg_allow_write()
        self.assertTrue(self.driver.reg_get("NumberofPoint").get("missing"))


class LogoTest(SaverTestCase):
    def _other_cursor(self, hand):
        handle = self.driver.cursor()["handle"]
        return handle if handle != hand else None

    def test_the_logo_opens_the_maker_address_and_the_dialog_stays(self):
        record = os.path.join(self.saver.state["GLIMRA_E2E_DIR"], "browser-urls.txt")
        script = os.path.join(self.saver.state["GLIMRA_E2E_DIR"], "record-browser.sh")
        with open(script, "w", encoding="utf-8") as out:
            out.write(f'#!/bin/sh\nprintf "%s\\n" "$@" >> "{record}"\n')
        os.chmod(script, os.stat(script).st_mode | stat.S_IXUSR)
        if os.path.exists(record):
            os.unlink(record)
        # Wine opens web addresses with winebrowser, which runs the first of these it finds.
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers",
                        "/d", script, "/f"], env=self.driver.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        pid, window, controls = self.open_dialog()
        left, top, right, bottom = controls[IMAGE1]["screen_rect"]
        self.saver.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2)
        tip = wait_for(lambda: next((w for w in self.driver.windows(pid)
                                     if w["class"] == "tooltips_class32"), None),
                       timeout=20, message="the logo's tooltip")
        self.assertEqual(tip["text"], maker_name())
        # Over the logo the pointer is another cursor than over the rest of the dialog, and
        # the same one each time. (Wine lends no other process a cursor's bits; the hand's
        # own are checked in the file.)
        hand = self.driver.cursor()["handle"]
        frame_left, frame_top = controls[FRAME1]["screen_rect"][:2]
        self.saver.xdotool("mousemove", frame_left + 60, frame_top + 30)
        arrow = wait_for(lambda: self._other_cursor(hand), timeout=10, message="another cursor")
        self.saver.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2)
        wait_for(lambda: self.driver.cursor()["handle"] == hand, timeout=10,
                 message="the hand again")
        self.assertNotEqual(arrow, hand)
        self.saver.xdotool("click", 1)
        urls = wait_for(lambda: os.path.exists(record) and read_lines(record),
                        timeout=30, message="the browser to be started")
        self.assertEqual(urls, [maker_address()])
        self.assertTrue(self.alive(pid))
        self.assertEqual(self.controls(window["hwnd"])[TXTNUM_ID]["text"], "30")


def read_lines(path):
    with open(path, encoding="utf-8") as lines:
        return lines.read().split()


if __name__ == "__main__":
    unittest.main()
