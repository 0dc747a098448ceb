"""Prepares a Wine prefix for Lumeck.scr once, as the tests prepare theirs, but for a desktop
that has a window manager: Wine's own caption fonts (Tahoma, and Marlett for the title-bar
buttons), and a CJK face standing in for the names the program asks for ("宋体", SimSun),
linked behind the Latin UI fonts so that captions and message boxes show Chinese.

Usage: prepare_wine_prefix.py   (WINEPREFIX and the rest of Wine's environment are set)
"""

import os
import shutil
import subprocess
import sys
import tempfile

CJK_FONT_FILE = "wqy-zenhei.ttc"
CJK_FACE = "WenQuanYi Zen Hei"
REPLACED_FACES = ("宋体", "新宋体", "SimSun", "NSimSun", "黑体", "SimHei",
                  "微软雅黑", "Microsoft YaHei", "Microsoft YaHei UI")
LINKED_FACES = ("Tahoma", "Tahoma Bold", "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2")
WINE_FONTS = ("/usr/share/wine/fonts", ("marlett.ttf", "tahoma.ttf", "tahomabd.ttf"))


def registry_lines():
    link = (f"{CJK_FONT_FILE},{CJK_FACE}\0\0").encode("utf-16-le")
    link_hex = ",".join(f"{byte:02x}" for byte in link)
    lines = ["Windows Registry Editor Version 5.00", "",
             r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
    lines += [f'"{face}"="{CJK_FACE}"' for face in REPLACED_FACES]
    lines += ["", r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion"
                  r"\FontLink\SystemLink]"]
    lines += [f'"{face}"=hex(7):{link_hex}' for face in LINKED_FACES]
    return lines


def main():
    prefix = os.environ["WINEPREFIX"]
    quiet = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL,
             "stderr": subprocess.DEVNULL}
    print(f"Preparing the Wine prefix {prefix} (once; about half a minute)", flush=True)
    subprocess.run(["wineboot", "-i"], check=True, **quiet)
    with tempfile.NamedTemporaryFile("w", suffix=".reg", encoding="utf-16", delete=False) as reg:
        reg.write("\r\n".join(registry_lines()) + "\r\n")
    try:
        subprocess.run(["wine", "regedit", "/S", "Z:" + reg.name.replace("/", "\\")],
                       check=True, **quiet)
    finally:
        os.unlink(reg.name)
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    folder, names = WINE_FONTS
    for name in names:
        if os.path.exists(os.path.join(folder, name)):
            shutil.copy(os.path.join(folder, name), fonts)
    subprocess.run(["wineserver", "-w"], check=True, **quiet)
    return 0


if __name__ == "__main__":
    sys.exit(main())
