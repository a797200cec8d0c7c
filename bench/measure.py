#!/usr/bin/env python3
"""Measures the game and prints the figures as one table, each beside the same
figure for a bare Qt window built alongside; asserts nothing.

- start-up: exec to the splash mapped on the screen (median of --runs);
- peak memory (VmHWM) once the main window is up;
- the step timer: error of the period over 60 intervals (median and max);
- CPU used while the game only waits for its next tick;
- row label updates per tick (set, and of those actually changed);
- the program files: the Linux binary and the Windows Vantrel.exe, with
  their sizes and the libraries they load.

Builds what it needs (Release, in --build-dir; the Windows program with the
win64 preset if build/win64 has none) and runs under a virtual X server that
it starts and stops. Usage: bench/run.sh [--runs N] [--build-dir DIR]
"""

import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
SPLASH_SIZE = "656x81"
MAIN_SIZE = "212x146"
TICK_MS = 250

# The virtual X server is started and stopped the same way as in the tests.
sys.path.insert(0, os.path.join(ROOT, "tests", "qt"))
from RealWindowTest import start_xvfb, stop_xvfb  # noqa: E402


def build(build_dir):
    subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DVANTREL_BUILD_TESTS=OFF",
                    "-DVANTREL_BUILD_BENCH=ON", "-DVANTREL_BUILD_QT=ON"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j2", "--target", "vantrel",
                    "vantrel_bare_window", "vantrel_tick_timing"],
                   check=True, stdout=subprocess.DEVNULL)
    return {
        "vantrel": os.path.join(build_dir, "ui", "qt", "vantrel"),
        "bare": os.path.join(build_dir, "bench", "qt", "vantrel_bare_window"),
        "ticks": os.path.join(build_dir, "bench", "qt", "vantrel_tick_timing"),
    }


def windows_program():
    """build/win64/bin/Vantrel.exe, built with the win64 preset if missing."""
    exe = os.path.join(ROOT, "build", "win64", "bin", "Vantrel.exe")
    if not os.path.exists(exe) and shutil.which("x86_64-w64-mingw32-g++"):
        subprocess.run(["cmake", "--preset", "win64"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", "--preset", "win64", "--target", "Vantrel"],
                       cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    return exe if os.path.exists(exe) else None


def window_of_size(env, pid, size):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], env=env,
                         capture_output=True, text=True).stdout
    for window in out.split():
        info = subprocess.run(["xwininfo", "-id", window], env=env, capture_output=True,
                              text=True).stdout
        width = re.search(r"Width: (\d+)", info)
        height = re.search(r"Height: (\d+)", info)
        if width and height and f"{width.group(1)}x{height.group(1)}" == size:
            return window
    return None


def wait_for_window(env, child, size, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if window_of_size(env, child.pid, size):
            return time.monotonic()
        if child.poll() is not None:
            raise RuntimeError(f"pid {child.pid} ended with {child.returncode} before its "
                               f"{size} window")
        time.sleep(0.002)
    raise RuntimeError(f"no {size} window from pid {child.pid} within {timeout} s")


def proc_status(pid, field):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime + stime


def stop(child):
    if child.poll() is None:
        child.send_signal(signal.SIGTERM)
    child.wait()


def start_up(command, env, runs, then_main):
    """Times (ms) from exec to the mapped splash, and peak memory (KiB) once
    the program has settled (for the game: with its main window up)."""
    times, peaks = [], []
    for _ in range(runs):
        started = time.monotonic()
        child = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            mapped = wait_for_window(env, child, SPLASH_SIZE)
            if then_main:
                wait_for_window(env, child, MAIN_SIZE)
            time.sleep(1.0)
            peaks.append(proc_status(child.pid, "VmHWM"))
            times.append((mapped - started) * 1000)
        finally:
            stop(child)
    return times, peaks


def waiting_cpu(command, env, size, seconds=10):
    """Share of one core the program uses while its 250 ms timer runs and
    nothing else happens."""
    child = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    try:
        wait_for_window(env, child, size)
        time.sleep(0.5)
        before, start = cpu_seconds(child.pid), time.monotonic()
        time.sleep(seconds)
        return 100 * (cpu_seconds(child.pid) - before) / (time.monotonic() - start)
    finally:
        stop(child)


def tick_timing(command, env):
    """(interval errors in ms, row texts set per tick, rows changed per tick)."""
    out = subprocess.run(command, env=env, capture_output=True, text=True, check=True,
                         timeout=60).stdout
    rows = [line.split()[1:] for line in out.splitlines() if line.startswith("interval ")]
    errors = [abs(float(ms) - TICK_MS) for ms, _, _ in rows]
    return errors, [int(s) for _, s, _ in rows], [int(c) for _, _, c in rows]


def linux_program(path):
    needed = re.findall(r"NEEDED\s+(\S+)", subprocess.run(
        ["objdump", "-p", path], capture_output=True, text=True).stdout)
    return f"{os.path.getsize(path) / 1024:.0f} KiB, {len(needed)} shared libraries"


def windows_imports(exe):
    objdump = shutil.which("x86_64-w64-mingw32-objdump") or "objdump"
    dump = subprocess.run([objdump, "-p", exe], capture_output=True, text=True).stdout
    return sorted({name.upper() for name in re.findall(r"DLL Name: (\S+)", dump)})


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "bench"))
    args = parser.parse_args()

    programs = build(args.build_dir)
    exe = windows_program()
    server, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display)
    for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    game, bare = [programs["vantrel"]], [programs["bare"]]
    try:
        # A first run of each warms the page cache, so both start alike.
        start_up(game, env, 1, False)
        start_up(bare, env, 1, False)
        game_times, game_peaks = start_up(game, env, args.runs, True)
        bare_times, bare_peaks = start_up(bare, env, args.runs, False)
        game_errors, row_sets, row_changes = tick_timing([programs["ticks"]], env)
        bare_errors, _, _ = tick_timing(bare + ["--ticks"], env)
        game_cpu = waiting_cpu(game, env, MAIN_SIZE)
        bare_cpu = waiting_cpu(bare + ["--timer"], env, SPLASH_SIZE)
    finally:
        stop_xvfb(server)

    def start_cell(times):
        return (f"{statistics.median(times):.1f} ms ({min(times):.1f}–{max(times):.1f})")

    def tick_cell(errors):
        return f"{statistics.median(errors):.2f} / {max(errors):.2f} ms"

    rows = [
        (f"exec → splash mapped, median of {args.runs} (min–max)", start_cell(game_times),
         start_cell(bare_times)),
        ("peak memory (VmHWM), median", f"{statistics.median(game_peaks) / 1024:.1f} MiB",
         f"{statistics.median(bare_peaks) / 1024:.1f} MiB"),
        (f"tick period error over {len(game_errors)} ticks, median / max",
         tick_cell(game_errors), tick_cell(bare_errors)),
        ("CPU while waiting between ticks (10 s)", f"{game_cpu:.2f} % of a core",
         f"{bare_cpu:.2f} % of a core"),
        ("row labels set per tick (of them changed)",
         f"{statistics.mean(row_sets):.1f} ({statistics.mean(row_changes):.1f})", "—"),
        ("Linux program file", linux_program(programs["vantrel"]),
         linux_program(programs["bare"])),
    ]
    if exe:
        rows.append(("Vantrel.exe size", f"{os.path.getsize(exe) / 1024:.0f} KiB", "—"))
        rows.append(("Vantrel.exe imports", ", ".join(windows_imports(exe)), "—"))
    else:
        rows.append(("Vantrel.exe", "not built (MinGW-w64 missing)", "—"))

    print(f"Xvfb 1024x768, {os.cpu_count()} CPUs, Release build, page cache warm\n")
    print("| Measure | vantrel | bare Qt window |")
    print("|---|---|---|")
    for row in rows:
        print("| " + " | ".join(row) + " |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
