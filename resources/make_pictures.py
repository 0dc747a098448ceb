#!/usr/bin/env python3
"""Makes the saver's pictures from the pixel art in art/.

    python3 make_pictures.py [OUTPUT_DIR]

Writes the dialog icon (dialog.ico, and dialog_icon.dib: the same image without the icon
directory, which is how an icon image sits in an executable's resources), the arrow and
logo GIFs and the hand cursor. OUTPUT_DIR defaults to this folder, where the results are
kept under version control; the build uses those copies and never runs this script.

An art file has directive lines, then "pixels" and one text row per pixel row:
    size W H            picture size
    colours N           entries of the colour table (2, 4, 16, 256 ...)
    colour C R G B [transparent]
                        pixel character C and its colour; table index = order of listing
    hotspot X Y         cursors only
Lines starting with "//" are comments.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


class Art:
    def __init__(self, path):
        self.colours = []  # (char, (r, g, b), transparent)
        self.table_size = 0
        self.hotspot = (0, 0)
        self.rows = []
        lines = open(path, encoding="utf-8").read().splitlines()
        in_pixels = False
        for line in lines:
            if in_pixels:
                self.rows.append(line.rstrip())
                continue
            words = line.split()
            if not words or words[0].startswith("//"):
                continue
            if words[0] == "size":
                self.width, self.height = int(words[1]), int(words[2])
            elif words[0] == "colours":
                self.table_size = int(words[1])
            elif words[0] == "colour":
                rgb = tuple(int(v) for v in words[2:5])
                self.colours.append((words[1], rgb, words[5:] == ["transparent"]))
            elif words[0] == "hotspot":
                self.hotspot = (int(words[1]), int(words[2]))
            elif words[0] == "pixels":
                in_pixels = True
            else:
                raise ValueError(f"{path}: unknown line {line!r}")
        self._check(path)

    def _check(self, path):
        chars = [c for c, _, _ in self.colours]
        if len(self.rows) != self.height or any(len(r) != self.width for r in self.rows):
            raise ValueError(f"{path}: pixel rows do not match size {self.width}x{self.height}")
        unknown = set("".join(self.rows)) - set(chars)
        if unknown:
            raise ValueError(f"{path}: pixels of no colour: {sorted(unknown)}")

    def index_rows(self):
        index = {c: i for i, (c, _, _) in enumerate(self.colours)}
        return [[index[c] for c in row] for row in self.rows]

    def transparent_index(self):
        found = [i for i, (_, _, t) in enumerate(self.colours) if t]
        if len(found) != 1:
            raise ValueError("a picture has exactly one transparent colour")
        return found[0]


# ---- GIF89a --------------------------------------------------------------------------------


def lzw_codes(indices, min_code_size):
    """Yields (code, width in bits) for the GIF variant of LZW."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    width = min_code_size + 1
    table = {(i,): i for i in range(clear)}
    next_code = end + 1
    yield clear, width
    prefix = ()
    for k in indices:
        if prefix + (k,) in table:
            prefix += (k,)
            continue
        yield table[prefix], width
        if next_code == 4096:  # table full: start afresh rather than carry on unlearning
            yield clear, width
            table = {(i,): i for i in range(clear)}
            next_code, width = end + 1, min_code_size + 1
        else:
            table[prefix + (k,)] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        prefix = (k,)
    if prefix:
        yield table[prefix], width
    yield end, width


def lzw_bytes(indices, min_code_size):
    out, acc, bits = bytearray(), 0, 0
    for code, width in lzw_codes(indices, min_code_size):
        acc |= code << bits
        bits += width
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif(art):
    bits = art.table_size.bit_length() - 1
    if art.table_size != 1 << bits or not 1 <= bits <= 8 or len(art.colours) > art.table_size:
        raise ValueError("a GIF colour table has 2 to 256 entries, a power of two")
    table = [rgb for _, rgb, _ in art.colours]
    table += [(0, 0, 0)] * (art.table_size - len(table))
    packed = 0x80 | (bits - 1) << 4 | (bits - 1)  # global table, its resolution and size
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", art.width, art.height, packed, 0, 0)
    out += b"".join(bytes(rgb) for rgb in table)
    out += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, 0x01, 0, art.transparent_index(), 0)
    out += struct.pack("<BHHHHB", 0x2C, 0, 0, art.width, art.height, 0)
    min_code_size = max(2, bits)
    data = lzw_bytes([i for row in art.index_rows() for i in row], min_code_size)
    out.append(min_code_size)
    for start in range(0, len(data), 255):
        block = data[start : start + 255]
        out.append(len(block))
        out += block
    out += b"\x00\x3b"
    return bytes(out)


# ---- icons and cursors ---------------------------------------------------------------------


def dib(art):
    """The image of an icon or cursor: header, colour table, colour bits, then the mask.

    A transparent pixel is colour 0 under a set mask bit, so colour 0 must be black: the
    screen is ANDed with the mask and then XORed with the colour."""
    bpp = art.table_size.bit_length() - 1
    table = []
    for _, rgb, _ in art.colours:
        if rgb not in table:
            table.append(rgb)
    if table[0] != (0, 0, 0) or art.colours[art.transparent_index()][1] != (0, 0, 0):
        raise ValueError("icons and cursors list black first and use it as the transparent colour")
    if bpp not in (1, 4) or len(table) > art.table_size:
        raise ValueError("icons and cursors here have 2 or 16 colours")
    slot = {c: table.index(rgb) for c, rgb, _ in art.colours}
    transparent = art.colours[art.transparent_index()][0]
    table += [(0, 0, 0)] * (art.table_size - len(table))

    def packed_rows(values_of_row, bits):
        rows = []
        for row in reversed(art.rows):  # bottom-up
            acc = 0
            for v in values_of_row(row):
                acc = acc << bits | v
            nbits = art.width * bits
            stride = (nbits + 31) // 32 * 4
            rows.append((acc << (stride * 8 - nbits)).to_bytes(stride, "big"))
        return b"".join(rows)

    colour = packed_rows(lambda row: [slot[c] for c in row], bpp)
    mask = packed_rows(lambda row: [int(c == transparent) for c in row], 1)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,
        art.width,
        2 * art.height,
        1,
        bpp,
        0,
        len(colour) + len(mask),
        0,
        0,
        0,
        0,
    )
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in table)
    return header + palette + colour + mask


def icon_file(art, kind):
    """An .ico (kind 1) or .cur (kind 2) holding one image."""
    image = dib(art)
    if kind == 1:
        planes, bits = 1, art.table_size.bit_length() - 1
    else:
        planes, bits = art.hotspot
    colours = art.table_size if art.table_size < 256 else 0
    directory = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack(
        "<BBBBHHII", art.width, art.height, colours, 0, planes, bits, len(image), 6 + 16
    )
    return directory + entry + image


# ---- the pictures --------------------------------------------------------------------------


def art(name):
    return Art(os.path.join(HERE, "art", name + ".txt"))


def pictures():
    icon = art("dialog_icon")
    return {
        "dialog.ico": icon_file(icon, 1),
        "dialog_icon.dib": dib(icon),
        "up_arrow.gif": gif(art("up_arrow")),
        "down_arrow.gif": gif(art("down_arrow")),
        "logo.gif": gif(art("logo")),
        "hand.cur": icon_file(art("hand"), 2),
    }


def main(argv):
    out_dir = argv[1] if len(argv) > 1 else HERE
    os.makedirs(out_dir, exist_ok=True)
    for name, data in pictures().items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv)
