#!/usr/bin/env python3
"""Measures the Qt front-end and prints the figures; asserts nothing.

- start-up: time from starting the program to its splash being mapped on the
  screen, and peak memory (VmHWM), beside a bare Qt window of the same shape;
- the step timer: error of the tick period over 60 intervals;
- CPU used by the running game while it only waits for its ticks.

Everything runs under a virtual X server that the script starts and stops.
Usage: bench/qt/measure.py [--runs N] [--build-dir DIR]
"""

import argparse
import os
import signal
import statistics
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SPLASH_SIZE = "656x81"
MAIN_SIZE = "212x146"


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


def start_xvfb():
    read_end, write_end = os.pipe()
    # -noreset: by default the server resets whenever its last client leaves,
    # and drops any client that connects meanwhile; with short-lived X tools
    # polling beside the program, that would now and then refuse the program.
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
         "-noreset"],
        pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end, "rb") as pipe:
        number = pipe.readline().decode().strip()
    return server, ":" + number


def window_of_size(env, pid, size):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], env=env,
                         capture_output=True, text=True).stdout
    for window in out.split():
        info = subprocess.run(["xwininfo", "-id", window], env=env, capture_output=True,
                              text=True).stdout
        width = height = None
        for line in info.splitlines():
            line = line.strip()
            if line.startswith("Width:"):
                width = line.split()[1]
            elif line.startswith("Height:"):
                height = line.split()[1]
        if f"{width}x{height}" == size:
            return window
    return None


def wait_for_window(env, child, size, timeout=20):
    deadline = time.monotonic() + timeout
    pid = child.pid
    while time.monotonic() < deadline:
        if window_of_size(env, pid, size):
            return time.monotonic()
        if child.poll() is not None:
            raise RuntimeError(f"pid {pid} ended with {child.returncode} before its {size} window")
        time.sleep(0.002)
    raise RuntimeError(f"no {size} window from pid {pid} within {timeout} s")


def proc_status(pid, field):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def start_up(program, env, runs, then_main):
    """Start-up times (ms) to the mapped splash, and peak memory (KiB)."""
    times, peaks = [], []
    for _ in range(runs):
        started = time.monotonic()
        child = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            mapped = wait_for_window(env, child, SPLASH_SIZE)
            if then_main:
                wait_for_window(env, child, MAIN_SIZE)
            time.sleep(1.0)
            peaks.append(proc_status(child.pid, "VmHWM"))
            times.append((mapped - started) * 1000)
        finally:
            if child.poll() is None:
                child.send_signal(signal.SIGTERM)
            child.wait()
    return times, peaks


def idle_cpu(program, env, seconds):
    child = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    try:
        wait_for_window(env, child, MAIN_SIZE)
        time.sleep(0.5)
        before, start = cpu_seconds(child.pid), time.monotonic()
        time.sleep(seconds)
        used, wall = cpu_seconds(child.pid) - before, time.monotonic() - start
        return used, wall
    finally:
        child.send_signal(signal.SIGTERM)
        child.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "qtbench"))
    args = parser.parse_args()

    programs = build(args.build_dir)
    server, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display)
    for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    try:
        # A first run of each warms the page cache, so both start alike.
        start_up(programs["vantrel"], env, 1, False)
        start_up(programs["bare"], env, 1, False)
        game_times, game_peaks = start_up(programs["vantrel"], env, args.runs, True)
        bare_times, bare_peaks = start_up(programs["bare"], env, args.runs, False)

        def line(label, times, peaks):
            print(f"  {label:<22} start to mapped: median {statistics.median(times):6.1f} ms "
                  f"(min {min(times):.1f}, max {max(times):.1f}); "
                  f"peak RSS median {statistics.median(peaks) / 1024:.1f} MiB")

        print(f"start-up over {args.runs} runs, Xvfb, page cache warm:")
        line("vantrel (splash)", game_times, game_peaks)
        line("bare Qt window", bare_times, bare_peaks)
        print("  (vantrel's peak is taken after the main window has opened)")

        print("step timer, the real main window under Xvfb:")
        out = subprocess.run([programs["ticks"]], env=env, capture_output=True, text=True,
                             check=True).stdout
        for text in out.splitlines():
            print("  " + text)

        used, wall = idle_cpu(programs["vantrel"], env, 10)
        print(f"CPU of the running game (4 ticks a second, no keys): {used:.2f} s "
              f"in {wall:.1f} s = {100 * used / wall:.2f} % of one core")
    finally:
        server.send_signal(signal.SIGTERM)
        server.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
