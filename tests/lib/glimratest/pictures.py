"""What a display or a picture shows, through ImageMagick: its colours, and the areas that are not
black counted as blobs."""

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


def shows(ppm, colour):
    """Whether a binary PPM picture with 8-bit samples holds a pixel of colour (three bytes)."""
    pixels = ppm[ppm.index(b"\n255\n") + 5 :]
    at = pixels.find(colour)
    while at > 0 and at % 3:  # a match across two pixels
        at = pixels.find(colour, at + 1)
    return at >= 0


def colours(ppm):
    """How many colours a PPM picture holds."""
    return int(run(["convert", "ppm:-", "-format", "%k", "info:"], input=ppm, text=False))


def blobs(env, rect=None, connectivity=8):
    """The areas of the display of env (its DISPLAY), or of a Rect of it, that are not black."""
    crop = ["-crop", f"{rect.width}x{rect.height}+{rect.left}+{rect.top}"] if rect else []
    command = ["import", "-window", "root", *crop, "+repage", "-depth", "8", "ppm:-"]
    return blobs_of(run(command, env=env, text=False), connectivity)


def blobs_of(ppm, connectivity=8):
    """The areas of a PPM picture that are not black."""
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
