"""Facts the tests read from the product's own files rather than restating them."""

import pathlib

ROOT = pathlib.Path(__file__).resolve().parents[3]


def maker():
    """The maker's name and web address from resources/maker.txt: {"name": ..., "address": ...}."""
    lines = (ROOT / "resources" / "maker.txt").read_text(encoding="utf-8").splitlines()
    return dict(line.split("=", 1) for line in lines if "=" in line)
