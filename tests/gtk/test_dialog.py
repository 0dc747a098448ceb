"""lumeck's settings dialog and run-time error box on Xvfb with a home of its own, read as
assistive technology reads them (AT-SPI on a D-Bus session of the test's own, its bus in a
runtime folder of the test's own) and driven by real clicks and keys."""

import ctypes
import os
import pathlib
import shutil
import tempfile
import unittest

from glimratest import displays, product, session
from glimratest.displays import xdotool
from glimratest.processes import AS_NOBODY, Started, run
from glimratest.product import settings_text
from glimratest.session import descendants, extents, focused, text_of, value_of, window_of
from glimratest.waiting import wait_for

LUMECK = os.environ["LUMECK"]


def setUpModule():
    """The accessibility bus puts its socket under HOME or XDG_RUNTIME_DIR: private ones, so
    that GTK tests run beside this one do not take each other's bus."""
    home = tempfile.mkdtemp(prefix="glimra-gtk-bus-")
    unittest.addModuleCleanup(shutil.rmtree, home, ignore_errors=True)
    os.mkdir(home + "/run", 0o700)
    os.environ.update(HOME=home, XDG_RUNTIME_DIR=home + "/run")
    displays.cache_fonts()
    unittest.addModuleCleanup(session.start_session().end)


class DialogTest(unittest.TestCase):
    def setUp(self):
        """Xvfb at Xft.dpi 96 (which GTK sizes fonts and the dialog by), a home of its own."""
        self.server = displays.start_xvfb("-ac")
        self.addCleanup(self.server.stop)
        run(["xrdb", "-merge"], env=self.server.env(), input="Xft.dpi: 96\n")
        self.home = pathlib.Path(tempfile.mkdtemp(prefix="glimra-gtk-"))
        self.addCleanup(shutil.rmtree, self.home)
        os.chmod(self.home, 0o755)
        self.env = self.server.env(HOME=self.home, XDG_CONFIG_HOME=self.home / "config")
        self.settings = product.settings_file(self.home / "config")

    def open(self):
        self.process = Started([LUMECK], env=self.env)
        self.addCleanup(self.process.end)
        window = window_of(self.process, "frame", "配置")
        self.controls = {node.accessibleId: node for node in descendants(window)}

    def windows(self, name):
        found = xdotool(self.env, "search", "--onlyvisible", "--name", name)
        return [int(window) for window in found.split()]

    def click(self, name, dx=None):
        x, y, width, height = extents(self.controls[name])
        x += width // 2 if dx is None else dx % width
        xdotool(self.env, "mousemove", "--sync", x, y + height // 2, "click", 1)

    def close_box(self, window):
        """What a window manager's close box sends: WM_DELETE_WINDOW."""
        xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
        xlib.XOpenDisplay.restype = xlib.XInternAtom.restype = ctypes.c_void_p
        display = ctypes.c_void_p(xlib.XOpenDisplay(self.server.display.encode()))
        protocols = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
        delete = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event = (ctypes.c_long * 24)(33, 0, 0, 0, window, protocols, 32, delete)  # ClientMessage
        xlib.XSendEvent(display, ctypes.c_ulong(window), 0, ctypes.c_long(0), event)
        xlib.XCloseDisplay(display)

    def test_arrows_step_the_count_and_the_bar(self):
        self.open()
        box, bar = self.controls["TxtNum"], self.controls["Hspeed"]
        for before, arrow, after in (("30", 0, "31"), ("x" * 300, 1, "x" * 300)):
            box.queryEditableText().setTextContents(before)
            xdotool(self.env, "key", "Tab")  # the focus leaves the box first
            wait_for(lambda: not focused(box), "the focus to leave the box")
            self.click(f"CmdChange({arrow})")
            wait_for(lambda: text_of(box) == after and focused(box), f"{after[:9]!r}, focused")
            self.assertEqual(session.selection_of(box), (0, min(len(after), 255)))
        for start, dx, want in ((120, 4, 100), (1900, -25, 2000)):  # an end arrow; the track
            bar.queryValue().currentValue = start
            wait_for(lambda: value_of(bar) == start, f"the bar at {start}")
            self.click("Hspeed", dx)
            wait_for(lambda: value_of(bar) == want, f"the bar at {want}")

    def test_ok_stores_the_text_as_typed_through_a_link_cancel_and_the_close_box_nothing(self):
        private = self.home / "private.ini"  # in another folder than the link
        self.settings.symlink_to(private)
        for close, typed, stored in (
            ("Command3", " 50 ", "\\s50 "),  # the key file's escape of a leading blank
            ("Command4", "77", "40"),
            ("close box", "77", "40"),
        ):
            with self.subTest(close=close):
                private.write_text(settings_text(40, 2000))
                private.chmod(0o600)
                self.open()
                box = self.controls["TxtNum"]
                self.assertEqual(text_of(box), "40", "the count read")
                self.assertEqual(value_of(self.controls["Hspeed"]), 2000, "the speed read")
                box.queryEditableText().setTextContents(typed)
                wait_for(lambda: text_of(box) == typed, f"the count {typed!r} typed")
                if close == "close box":
                    self.close_box(self.windows("^配置$")[0])
                else:
                    self.click(close)
                self.assertEqual(self.process.exit_status(60), 0)
                self.assertEqual(private.read_text(), settings_text(stored, 2000), "the file")
                self.assertTrue(self.settings.is_symlink(), "the link was replaced")
                self.assertEqual(oct(private.stat().st_mode & 0o777), "0o600", "the file's mode")

    def test_refused_write_shows_the_error_box_over_the_dialog_and_keeps_the_file(self):
        # Root writes anywhere, so the program runs as nobody, which cannot reach this
        # session's bus (the windows are found by their names) nor, maybe, the checkout: it
        # runs a copy of the program and its module in the home.
        self.settings.write_text(settings_text(40, 700))
        command = [LUMECK]
        if os.geteuid() == 0:
            program = self.home / "program"
            program.mkdir()
            for name in ("lumeck", "lumeck-gtk.so"):
                shutil.copy(pathlib.Path(LUMECK).with_name(name), program)
            run(["chown", "-R", "65534:65534", self.home])
            command = AS_NOBODY + [program / "lumeck"]
        os.chmod(self.settings.parent, 0o555)
        process = Started(command, env=dict(self.env, NO_AT_BRIDGE="1"))
        self.addCleanup(process.end)
        [dialog] = wait_for(lambda: self.windows("^配置$"), "the dialog")
        xdotool(self.env, "mousemove", "--window", dialog, 318, 28, "click", 1)
        [box] = wait_for(lambda: self.windows("^Lumeck$"), "the error box")
        owner = run(["xprop", "-id", box, "WM_TRANSIENT_FOR"], env=self.env)
        self.assertEqual(int(owner.split("#")[1], 16), dialog, "the box's owner")
        xdotool(self.env, "windowfocus", "--sync", box, "key", "Return")
        self.assertEqual(process.exit_status(60), 70)
        self.assertEqual(self.settings.read_text(), settings_text(40, 700))


if __name__ == "__main__":
    unittest.main(verbosity=2)
