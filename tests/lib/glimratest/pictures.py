"""What a display shows, through ImageMagick: screenshots with exact pixels, and the areas that
are not black counted as blobs."""

import dataclasses
import re

from glimratest.processes import run


@dataclasses.dataclass(frozen=True)
class Rect:
    left: int
    top: int
    right: int
    bottom: int

    @property
    def width(self):
        return self.right - self.left

    @property
    def height(self):
        return self.bottom - self.top


@dataclasses.dataclass(frozen=True)
class Blob:
    """An 8- or 4-connected area of pixels that are not black."""

    left: int
    top: int
    width: int
    height: int
    pixels: int

    def inside(self, rect):
        """Whether it lies inside rect (relative to the shot) without touching its edges."""
        return (
            self.left > rect.left
            and self.top > rect.top
            and self.left + self.width < rect.right
            and self.top + self.height < rect.bottom
        )


@dataclasses.dataclass(frozen=True)
class Picture:
    width: int
    height: int
    rgb: bytes

    def pixel(self, x, y):
        start = (y * self.width + x) * 3
        return tuple(self.rgb[start : start + 3])

    def pixels(self, rect):
        """The pixels of rect, row by row."""
        return [
            [self.pixel(x, y) for x in range(rect.left, rect.right)]
            for y in range(rect.top, rect.bottom)
        ]


def _capture(env, rect):
    crop = ["-crop", f"{rect.width}x{rect.height}+{rect.left}+{rect.top}"] if rect else []
    command = ["import", "-window", "root", *crop, "+repage", "-depth", "8", "ppm:-"]
    return run(command, env=env, text=False)


def screenshot(env, rect=None):
    """The display of env (its DISPLAY), or a Rect of it, as exact 8-bit pixels."""
    ppm = _capture(env, rect)
    _, width, height, _, rgb = ppm.split(maxsplit=4)
    return Picture(int(width), int(height), rgb)


def blobs(env, rect=None, connectivity=8):
    """The areas of the display (or a Rect of it) that are not black."""
    ppm = _capture(env, rect)
    command = ["convert", "ppm:-", "-fill", "white", "+opaque", "black"]
    command += ["-define", "connected-components:verbose=true"]
    command += ["-connected-components", str(connectivity), "null:"]
    report = run(command, input=ppm, text=False).decode()
    found = []
    for line in report.splitlines()[1:]:
        # "  1: 12x12+300+200 305.5,205.5 113 srgb(255,255,255)"
        fields = re.split(r"[x+ ]+", line.strip())
        if fields[-1] == "srgb(255,255,255)":
            width, height, left, top = (int(field) for field in fields[1:5])
            found.append(Blob(left, top, width, height, int(fields[-2])))
    return found
