"""Prepares a Wine prefix for Lumeck.scr: Wine's own caption fonts (Tahoma, and Marlett for
the title-bar buttons), and a CJK face standing in for the names the program asks for
("宋体", SimSun), linked behind the Latin UI fonts so that captions and message boxes show
Chinese. The end-to-end tests prepare their prefix with this too, adding their own settings.

Usage: prepare_wine_prefix.py   (WINEPREFIX and the rest of Wine's environment are set)
"""

import os
import shutil
import subprocess
import sys
import tempfile

CJK_FONT_FILE = "wqy-zenhei.ttc"
CJK_FACE = "WenQuanYi Zen Hei"
REPLACED_FACES = (
    "宋体",
    "新宋体",
    "SimSun",
    "NSimSun",
    "黑体",
    "SimHei",
    "微软雅黑",
    "Microsoft YaHei",
    "Microsoft YaHei UI",
)
LINKED_FACES = ("Tahoma", "Tahoma Bold", "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2")
WINE_FONTS = ("/usr/share/wine/fonts", ("marlett.ttf", "tahoma.ttf", "tahomabd.ttf"))


def registry_lines():
    link = (f"{CJK_FONT_FILE},{CJK_FACE}\0\0").encode("utf-16-le")
    link_hex = ",".join(f"{byte:02x}" for byte in link)
    lines = [r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
    lines += [f'"{face}"="{CJK_FACE}"' for face in REPLACED_FACES]
    lines += [
        "",
        r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion"
        r"\FontLink\SystemLink]",
    ]
    return lines + [f'"{face}"=hex(7):{link_hex}' for face in LINKED_FACES]


def run_wine_tool(command, env):
    """Runs a Wine tool to its end. A failure raises with its exit status and what it wrote to
    stderr, kept in a file: the programs that Wine starts inherit the descriptor, and would hold
    a pipe open."""
    with tempfile.TemporaryFile() as errors:
        done = subprocess.run(
            command,
            env=env,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=errors,
            timeout=300,
        )
        if done.returncode != 0:
            errors.seek(0)
            said = errors.read().decode(errors="replace").strip()
            raise RuntimeError(f"{command[:2]} failed, exit status {done.returncode}: {said}")


def import_registry(lines, env=None):
    """Imports regedit lines (after the header) into the prefix of env."""
    with tempfile.NamedTemporaryFile("w", suffix=".reg", encoding="utf-16", delete=False) as reg:
        reg.write("\r\n".join(["Windows Registry Editor Version 5.00", ""] + lines) + "\r\n")
    try:
        run_wine_tool(["wine", "regedit", "/S", "Z:" + reg.name.replace("/", "\\")], env)
    finally:
        os.unlink(reg.name)


def prepare(env=None, extra_lines=()):
    """Creates the prefix of env (default: this process's) with the fonts and settings."""
    prefix = (env or os.environ)["WINEPREFIX"]
    run_wine_tool(["wineboot", "-i"], env)
    import_registry(registry_lines() + [""] + list(extra_lines), env)
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    folder, names = WINE_FONTS
    for name in names:
        if os.path.exists(os.path.join(folder, name)):
            shutil.copy(os.path.join(folder, name), fonts)


def main():
    print(
        f"Preparing the Wine prefix {os.environ['WINEPREFIX']} (once; about half a minute)",
        flush=True,
    )
    prepare()
    subprocess.run(["wineserver", "-w"], check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
