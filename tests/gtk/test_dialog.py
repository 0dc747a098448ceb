"""The real lumeck's settings dialog, statement box and run-time error box, read through
AT-SPI and driven by real clicks and keys."""
import os
import subprocess
import unittest

from harness import (Display, descendants, ended, extents, focused, poll, selection, text,
                     value, window_of, write)

# Places on the client area in twips (left, top, right, bottom), captions and roles.
LAYOUT = {
    "Frame2": ((120, 120, 4215, 1215), "绘点速度", "panel"),
    "Hspeed": ((240, 720, 3975, 1095), "", "scroll bar"),
    "Label3": ((240, 360, 450, 570), "快", "label"),
    "Label2": ((3720, 360, 3930, 570), "慢", "label"),
    "Frame1": ((120, 1440, 4215, 2295), "Glimra密度", "panel"),
    "CmdChange(0)": ((3480, 1710, 3735, 1890), "", "push button"),
    "CmdChange(1)": ((3480, 1890, 3735, 2070), "", "push button"),
    "TxtNum": ((2760, 1710, 3735, 2070), "", "text"),
    "Label1": ((480, 1800, 2280, 1980), "Glimra个数(10 - 200个)", "label"),
    "Command3": ((4350, 240, 5205, 615), "确定", "push button"),
    "Command4": ((4350, 720, 5205, 1095), "取消", "push button"),
    "Image1": ((4560, 1680, 5055, 2175), "", "panel"),
}

class DialogTest(unittest.TestCase):
    def setUp(self):
        self.display = Display(self)

    def open(self):
        self.process = self.display.start()
        self.addCleanup(lambda process=self.process: process.poll() is None and process.kill())
        window = window_of(self.process, "frame", "配置")
        self.controls = {node.accessibleId: node for node in descendants(window)}
        return window

    def click(self, name, dx=None):
        x, y, width, height = extents(self.controls[name])
        self.display.click(x + (width // 2 if dx is None else dx % width), y + height // 2)

    def test_layout_captions_and_roles_follow_the_table_at_each_dpi(self):
        for dpi in (96, 144):
            self.display = Display(self, dpi)
            px = lambda twips: (twips * dpi + 720) // 1440  # noqa: E731
            left, top, width, height = extents(self.open())
            self.assertEqual((width, height), (px(5295), px(2535)))
            self.display.run("import", "-window", "root", "-crop", f"{width}x{height}+{left}+"
                             f"{top}", os.path.join(os.environ["GLIMRA_SHOTS"], f"dialog-{dpi}.png"))
            for name, (place, caption, role) in LAYOUT.items():
                x, y, w, h = extents(self.controls[name])
                want = [px(twips) for twips in place]
                self.assertLessEqual(abs(x - left - want[0]) + abs(y - top - want[1]), 1, name)
                for got, laid_out in ((w, want[2] - want[0]), (h, want[3] - want[1])):
                    # Labels take their caption's size, never smaller than laid out.
                    self.assertTrue(-1 <= got - laid_out <= (1, 99)["Label" in name], name)
                self.assertEqual((self.controls[name].name, self.controls[name].getRoleName()),
                                 (caption, role))

    def test_arrows_step_the_count_then_select_it_and_focus_the_box(self):
        self.open()
        box = self.controls["TxtNum"]
        for before, arrow, after in [("30", 0, "31"), ("200", 0, "200"), ("1", 1, "0"),
                                     ("abc", 1, "abc"), ("x" * 300, 1, "x" * 300)]:
            box.queryEditableText().setTextContents(before)
            self.display.run("xdotool", "key", "Tab")  # the focus leaves the box first
            poll(lambda: not focused(box), "the focus to leave the box")
            self.click(f"CmdChange({arrow})")
            poll(lambda: text(box) == after and focused(box), f"{after[:9]!r}, focused")
            self.assertEqual(selection(box), (0, min(len(after), 255)))

    def test_speed_bar_steps_by_its_end_arrows_and_its_track(self):
        for stored, dx, want in [("120", 4, 100), ("1900", -25, 2000), ("500", -4, 550)]:
            self.display.store(speed=stored)
            self.open()
            self.click("Hspeed", dx)
            poll(lambda: value(self.controls["Hspeed"]) == want, f"the bar at {want}")
            self.click("Command4")
            self.assertEqual(ended(self.process), 0)

    def test_ok_stores_the_text_verbatim_cancel_and_the_close_box_store_nothing(self):
        for close, typed, shown_next in [("Command3", "abc", "30"), ("Command3", " 50 ", "50"),
                                         ("Command3", "", "30"), ("Command4", "77", "40"),
                                         ("close box", "77", "40")]:
            before = self.display.store(NumberofPoint="40", speed="2000")
            self.open()
            self.controls["TxtNum"].queryEditableText().setTextContents(typed)
            if close == "close box":
                self.display.close_window(self.display.windows("^配置$")[0])
            else:
                self.click(close)
            self.assertEqual(ended(self.process), 0)
            if close == "Command3":
                self.assertEqual(self.display.stored(), {"NumberofPoint": typed, "speed": "2000"})
            else:
                self.assertEqual(open(self.display.settings, "rb").read(), before)
            self.open()  # the next start reads what was stored
            self.assertEqual((text(self.controls["TxtNum"]), value(self.controls["Hspeed"])),
                             (shown_next, 2000))
            self.process.kill()
            self.process.wait()  # the instance lock goes with the process

    def test_tab_order_and_neither_enter_nor_esc_presses_a_button(self):
        self.open()
        poll(lambda: focused(self.controls["TxtNum"]), "the focus in the count")
        self.display.run("xdotool", "key", "Return", "Escape")
        for name in ("Hspeed", "Command3", "Command4", "TxtNum"):
            self.display.run("xdotool", "key", "Tab")
            poll(lambda: focused(self.controls[name]), f"the focus on {name}")
        self.assertIsNone(self.process.poll())

    def test_logo_opens_the_address_with_the_desktop_default_and_leaves_the_dialog(self):
        home, address = self.display.home, "https://www.glimra.example/\n"
        write(home + "/data/applications/recorder.desktop", "[Desktop Entry]\nType=Application\n"
              f"Name=Recorder\nExec=sh -c 'echo \"$1\" >{home}/opened' sh %u\n")
        write(home + "/config/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/https=recorder.desktop\n")
        self.open()
        self.click("Image1")
        poll(lambda: os.path.exists(home + "/opened") and open(home + "/opened").read() == address,
             "the browser to get the address")
        self.assertEqual((self.process.poll(), text(self.controls["TxtNum"]),
                          value(self.controls["Hspeed"])), (None, "30", 500))

    def test_statement_box_names_the_maker_and_its_ok_ends_the_process(self):
        self.process = self.display.start("/v")
        box = window_of(self.process, "alert", "声明")
        self.assertIn("Glimra 屏幕保护程序由 Glimra 工作室 制作。", [n.name for n in descendants(box)])
        self.controls = {n.getRoleName(): n for n in descendants(box)}
        self.click("push button")  # OK
        self.assertEqual(ended(self.process), 0)

    def test_refused_write_shows_the_error_box_over_the_dialog_and_keeps_the_file(self):
        # Root writes anywhere, so the program runs as nobody, which cannot reach this
        # session's bus: the windows are found by their names.
        before = self.display.store(NumberofPoint="40", speed="700")
        user = 65534 if os.geteuid() == 0 else None
        subprocess.run(["chown", "-R", f"{user}:{user}", self.display.home] if user else ["true"])
        os.chmod(os.path.dirname(self.display.settings), 0o555)
        self.display.env["NO_AT_BRIDGE"] = "1"
        process = self.display.start(user=user)
        [dialog] = poll(lambda: self.display.windows("^配置$"), "the dialog")
        self.display.run("xdotool", "mousemove", "--window", str(dialog), "318", "28", "click", "1")
        [box] = poll(lambda: self.display.windows("^Lumeck$"), "the error box")
        owner = self.display.run("xprop", "-id", str(box), "WM_TRANSIENT_FOR").split("#")[1]
        self.assertEqual(int(owner, 16), dialog)
        self.display.run("xdotool", "windowfocus", "--sync", str(box), "key", "Return")
        self.assertEqual(ended(process), 70)
        self.assertEqual(open(self.display.settings, "rb").read(), before)

if __name__ == "__main__":
    unittest.main(verbosity=2)
