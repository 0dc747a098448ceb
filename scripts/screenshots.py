#!/usr/bin/env python3
"""Makes the README's pictures from the real programs, on a private Xvfb as the tests run
them: the settings dialog of Lumeck.scr under Wine and of lumeck in GTK, and the saver at
work. Build the windows and linux presets first.

    python3 scripts/screenshots.py [OUTPUT_DIR]      (default: docs)

Everything runs with a home and a Wine prefix of its own, made for the run and removed
after it; nothing of the user's is read or changed."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import prepare_wine_prefix  # noqa: E402

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SETTINGS = "[config]\nNumberofPoint=80\nspeed=100\n"


def wait_for(condition, what, timeout=60.0):
    end = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > end:
            sys.exit("screenshots.py: timed out waiting for " + what)
        time.sleep(0.2)
    return value


def shoot(env, window, path, *options):
    """Writes the window's picture once two shots in a row agree (it has finished drawing)."""
    take = ["import", "-window", window, *options, "png:-"]
    shots = [b""]
    while len(shots) < 2 or shots[-1] != shots[-2]:
        time.sleep(0.3)
        shots.append(subprocess.run(take, env=env, capture_output=True, check=True).stdout)
    open(path, "wb").write(shots[-1])
    print("wrote", path)


def dialog(env, command, path):
    program = subprocess.Popen(command, env=env, stderr=subprocess.DEVNULL)
    try:
        search = ["xdotool", "search", "--onlyvisible", "--name", "^配置$"]
        window = wait_for(
            lambda: subprocess.run(search, env=env, capture_output=True, text=True).stdout.split(),
            "the dialog",
        )
        shoot(env, window[0], path)
    finally:
        program.terminate()
        program.wait()


def main():
    output = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "docs"))
    os.makedirs(output, exist_ok=True)
    home = tempfile.mkdtemp(prefix="glimra-shots-")
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=[write_end],
        stderr=subprocess.DEVNULL,
    )
    os.close(write_end)
    try:
        os.chmod(home, 0o700)
        os.makedirs(home + "/config/Vestrel")
        with open(home + "/config/Vestrel/settings.ini", "w") as settings:
            settings.write(SETTINGS)
        env = dict(
            os.environ,
            DISPLAY=":" + os.fdopen(read_end).readline().strip(),
            HOME=home,
            XDG_CONFIG_HOME=home + "/config",
            XDG_RUNTIME_DIR=home,
        )
        lumeck = os.path.join(TOP, "build/linux/lumeck")
        dialog(env, [lumeck], os.path.join(output, "dialog-gtk.png"))

        saver = subprocess.Popen([lumeck, "--root"], env=env)
        time.sleep(6)  # about 60 dots at 100 ms; then it stands still for its picture
        saver.send_signal(signal.SIGSTOP)
        shoot(env, "root", os.path.join(output, "saver.png"), "-crop", "640x400+0+0")
        saver.kill()
        saver.wait()

        wine = dict(
            env,
            WINEPREFIX=home + "/wine",
            WINEARCH="win64",
            WINEDEBUG="-all",
            WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
        )
        prepare_wine_prefix.prepare(wine)
        scr = os.path.join(TOP, "build/windows/Lumeck.scr")
        dialog(wine, ["wine", scr, "/c"], os.path.join(output, "dialog-windows.png"))
        subprocess.run(["wineserver", "-w"], env=wine)
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
