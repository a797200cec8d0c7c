#!/usr/bin/python3
"""Measures the game and prints the figures as one table, each beside the same
figure for a bare Qt window built alongside; asserts nothing.

- start-up: exec to the splash mapped on the screen (median of --runs);
- a key at the splash to the main window mapped (median of --runs);
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
TICK_MS = 250

# The virtual X server and the windows are found the same way as in the tests.
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
from xsession import MAIN_SIZE, SPLASH_SIZE, Screen, start_xvfb, stop_xvfb, wait_for  # noqa: E402


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


def wait_for_window(screen, child, size, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if screen.find_window(child.pid, size):
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


def start_up(command, screen, runs, then_main):
    """Times (ms) from exec to the mapped splash, and peak memory (KiB) once
    the program has settled (for the game: with its main window up)."""
    times, peaks = [], []
    for _ in range(runs):
        started = time.monotonic()
        child = subprocess.Popen(command, env=screen.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            mapped = wait_for_window(screen, child, SPLASH_SIZE)
            if then_main:
                wait_for_window(screen, child, MAIN_SIZE)
            time.sleep(1.0)
            peaks.append(proc_status(child.pid, "VmHWM"))
            times.append((mapped - started) * 1000)
        finally:
            stop(child)
    return times, peaks


def key_at_splash(command, screen, runs):
    """Times (ms) from a key at the splash to the main window on the screen:
    how long a player who skips the splash waits."""
    times = []
    for _ in range(runs):
        child = subprocess.Popen(command, env=screen.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            wait_for_window(screen, child, SPLASH_SIZE)
            splash = screen.find_window(child.pid, SPLASH_SIZE)
            wait_for("the splash to take the keyboard", lambda: screen.focus() == splash, 5)
            pressed = time.monotonic()
            screen.key("space")
            times.append((wait_for_window(screen, child, MAIN_SIZE) - pressed) * 1000)
        finally:
            stop(child)
    return times


def waiting_cpu(command, screen, size, seconds=10):
    """Share of one core the program uses while its 250 ms timer runs and
    nothing else happens."""
    child = subprocess.Popen(command, env=screen.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    try:
        wait_for_window(screen, child, size)
        time.sleep(0.5)
        before, start = cpu_seconds(child.pid), time.monotonic()
        time.sleep(seconds)
        return 100 * (cpu_seconds(child.pid) - before) / (time.monotonic() - start)
    finally:
        stop(child)


def tick_timing(command, screen):
    """(interval errors in ms, row texts set per tick, rows changed per tick)."""
    out = subprocess.run(command, env=screen.env, capture_output=True, text=True, check=True,
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


def print_table(heading, columns, rows):
    """Prints the figures as a Markdown table under a line that says how they were taken."""
    print(f"{heading}\n")
    print("| " + " | ".join(columns) + " |")
    print("|" + "---|" * len(columns))
    for row in rows:
        print("| " + " | ".join(row) + " |")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "bench"))
    args = parser.parse_args()

    programs = build(args.build_dir)
    exe = windows_program()
    server, display = start_xvfb()
    screen = Screen(display)
    game, bare = [programs["vantrel"]], [programs["bare"]]
    try:
        # A first run of each warms the page cache, so both start alike.
        start_up(game, screen, 1, False)
        start_up(bare, screen, 1, False)
        game_times, game_peaks = start_up(game, screen, args.runs, True)
        bare_times, bare_peaks = start_up(bare, screen, args.runs, False)
        skip_times = key_at_splash(game, screen, args.runs)
        game_errors, row_sets, row_changes = tick_timing([programs["ticks"]], screen)
        bare_errors, _, _ = tick_timing(bare + ["--ticks"], screen)
        game_cpu = waiting_cpu(game, screen, MAIN_SIZE)
        bare_cpu = waiting_cpu(bare + ["--timer"], screen, SPLASH_SIZE)
    finally:
        stop_xvfb(server)

    def start_cell(times):
        return (f"{statistics.median(times):.1f} ms ({min(times):.1f}–{max(times):.1f})")

    def tick_cell(errors):
        return f"{statistics.median(errors):.2f} / {max(errors):.2f} ms"

    rows = [
        (f"exec → splash mapped, median of {args.runs} (min–max)", start_cell(game_times),
         start_cell(bare_times)),
        (f"a key at the splash → main window mapped, median of {args.runs} (min–max)",
         start_cell(skip_times), "—"),
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

    print_table(f"Xvfb 1024x768, {os.cpu_count()} CPUs, Release build, page cache warm",
                ("Measure", "vantrel", "bare Qt window"), rows)
    return 0


if __name__ == "__main__":
    sys.exit(main())
