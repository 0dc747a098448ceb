"""lumeck's settings dialog on a Wayland compositor with no X server: its controls where the
layout puts them at output scale 1 and 2, read through AT-SPI as on X11, and its pictures
drawn. Runs on the D-Bus session of dbus-run-session, with Debian's python3 (pyatspi)."""
import json
import os
import subprocess
import sys
import unittest

import compositor

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gtk"))
from test_dialog import LAYOUT, descendants, extents, window_of  # noqa: E402 (X11's table)


def content_rect(tree, pid):
    """The window's client area in layout coordinates, from sway's tree."""
    if tree.get("pid") == pid:
        outer, inner = tree["rect"], tree["window_rect"]
        return outer["x"] + inner["x"], outer["y"] + inner["y"]
    for child in tree.get("nodes", []) + tree.get("floating_nodes", []):
        if found := content_rect(child, pid):
            return found
    return None


class DialogOnWayland(unittest.TestCase):
    def test_controls_at_their_places_and_pictures_drawn_at_scale_1_and_2(self):
        sway = compositor.Sway()
        self.addCleanup(sway.stop)
        env = dict(sway.env, HOME=sway.folder)
        env.pop("NO_AT_BRIDGE", None)
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
        px = lambda twips: (twips * 96 + 720) // 1440  # noqa: E731 (logical pixels)
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

        def logo_colours():
            origin = content_rect(json.loads(sway.swaymsg("-t", "get_tree", "-r")), process.pid)
            area = "%d,%d %dx%d" % (
                origin[0] + logo[0],
                origin[1] + logo[1],
                logo[2] - logo[0],
                logo[3] - logo[1],
            )
            shot = subprocess.run(
                ["grim", "-g", area, "-t", "ppm", "-"],
                env=sway.env,
                check=True,
                capture_output=True,
            ).stdout
            found = subprocess.run(
                ["convert", "ppm:-", "-format", "%w %k", "info:"],
                input=shot,
                check=True,
                capture_output=True,
            ).stdout.split()
            self.assertEqual(int(found[0]), (logo[2] - logo[0]) * scale)  # in output pixels
            return int(found[1]) > 4  # the background alone is one colour

        self.assertTrue(compositor.poll(logo_colours), "the logo is not drawn")


if __name__ == "__main__":
    unittest.main()
