"""lumeck's settings dialog on a Wayland compositor with no X server: its controls where the
layout puts them at output scale 1 and 2, read through AT-SPI as on X11, and its logo drawn.
Runs on the D-Bus session of dbus-run-session, with Debian's python3 (pyatspi)."""
import json
import os
import subprocess
import sys
import unittest

import compositor

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gtk"))
from test_dialog import LAYOUT, descendants, extents, window_of  # noqa: E402 (X11's table)


def px(twips):  # logical pixels: the same at every output scale
    return (twips * 96 + 720) // 1440


def client_origin(tree, pid):
    """The window's client area's top-left corner in the layout, from sway's tree."""
    if tree.get("pid") == pid:
        return [tree["rect"][x] + tree["window_rect"][x] for x in "xy"]
    children = tree.get("nodes", []) + tree.get("floating_nodes", [])
    return next(filter(None, (client_origin(child, pid) for child in children)), None)


class DialogOnWayland(unittest.TestCase):
    def test_controls_at_their_places_and_the_logo_drawn_at_scale_1_and_2(self):
        sway = compositor.Sway()
        self.addCleanup(sway.stop)
        env = {key: value for key, value in sway.env.items() if key != "NO_AT_BRIDGE"}
        for scale in (1, 2):
            with self.subTest(scale=scale):
                sway.swaymsg("output * scale %d" % scale)
                process = subprocess.Popen([os.environ["GLIMRA_LUMECK"]], env=env)
                try:
                    self.check_dialog(sway, process, scale)
                finally:
                    process.kill()
                    process.wait()

    def check_dialog(self, sway, process, scale):
        window = window_of(process, "frame", "配置")
        controls = {node.accessibleId: node for node in descendants(window)}
        left, top, width, height = extents(window)
        self.assertEqual((width, height), (px(5295), px(2535)))
        for name, (place, caption, role) in LAYOUT.items():
            x, y, w, h = extents(controls[name])
            want = [px(twips) for twips in place]
            self.assertLessEqual(abs(x - left - want[0]) + abs(y - top - want[1]), 1, name)
            self.assertLessEqual(abs(w - (want[2] - want[0])), 99 if "Label" in name else 1, name)
        logo = [px(twips) for twips in LAYOUT["Image1"][0]]

        def logo_drawn():  # in the output's pixels, more colours than the background's one
            origin = client_origin(json.loads(sway.swaymsg("-t", "get_tree")), process.pid)
            area = (origin[0] + logo[0], origin[1] + logo[1], logo[2] - logo[0], logo[3] - logo[1])
            picture = sway.picture(area="%d,%d %dx%d" % area)
            self.assertEqual(picture.split()[1], b"%d" % (area[2] * scale))  # PPM: P6 W H
            return compositor.colour_count(picture) > 4

        self.assertTrue(compositor.poll(logo_drawn), "the logo is not drawn")


if __name__ == "__main__":
    unittest.main()
