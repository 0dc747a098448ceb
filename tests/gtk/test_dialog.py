"""The settings dialog, the statement box and the run-time error box of the real lumeck,
read through AT-SPI and driven by real clicks and keys."""
import os
import stat
import subprocess
import sys
import unittest

from harness import (Display, Home, centre, controls, descendants, extents, focused, poll,
                     selection, text, value, window_of)

SHOTS = os.environ.get("GLIMRA_SHOTS", os.getcwd())
MAKER_ADDRESS = "https://www.glimra.example/"

# Places on the client area in twips (left, top, right, bottom), and the captions.
LAYOUT = {
    "Frame2": ((120, 120, 4215, 1215), "绘点速度"),
    "Hspeed": ((240, 720, 3975, 1095), ""),
    "Label3": ((240, 360, 450, 570), "快"),
    "Label2": ((3720, 360, 3930, 570), "慢"),
    "Frame1": ((120, 1440, 4215, 2295), "Glimra密度"),
    "CmdChange(0)": ((3480, 1710, 3735, 1890), ""),
    "CmdChange(1)": ((3480, 1890, 3735, 2070), ""),
    "TxtNum": ((2760, 1710, 3735, 2070), ""),
    "Label1": ((480, 1800, 2280, 1980), "Glimra个数(10 - 200个)"),
    "Command3": ((4350, 240, 5205, 615), "确定"),
    "Command4": ((4350, 720, 5205, 1095), "取消"),
    "Image1": ((4560, 1680, 5055, 2175), ""),
}
ROLES = {"Frame": "panel", "Hspeed": "scroll bar", "Label": "label", "CmdChange": "push button",
         "TxtNum": "text", "Command": "push button", "Image1": "panel"}


def pixels(twips, dpi):
    return (twips * dpi + 720) // 1440


class Dialog:
    """lumeck's settings dialog, open on a display, with its controls by name."""

    def __init__(self, display, home, *args):
        self.display, self.home = display, home
        self.process = home.start(*args)
        self.window = window_of(self.process, "frame", "配置")
        self.controls = controls(self.window)

    def click(self, name, dx=None):
        x, y, width, _ = extents(self.controls[name])
        self.display.click(x + dx if dx is not None else x + width // 2,
                           centre(self.controls[name])[1])

    def ended(self):
        return poll(lambda: self.process.poll() is not None, "lumeck to end") and \
            self.process.returncode

    def cancel(self):
        self.click("Command4")
        return self.ended()


class DialogTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.display = Display()

    @classmethod
    def tearDownClass(cls):
        cls.display.close()

    def setUp(self):
        self.home = Home(self.display)
        self.addCleanup(self.home.remove)

    def open(self, *args, display=None, home=None):
        dialog = Dialog(display or self.display, home or self.home, *args)
        self.addCleanup(lambda: dialog.process.poll() is None and dialog.process.kill())
        return dialog

    def test_layout_captions_and_roles_follow_the_table_at_each_dpi(self):
        for dpi in (96, 144):
            with self.subTest(dpi=dpi):
                display = Display(dpi) if dpi != 96 else self.display
                if display is not self.display:
                    self.addCleanup(display.close)
                home = Home(display)
                self.addCleanup(home.remove)
                dialog = self.open(display=display, home=home)
                left, top, width, height = extents(dialog.window)
                self.assertEqual((width, height), (pixels(5295, dpi), pixels(2535, dpi)))
                display.screenshot(os.path.join(SHOTS, f"dialog-{dpi}dpi.png"), left, top,
                                   width, height)
                for name, (place, caption) in LAYOUT.items():
                    control = dialog.controls[name]
                    x, y, w, h = extents(control)
                    want = [pixels(t, dpi) for t in place]
                    self.assertLessEqual(abs(x - left - want[0]), 1, name)
                    self.assertLessEqual(abs(y - top - want[1]), 1, name)
                    grows = name.startswith("Label")  # never clipped, never smaller
                    for got, laid_out in ((w, want[2] - want[0]), (h, want[3] - want[1])):
                        if grows:
                            self.assertGreaterEqual(got, laid_out - 1, name)
                        else:
                            self.assertLessEqual(abs(got - laid_out), 1, name)
                    self.assertEqual(control.name, caption, name)
                    role = next(r for prefix, r in ROLES.items() if name.startswith(prefix))
                    self.assertEqual(control.getRoleName(), role, name)
                self.assertEqual(dialog.cancel(), 0)

    def test_arrows_step_the_count_then_select_it_and_focus_the_box(self):
        dialog = self.open()
        box = dialog.controls["TxtNum"]
        self.assertEqual(text(box), "30")
        rows = [("30", "CmdChange(0)", "31"), ("199", "CmdChange(0)", "200"),
                ("200", "CmdChange(0)", "200"), ("1", "CmdChange(1)", "0"),
                ("0", "CmdChange(1)", "0"), ("abc", "CmdChange(0)", "1"),
                ("abc", "CmdChange(1)", "abc"), ("199.5", "CmdChange(0)", "200.5"),
                ("x" * 300, "CmdChange(1)", "x" * 300)]
        for before, arrow, after in rows:
            with self.subTest(before=before[:10], arrow=arrow):
                box.queryEditableText().setTextContents(before)
                self.display.key("Tab")  # the focus leaves the box first
                poll(lambda: not focused(box), "the focus to leave the box")
                dialog.click(arrow)
                poll(lambda: text(box) == after and focused(box), f"{after[:10]!r}, focused")
                self.assertEqual(selection(box), (0, min(len(after), 255)))

    def test_speed_bar_steps_by_its_end_arrows_and_its_track(self):
        for stored, dx, want in [("120", 4, 100), ("1900", -25, 2000), ("500", 4, 450)]:
            with self.subTest(stored=stored, dx=dx):
                self.home.store(speed=stored)
                dialog = self.open()
                bar = dialog.controls["Hspeed"]
                _, _, width, _ = extents(bar)
                dialog.click("Hspeed", dx if dx > 0 else width + dx)
                poll(lambda: value(bar) == want, f"the bar at {want}")
                self.assertEqual(dialog.cancel(), 0)

    def test_ok_stores_the_text_verbatim_and_the_next_start_reads_it(self):
        for typed, shown_next in [("abc", "30"), (" 50 ", "50"), ("", "30")]:
            with self.subTest(typed=typed):
                self.home.store(NumberofPoint="40", speed="2000")
                dialog = self.open()
                dialog.controls["TxtNum"].queryEditableText().setTextContents(typed)
                dialog.click("Command3")
                self.assertEqual(dialog.ended(), 0)
                self.assertEqual(self.home.stored(), {"NumberofPoint": typed, "speed": "2000"})
                dialog = self.open()
                self.assertEqual(text(dialog.controls["TxtNum"]), shown_next)
                self.assertEqual(value(dialog.controls["Hspeed"]), 2000)
                self.assertEqual(dialog.cancel(), 0)

    def test_cancel_and_the_close_box_store_nothing(self):
        for close in ("cancel", "close box"):
            with self.subTest(close=close):
                self.home.store(NumberofPoint="40", speed="700")
                before = open(self.home.settings, "rb").read()
                dialog = self.open()
                dialog.controls["TxtNum"].queryEditableText().setTextContents("77")
                if close == "cancel":
                    dialog.click("Command4")
                else:
                    self.display.close_window(self.display.windows("^配置$")[0])
                self.assertEqual(dialog.ended(), 0)
                self.assertEqual(open(self.home.settings, "rb").read(), before)

    def test_tab_order_and_neither_enter_nor_esc_presses_a_button(self):
        dialog = self.open()
        poll(lambda: focused(dialog.controls["TxtNum"]), "the focus in the count")
        self.display.key("Return", "Escape")
        for name in ("Hspeed", "Command3", "Command4", "TxtNum"):
            self.display.key("Tab")
            poll(lambda: focused(dialog.controls[name]), f"the focus on {name}")
        self.assertIsNone(dialog.process.poll())
        self.assertEqual(dialog.cancel(), 0)

    def test_logo_opens_the_address_with_the_desktop_default_and_leaves_the_dialog(self):
        record = os.path.join(self.home.root, "opened")
        script = os.path.join(self.home.root, "browser.sh")
        with open(script, "w") as out:
            out.write(f'#!/bin/sh\necho "$@" > {record}.part && mv {record}.part {record}\n')
        os.chmod(script, 0o755)
        applications = os.path.join(self.home.env["XDG_DATA_HOME"], "applications")
        os.makedirs(applications)
        with open(os.path.join(applications, "recorder.desktop"), "w") as out:
            out.write(f"[Desktop Entry]\nType=Application\nName=Recorder\nExec={script} %u\n"
                      "MimeType=x-scheme-handler/https;\n")
        os.makedirs(self.home.env["XDG_CONFIG_HOME"], exist_ok=True)
        with open(os.path.join(self.home.env["XDG_CONFIG_HOME"], "mimeapps.list"), "w") as out:
            out.write("[Default Applications]\nx-scheme-handler/https=recorder.desktop\n")
        dialog = self.open()
        dialog.click("Image1")
        poll(lambda: os.path.exists(record), "the browser to be started")
        self.assertEqual(open(record).read().strip(), MAKER_ADDRESS)
        self.assertIsNone(dialog.process.poll())
        self.assertEqual((text(dialog.controls["TxtNum"]), value(dialog.controls["Hspeed"])),
                         ("30", 500))
        self.assertEqual(dialog.cancel(), 0)

    def test_statement_box_names_the_maker_and_its_ok_ends_the_process(self):
        process = self.home.start("/v")
        box = window_of(process, "alert", "声明")
        labels = [label.name for label in descendants(box, "label")]
        self.assertIn("Glimra 屏幕保护程序由 Glimra 工作室 制作。", labels)
        [ok] = descendants(box, "push button")
        self.display.click(*centre(ok))
        poll(lambda: process.poll() is not None, "the process to end")
        self.assertEqual(process.returncode, 0)

    def test_refused_write_shows_the_error_box_over_the_dialog_and_keeps_the_file(self):
        # Root writes anywhere, so the program runs as nobody; that user cannot reach this
        # session's bus, and the boxes are found by their X windows instead.
        user = 65534 if os.geteuid() == 0 else None
        self.home.store(NumberofPoint="40", speed="700")
        folder = os.path.dirname(self.home.settings)
        before = open(self.home.settings, "rb").read()
        if user:
            for path in (self.home.root, self.home.env["XDG_CONFIG_HOME"], folder,
                         self.home.settings, self.home.env["XDG_RUNTIME_DIR"]):
                os.chown(path, user, user)
        os.chmod(folder, stat.S_IRUSR | stat.S_IXUSR | stat.S_IRGRP | stat.S_IXGRP)
        self.home.env["NO_AT_BRIDGE"] = "1"
        process = self.home.start(user=user)
        [dialog] = poll(lambda: self.display.windows("^配置$"), "the dialog")
        geometry = self.display.run("xdotool", "getwindowgeometry", str(dialog))
        left, top = (int(n) for n in geometry.split("Position: ")[1].split()[0].split(","))
        self.display.click(left + 318, top + 28)  # 确定
        [box] = poll(lambda: self.display.windows("^Lumeck$"), "the error box")
        owner = self.display.run("xprop", "-id", str(box), "WM_TRANSIENT_FOR")
        self.assertEqual(int(owner.split("#")[1], 16), dialog)
        self.display.run("xdotool", "windowfocus", "--sync", str(box), "key", "Return")
        self.assertEqual(poll(lambda: process.poll() is not None, "the end") and
                         process.returncode, 70)
        self.assertIn("70", process.stderr.read())
        self.assertEqual(open(self.home.settings, "rb").read(), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
