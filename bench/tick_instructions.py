#!/usr/bin/env python3
"""Instructions a tick, lumeck "/s" against the bare painter, counted by callgrind.

    bench/tick_instructions.py x11|wayland [seconds]   (default 20 s; needs valgrind)

Each program runs alone under callgrind on the display of bench/saver_ratio.py; the counts
are zeroed once it has settled (8 s: valgrind starts slowly) and dumped `seconds` later, so
start-up is left out, and divided by the ticks of that time (100 ms each). Unlike CPU time,
the count does not depend on what else the machine runs. It leaves out the kernel: a system
call, a page fault or a cache miss counts as nothing here. For lumeck the parts of its loop
are shown too: the tick (painting and presenting) and the reading of the display.
"""
import glob
import os
import shutil
import subprocess
import sys
import time

import saver_ratio

# lumeck's parts, inclusive: the tick, of it the new dot and the Wayland commit; the send
# before the poll and the reading after it.
PARTS = (
    ("tick", "::OnTimer()"),
    ("new dot", "::createpoint("),
    ("commit", "::Present()"),
    ("before the poll", "::BeforePoll()"),
    ("after the poll", "::AfterPoll(short)"),
)


def count(command, env, seconds, folder):
    """Instructions of the whole window and the inclusive ones of each of PARTS."""
    output = os.path.join(folder, "callgrind.out")
    process = subprocess.Popen(
        ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + output, *command],
        env=env,
        stderr=subprocess.DEVNULL,
    )
    time.sleep(8)
    subprocess.run(
        ["callgrind_control", "--zero", str(process.pid)], check=True, capture_output=True
    )
    start = time.monotonic()
    time.sleep(seconds)
    subprocess.run(
        ["callgrind_control", "--dump", str(process.pid)], check=True, capture_output=True
    )
    ticks = (time.monotonic() - start) * 10
    process.terminate()
    process.wait()
    dump = sorted(glob.glob(output + ".*"))[0]
    report = subprocess.run(
        ["callgrind_annotate", "--inclusive=yes", "--threshold=100", dump],
        check=True,
        capture_output=True,
        text=True,
    ).stdout
    lines = [
        line for line in report.splitlines() if line.strip()[:1].isdigit() and "=>" not in line
    ]
    total = int(report.split(" (100.0%)  PROGRAM TOTALS")[0].split()[-1].replace(",", ""))
    parts = {}
    for part, name in PARTS:
        found = [int(line.split()[0].replace(",", "")) for line in lines if name in line]
        if found:
            parts[part] = max(found)  # a thunk or a lambda around it counts the same or less
    for leftover in glob.glob(output + "*"):
        os.remove(leftover)
    return total / ticks, {part: value / ticks for part, value in parts.items()}


def main():
    system = sys.argv[1] if len(sys.argv) > 1 else "x11"
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 20
    folder = saver_ratio.settings_folder()
    display = saver_ratio.Xvfb(folder) if system == "x11" else saver_ratio.Sway(folder)
    try:
        for name, command in (
            ("lumeck", [saver_ratio.LUMECK, "/s"]),
            ("bare painter", [saver_ratio.BARE[system]]),
        ):
            total, parts = count(command, display.env, seconds, folder)
            shown = ", ".join("%s %d" % (part, value) for part, value in parts.items())
            print("%s: %d instructions a tick%s" % (name, total, shown and "; " + shown))
    finally:
        display.stop()
        shutil.rmtree(folder)


if __name__ == "__main__":
    main()
