"""What the tests read from the product's files and tools rather than restate, and its settings."""

import json
import os
import pathlib

from glimratest.processes import run

ROOT = pathlib.Path(__file__).resolve().parents[3]


def maker():
    """The maker's name and web address from resources/maker.txt: {"name": ..., "address": ...}."""
    lines = (ROOT / "resources" / "maker.txt").read_text(encoding="utf-8").splitlines()
    return dict(line.split("=", 1) for line in lines if "=" in line)


def layout(dpi, run_tool=run):
    """{name: place} of each control at dpi and of the "client" area, as the product computes them
    (GLIMRA_LAYOUT_TABLE); run_tool runs that program and returns its output."""
    rows = run_tool([os.environ["GLIMRA_LAYOUT_TABLE"], dpi]).splitlines()
    return {row["name"]: row for row in map(json.loads, rows)}


def settings_text(count, speed):
    """lumeck's settings file holding these texts, as it writes it."""
    return f"[config]\nNumberofPoint={count}\nspeed={speed}\n"


def settings_file(config_home):
    """Where lumeck run with this XDG_CONFIG_HOME keeps its settings, the folder made."""
    path = pathlib.Path(config_home, "Vestrel", "settings.ini")
    path.parent.mkdir(parents=True, exist_ok=True)
    return path
