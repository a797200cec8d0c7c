#!/usr/bin/python3
"""Measures what it costs the game, with no screen reader running, to be ready
for one that starts later, and prints one table; asserts nothing.

The game joins the accessibility bus whenever the desktop offers one, not
only when a screen reader is already on. Beside it runs the same game built
without that (bench/qt/WithoutLateReaders.cpp), in a private D-Bus session
and virtual X server:
- with no accessibility service on the session bus;
- with the service running and no screen reader (the usual desktop).
For each: exec to the splash mapped (median of --runs), peak memory (VmHWM),
resident memory (VmRSS) and open sockets 1 s after the main window is up,
and the CPU used over 10 s of waiting between ticks.

Usage: bench/accessibility.py [--runs N] [--build-dir DIR]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
sys.path.insert(0, HERE)
from measure import cpu_seconds, proc_status, stop, wait_for_window  # noqa: E402
from xsession import MAIN_SIZE, SPLASH_SIZE, Screen, start_xvfb, stop_group, stop_xvfb  # noqa: E402


def build(build_dir):
    subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DVANTREL_BUILD_TESTS=OFF",
                    "-DVANTREL_BUILD_BENCH=ON", "-DVANTREL_BUILD_QT=ON"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j2", "--target", "vantrel",
                    "vantrel_without_late_readers"], check=True, stdout=subprocess.DEVNULL)
    return {
        "joins the bus": os.path.join(build_dir, "ui", "qt", "vantrel"),
        "waits for a reader": os.path.join(build_dir, "bench", "qt",
                                           "vantrel_without_late_readers"),
    }


def connections(pid):
    """Open sockets: the X server, the session bus, and the accessibility bus
    once the program has joined it."""
    folder = f"/proc/{pid}/fd"
    return sum(1 for fd in os.listdir(folder)
               if os.readlink(os.path.join(folder, fd)).startswith("socket:"))


def run_once(program, screen, idle_seconds):
    started = time.monotonic()
    child = subprocess.Popen([program], env=screen.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    try:
        mapped = wait_for_window(screen, child, SPLASH_SIZE)
        wait_for_window(screen, child, MAIN_SIZE)
        time.sleep(1.0)
        memory = (proc_status(child.pid, "VmHWM"), proc_status(child.pid, "VmRSS"),
                  connections(child.pid))
        cpu = None
        if idle_seconds:
            before, start = cpu_seconds(child.pid), time.monotonic()
            time.sleep(idle_seconds)
            cpu = 100 * (cpu_seconds(child.pid) - before) / (time.monotonic() - start)
        return (mapped - started) * 1000, memory, cpu
    finally:
        stop(child)


def measure(programs, screen, runs):
    figures = {}
    for name, program in programs.items():
        run_once(program, screen, 0)  # warms the page cache
    for name, program in programs.items():
        times, peaks, rss, sockets = [], [], [], []
        for _ in range(runs):
            ms, (hwm, resident, open_sockets), _ = run_once(program, screen, 0)
            times.append(ms)
            peaks.append(hwm)
            rss.append(resident)
            sockets.append(open_sockets)
        _, _, cpu = run_once(program, screen, 10)
        figures[name] = (times, peaks, rss, max(sockets), cpu)
    return figures


def inside(args):
    programs = build(args.build_dir)
    server, display = start_xvfb()
    screen = Screen(display)
    screen.env["GSETTINGS_BACKEND"] = "memory"
    for name in ("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "AT_SPI_BUS_ADDRESS"):
        screen.env.pop(name, None)
    tables = {}
    launcher = None
    try:
        tables["no accessibility service"] = measure(programs, screen, args.runs)
        launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=screen.env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    start_new_session=True)
        time.sleep(1.0)
        tables["service running, no screen reader"] = measure(programs, screen, args.runs)
    finally:
        if launcher is not None:
            stop_group(launcher)
        stop_xvfb(server)

    print(f"| Setting | Program | exec → splash mapped, median of {args.runs} (min–max) "
          "| VmHWM, median | VmRSS, median | sockets | CPU waiting, 10 s |")
    print("|---|---|---|---|---|---|---|")
    for setting, figures in tables.items():
        for name, (times, peaks, rss, sockets, cpu) in figures.items():
            print(f"| {setting} | {name} | {statistics.median(times):.1f} ms "
                  f"({min(times):.1f}–{max(times):.1f}) | {statistics.median(peaks):.0f} KiB "
                  f"| {statistics.median(rss):.0f} KiB | {sockets} | {cpu:.2f} % |")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "bench"))
    parser.add_argument("--inside", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.inside:
        return inside(args)
    for tool in ("dbus-run-session", "Xvfb", "xdotool", LAUNCHER):
        if not shutil.which(tool):
            print(f"not installed: {tool}")
            return 1
    with_session = ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__),
                    "--inside", "--runs", str(args.runs), "--build-dir", args.build_dir]
    return subprocess.run(with_session).returncode


if __name__ == "__main__":
    sys.exit(main())
