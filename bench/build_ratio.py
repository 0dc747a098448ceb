#!/usr/bin/env python3
"""lumeck "/s" of this build against another build's, one after the other.

    bench/build_ratio.py x11|wayland BASELINE_LUMECK [starts]
        (this build: build/linux, or the build tree in GLIMRA_BUILD_DIR; 100 starts each)

Each start alternates between the two programs, on a private Xvfb or a headless sway as
bench/saver_ratio.py makes them: the time from the start of the process to its first frame,
then, once it has run for a second, the resident pages of the files it maps (lumeck, its
modules and their libraries) and its peak memory. Two lumecks never run at
once: the second would find the first one's instance lock. Medians, and the ratio of this
build's to the baseline's.
"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import saver_ratio  # noqa: E402  (the displays and the build)


def file_pages(pid):
    """Resident KB of the file mappings in process pid, and the shared objects' names."""
    total, names, mapped = 0, set(), False
    for line in open("/proc/%d/smaps" % pid):
        fields = line.split()
        if "-" in fields[0] and ":" not in fields[0]:
            path = fields[-1] if len(fields) >= 6 else ""
            mapped = path.startswith("/")
            if ".so" in path:
                names.add(os.path.basename(path))
        elif fields[0] == "Rss:" and mapped:
            total += int(fields[1])
    return total, names


def running_costs(command, env):
    """File pages and peak memory in KB, and the shared objects mapped, after a second."""
    process = subprocess.Popen(command, env=env)
    time.sleep(1)
    pages, names = file_pages(process.pid)
    peak, _ = saver_ratio.status(process.pid)
    process.terminate()
    process.wait()
    return pages, peak, names


def main():
    system, baseline = sys.argv[1], sys.argv[2]
    starts = int(sys.argv[3]) if len(sys.argv) > 3 else 100
    programs = {"this build": saver_ratio.LUMECK, "baseline": baseline}
    measures = {name: {"start-up ms": [], "file pages KB": [], "peak KB": []} for name in programs}
    libraries = {}
    folder = saver_ratio.settings_folder()
    display = saver_ratio.Xvfb(folder) if system == "x11" else saver_ratio.Sway(folder, 1)
    try:
        for turn in range(starts):
            order = list(programs.items())[:: 1 if turn % 2 else -1]
            for name, program in order:
                measures[name]["start-up ms"].append(display.first_frame_ms([program, "/s"]))
                pages, peak, libraries[name] = running_costs([program, "/s"], display.env)
                measures[name]["file pages KB"].append(pages)
                measures[name]["peak KB"].append(peak)
    finally:
        display.stop()
    print("%s: %d starts each; medians" % (system, starts))
    for measure in measures["this build"]:
        ours, theirs = (statistics.median(measures[name][measure]) for name in programs)
        print(
            "%-17s this build %8.1f, baseline %8.1f, ratio %.3f"
            % (measure, ours, theirs, ours / theirs)
        )
    for name in programs:
        print("%s maps %s" % (name, " ".join(sorted(libraries[name]))))


if __name__ == "__main__":
    main()
