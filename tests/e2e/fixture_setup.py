"""Sets up the Wine world of the end-to-end tests and writes its state file.

A private Xvfb display (-displayfd picks a free one), a fresh temporary WINEPREFIX with its
own persistent wineserver, the registry settings that make Wine behave like a desktop without
a window manager, and a CJK font for the Chinese window texts. Every process started here is
recorded by PID in the state file, so that fixture_cleanup.py ends exactly these.

Usage: fixture_setup.py --state FILE --driver driver.exe
"""

import argparse
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

import harness

CJK_FONT_FILE = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
CJK_FACE = "WenQuanYi Zen Hei"
# Names that Chinese Windows programs ask for, mapped onto the installed CJK face.
REPLACED_FACES = ("宋体", "新宋体", "SimSun", "NSimSun", "黑体", "SimHei",
                  "微软雅黑", "Microsoft YaHei", "Microsoft YaHei UI")
# Fonts without CJK glyphs that Wine draws captions, message boxes and dialogs with: linked to
# the CJK face, as a Chinese Windows links them to its own.
LINKED_FACES = ("Tahoma", "Tahoma Bold", "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2")
# Wine's own fonts, which Windows always has: Marlett draws the caption buttons, Tahoma the
# captions and message boxes. Debian's Wine 8 ships them but does not load them from there.
WINE_FONTS_DIR = "/usr/share/wine/fonts"
WINE_FONT_FILES = ("marlett.ttf", "tahoma.ttf", "tahomabd.ttf")
# Each must draw these as distinct glyphs.
CHECKED_FONTS = ("宋体", "SimSun", "Tahoma", "MS Shell Dlg", "caption", "message", "gui")
CHECK_TEXT = "配置声明确定取消慢快"


def log(message):
    print(f"[e2e setup {time.monotonic() - START:6.1f} s] {message}", flush=True)


def start_xvfb(work, state):
    read_end, write_end = os.pipe()
    xvfb_log = open(os.path.join(work, "xvfb.log"), "wb")
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
         "-nolisten", "tcp", "-wr"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=xvfb_log, stderr=xvfb_log,
        start_new_session=True)
    os.close(write_end)
    state["XVFB_PID"] = xvfb.pid
    # Xvfb writes the number and then a newline, and dies if the pipe is closed in between.
    reported = b""
    deadline = time.monotonic() + 30
    while not reported.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([read_end], [], [], max(deadline - time.monotonic(), 0))
        chunk = os.read(read_end, 64) if ready else b""
        if not chunk:
            break
        reported += chunk
    os.close(read_end)
    number = reported.decode().strip()
    if not number.isdigit():
        raise RuntimeError("Xvfb did not report a display number (see xvfb.log)")
    state["DISPLAY"] = f":{number}"
    log(f"Xvfb pid {xvfb.pid} on display {state['DISPLAY']}")


def start_wineserver(work, state):
    env = harness.wine_env(state)
    server_log = open(os.path.join(work, "wineserver.log"), "wb")
    # In the foreground (-f) so that its PID is the one recorded; persistent (-p) so that it
    # does not end between two Wine calls.
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=env, stdin=subprocess.DEVNULL,
                              stdout=server_log, stderr=server_log, start_new_session=True)
    state["WINESERVER_PID"] = server.pid
    log(f"wineserver pid {server.pid}")


def run_wine(state, args, work, name, timeout=300):
    with open(os.path.join(work, f"{name}.log"), "ab") as output:
        done = subprocess.run(args, env=harness.wine_env(state), stdin=subprocess.DEVNULL,
                              stdout=output, stderr=output, timeout=timeout)
    if done.returncode != 0:
        raise RuntimeError(f"{' '.join(args)} exited {done.returncode} (see {name}.log)")


def multi_sz_hex(strings):
    data = "".join(text + "\0" for text in strings) + "\0"
    return ",".join(f"{byte:02x}" for byte in data.encode("utf-16-le"))


def registry_file(path):
    """The settings of the test prefix as a regedit file (UTF-16, for the Chinese names)."""
    lines = ["Windows Registry Editor Version 5.00", "",
             r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]",
             '"Managed"="N"', "",
             r"[HKEY_CURRENT_USER\Software\Wine\WineDbg]",
             '"ShowCrashDialog"=dword:00000000', "",
             r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
    lines += [f'"{face}"="{CJK_FACE}"' for face in REPLACED_FACES]
    lines += ["", r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion"
                  r"\FontLink\SystemLink]"]
    link = multi_sz_hex([f"{os.path.basename(CJK_FONT_FILE)},{CJK_FACE}"])
    lines += [f'"{face}"=hex(7):{link}' for face in LINKED_FACES]
    with open(path, "w", encoding="utf-16") as out:
        out.write("\r\n".join(lines) + "\r\n")


def fonts_draw_glyphs(driver):
    """True when every checked font draws the Chinese texts as distinct glyphs."""
    for font in CHECKED_FONTS:
        answer = driver.text_ink(font, CHECK_TEXT)
        hashes = {char["hash"] for char in answer["chars"]}
        inked = all(char["ink"] > 0 for char in answer["chars"])
        if len(hashes) != len(CHECK_TEXT) or not inked:
            log(f"font {font} (face {answer['face']}) draws boxes or nothing for {CHECK_TEXT}")
            return False
    return True


def prefix_fonts_dir(state):
    fonts_dir = os.path.join(state["WINEPREFIX"], "drive_c", "windows", "Fonts")
    os.makedirs(fonts_dir, exist_ok=True)
    return fonts_dir


def install_wine_fonts(state, driver):
    if driver.text_ink("Marlett", "r")["face"] == "Marlett":
        return
    for name in WINE_FONT_FILES:
        shutil.copy(os.path.join(WINE_FONTS_DIR, name), prefix_fonts_dir(state))
    face = driver.text_ink("Marlett", "r")["face"]
    if face != "Marlett":
        raise RuntimeError(f"Marlett is still missing after copying it (got {face})")
    log(f"Wine's {', '.join(WINE_FONT_FILES)} copied into the prefix")


def install_fonts(state, driver):
    install_wine_fonts(state, driver)
    if fonts_draw_glyphs(driver):
        log(f"{CJK_FACE} found through fontconfig; Chinese texts draw as glyphs")
        return
    # Wine without fontconfig support finds fonts only in the prefix's Fonts folder.
    fonts_dir = prefix_fonts_dir(state)
    shutil.copy(CJK_FONT_FILE, fonts_dir)
    if not fonts_draw_glyphs(driver):
        raise RuntimeError(f"{CJK_FACE} does not draw the Chinese texts even from {fonts_dir}")
    log(f"{CJK_FACE} copied into the prefix; Chinese texts draw as glyphs")


def set_up(state_path, driver_path):
    work = tempfile.mkdtemp(prefix="glimra-e2e-")
    state = {"GLIMRA_E2E_DIR": work, "WINEPREFIX": os.path.join(work, "prefix")}
    os.mkdir(state["WINEPREFIX"])
    # The state file is written as soon as there is something to clean up.
    try:
        start_xvfb(work, state)
        harness.write_state(state_path, state)
        start_wineserver(work, state)
        harness.write_state(state_path, state)
        run_wine(state, ["wineboot", "-i"], work, "wineboot")
        log("prefix created (wineboot -i)")
        reg_path = os.path.join(work, "settings.reg")
        registry_file(reg_path)
        run_wine(state, ["wine", "regedit", "/S", harness.windows_path(reg_path)], work, "regedit")
        log("registry set: X11 Driver Managed=N, ShowCrashDialog=0, font replacements and links")
        install_fonts(state, harness.Driver(state, driver_path))
        harness.Driver(state, driver_path).call("show-window", 500, timeout=120)
        log("Wine's desktop is up (first window shown)")
        if not os.path.exists(f"/proc/{state['XVFB_PID']}"):
            raise RuntimeError("Xvfb has ended (see xvfb.log)")
    except BaseException:
        harness.write_state(state_path, state)
        raise
    harness.write_state(state_path, state)
    log(f"state written to {state_path}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--state", required=True)
    parser.add_argument("--driver", required=True)
    args = parser.parse_args()
    if os.path.exists(args.state):
        # A run that was cut off left its world behind: end it before making a new one.
        subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__),
                                                     "fixture_cleanup.py"), "--state", args.state])
    try:
        set_up(args.state, args.driver)
    except BaseException as error:
        log(f"set-up failed: {error}; cleaning up")
        subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__),
                                                     "fixture_cleanup.py"), "--state", args.state])
        return 1
    log("done")
    return 0


START = time.monotonic()

if __name__ == "__main__":
    sys.exit(main())
