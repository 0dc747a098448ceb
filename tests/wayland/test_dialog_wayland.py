"""lumeck's settings dialog on a Wayland compositor with no X server: its controls where the
layout puts them at output scale 1 and 2, read through AT-SPI as on X11, and its logo drawn.
Runs on a D-Bus session of its own, with Debian's python3 (pyatspi)."""
import json
import os
import unittest

import compositor
from glimratest import session
from glimratest.processes import Started, run
from glimratest.session import descendants, extents, window_of
from glimratest.waiting import wait_for


def setUpModule():
    bus = session.start_session()
    unittest.addModuleCleanup(bus.end)


def layout():
    """Each control's place as the product computes it, in logical pixels (the same at every
    output scale), by name; "client" the whole."""
    rows = run([os.environ["GLIMRA_LAYOUT_TABLE"], 96]).splitlines()
    return {row["name"]: row for row in map(json.loads, rows)}


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
                process = Started([os.environ["GLIMRA_LUMECK"]], env=env)
                try:
                    self.check_dialog(sway, process, scale)
                finally:
                    process.end()

    def check_dialog(self, sway, process, scale):
        window = window_of(process, "frame", "配置")
        controls = {node.accessibleId: node for node in descendants(window)}
        places = layout()
        client = places.pop("client")
        size = (client["right"] - client["left"], client["bottom"] - client["top"])
        # A window can be read while the compositor still configures it.
        wait_for(lambda: extents(window)[2:], f"the client area at scale {scale}", done=size.__eq__)
        left, top = extents(window)[:2]
        for name, place in places.items():
            x, y, w, h = extents(controls[name])
            self.assertEqual((x - left, y - top), (place["left"], place["top"]), name)
            if place["kind"] == "label":  # a label fits its caption, never less
                w = min(w, place["right"] - place["left"])
            self.assertEqual(w, place["right"] - place["left"], f"{name}'s width")
        logo = places["Image1"]
        logo = [logo["left"], logo["top"], logo["right"], logo["bottom"]]

        def logo_drawn():  # in the output's pixels, more colours than the background's one
            origin = client_origin(json.loads(sway.swaymsg("-t", "get_tree")), process.pid)
            area = (origin[0] + logo[0], origin[1] + logo[1], logo[2] - logo[0], logo[3] - logo[1])
            picture = sway.picture(area="%d,%d %dx%d" % area)
            self.assertEqual(picture.split()[1], b"%d" % (area[2] * scale))  # PPM: P6 W H
            return compositor.colour_count(picture) > 4

        self.assertTrue(compositor.poll(logo_drawn), "the logo is not drawn")


if __name__ == "__main__":
    unittest.main()
