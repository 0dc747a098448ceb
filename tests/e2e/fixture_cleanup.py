"""Ends the Wine world that fixture_setup.py made, and nothing else.

Reads the state file; runs `wineserver -k` with that WINEPREFIX only; ends the wineserver and
Xvfb that the set-up started, by their recorded PIDs, after checking that each PID still is
that process; removes the temporary directory and the state file.

Usage: fixture_cleanup.py --state FILE
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import harness


def log(message):
    print(f"[e2e cleanup] {message}", flush=True)


def command_line(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as source:
            return source.read().replace(b"\0", b" ").decode("utf-8", "replace")
    except OSError:
        return None


def wait_gone(pid, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if command_line(pid) is None:
            return True
        time.sleep(0.1)
    return False


def end_process(pid, expected, timeout=10):
    """Ends one recorded process, if that PID still runs the program that was started."""
    line = command_line(pid)
    if line is None:
        return
    if expected not in line:
        log(f"pid {pid} is now {line!r}, not {expected}; left alone")
        return
    os.kill(pid, signal.SIGTERM)
    if not wait_gone(pid, timeout):
        log(f"{expected} (pid {pid}) ignored SIGTERM; killing it")
        os.kill(pid, signal.SIGKILL)
        wait_gone(pid, timeout)
    log(f"ended {expected} (pid {pid})")


def is_own_work_dir(path):
    parent = os.path.realpath(tempfile.gettempdir())
    return (os.path.basename(path).startswith("glimra-e2e-")
            and os.path.realpath(os.path.dirname(path)) == parent)


def clean_up(state_path):
    state = harness.read_state(state_path)
    work = state.get("GLIMRA_E2E_DIR", "")
    if "WINEPREFIX" in state and "DISPLAY" in state and os.path.isdir(state["WINEPREFIX"]):
        done = subprocess.run(["wineserver", "-k"], env=harness.wine_env(state),
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=60)
        log(f"wineserver -k on {state['WINEPREFIX']} (exit {done.returncode})")
    if "WINESERVER_PID" in state:
        pid = int(state["WINESERVER_PID"])
        if not wait_gone(pid, 15):
            end_process(pid, "wineserver")
    if "XVFB_PID" in state:
        end_process(int(state["XVFB_PID"]), "Xvfb")
    if work and is_own_work_dir(work):
        shutil.rmtree(work, ignore_errors=True)
        log(f"removed {work}")
    os.unlink(state_path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--state", required=True)
    args = parser.parse_args()
    if not os.path.exists(args.state):
        log(f"no state file {args.state}; nothing to clean up")
        return 0
    clean_up(args.state)
    return 0


if __name__ == "__main__":
    sys.exit(main())
