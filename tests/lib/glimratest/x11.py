"""The two-head Xorg that the X11 suites share as a ctest fixture, with a settings and runtime
folder of its own: `python3 -m glimratest.x11 setup|cleanup` starts it and ends it by its PID,
keeping its state in the file GLIMRA_X11_STATE names. Case is a test on it."""

import ctypes
import json
import os
import shutil
import sys
import tempfile
import unittest

from glimratest import displays, pictures, product
from glimratest.processes import Started


def dots(display, area, width=None):
    """The 4-connected blobs of a display inside area (x, y, width, height); with a width, only
    the whole dots that wide."""
    left, top, area_width, area_height = area
    rect = pictures.Rect(left, top, left + area_width, top + area_height)
    found = pictures.blobs(dict(os.environ, DISPLAY=display), rect, connectivity=4)
    return [blob for blob in found if width is None or (blob.width, blob.height) == (width, width)]


class CursorImage(ctypes.Structure):  # XFixesCursorImage, as far as the pixels
    _fields_ = [(name, ctypes.c_ushort) for name in ("x", "y", "width", "height", "xhot", "yhot")]
    _fields_ += [("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong))]


def pointer_hidden(display):
    """Whether the pointer in use shows no pixel, as XFixes gives its image."""
    xlib, xfixes = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXfixes.so.3")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    connection = ctypes.c_void_p(xlib.XOpenDisplay(display.encode()))
    image = xfixes.XFixesGetCursorImage(connection).contents
    pixels = image.pixels[: image.width * image.height]
    xlib.XCloseDisplay(connection)
    return not any(pixel >> 24 for pixel in pixels)  # no alpha anywhere


def load_state():
    with open(os.environ["GLIMRA_X11_STATE"]) as state:
        return json.load(state)


def env(state, **extra):
    folder = state["folder"]
    server = displays.XServer(**state["server"])
    return server.env(XDG_CONFIG_HOME=folder + "/config", XDG_RUNTIME_DIR=folder + "/run", **extra)


class Case(unittest.TestCase):
    """A test on the shared display; lumeck starts with these settings (count, interval)."""

    settings = (30, 100)

    @classmethod
    def setUpClass(cls):
        cls.state = load_state()
        cls.display = cls.state["server"]["display"]
        settings = product.settings_file(cls.state["folder"] + "/config")
        settings.write_text(product.settings_text(*cls.settings))

    def run_helper(self, *args):
        """The tests' X helper (GLIMRA_HOST_WINDOW) beside the test, its input and output open."""
        command = [os.environ["GLIMRA_HOST_WINDOW"], *args]
        helper = Started(command, env=env(self.state), stdin=-1, stdout=-1, text=True)
        self.addCleanup(helper.end)
        return helper

    def xdotool(self, *args):
        return displays.xdotool(env(self.state), *args)

    def start(self, *args, program=None, **extra_env):
        """lumeck, or another program, with args and extra_env on the display till the test ends."""
        command = [os.environ["GLIMRA_LUMECK"]] if program is None else program
        process = Started(command + list(args), env=env(self.state, **extra_env))
        self.addCleanup(process.end)
        return process


def setup():
    folder = tempfile.mkdtemp(prefix="glimra-x11-")
    os.mkdir(folder + "/run", 0o700)
    displays.cache_fonts()
    server = displays.start_two_heads(folder)
    with open(os.environ["GLIMRA_X11_STATE"], "w") as out:
        json.dump({"folder": folder, "server": server.__dict__}, out)


def cleanup():
    state = load_state()
    displays.XServer(**state["server"]).stop()
    shutil.rmtree(state["folder"], ignore_errors=True)


if __name__ == "__main__":
    {"setup": setup, "cleanup": cleanup}[sys.argv[1]]()
