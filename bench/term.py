#!/usr/bin/env python3
"""Measures vantrel-term and prints its figures beside the Qt program's;
asserts nothing.

The terminal program runs on a pseudo-terminal of this script's own (80 × 24,
TERM=xterm-256color, UTF-8), which reads every byte it draws:
- exec → the splash drawn, a key at the splash → the first board frame, and
  so exec → the first board frame with the splash skipped at once (median of
  --runs);
- Escape → the quit question drawn, and whether a burst of arrow key
  sequences opens a box (it must not);
- peak memory (VmHWM) with the board up, and CPU while it waits between beats;
- the same memory for the smallest ncurses program that redraws eight rows
  every beat (bench/term/BareTerm.cpp), and both programs' files stripped.
The Qt program is measured as bench/measure.py measures it, under a virtual
X server. Usage: bench/term.py [--runs N] [--build-dir DIR]
"""

import argparse
import fcntl
import os
import select
import re
import statistics
import struct
import subprocess
import sys
import tempfile
import termios
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import measure  # noqa: E402

SPLASH = "▀".encode()
BOARD = b" Vantrel "
QUIT = b"Are you sure you want to quit?"


class Terminal:
    """vantrel-term on a pseudo-terminal whose output this process reads."""

    def __init__(self, program):
        self.master, slave = os.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        env = dict(os.environ, TERM="xterm-256color", LANG="C.UTF-8")
        self.started = time.monotonic()
        self.child = subprocess.Popen([program], stdin=slave, stdout=slave, stderr=slave,
                                      env=env, start_new_session=True)
        os.close(slave)
        self.output = b""

    def wait_for(self, marker, timeout=10):
        """Seconds from now until `marker` appears in what the program draws
        after this call."""
        start, seen = time.monotonic(), b""
        while marker not in seen:
            left = start + timeout - time.monotonic()
            if left <= 0 or not select.select([self.master], [], [], left)[0]:
                raise RuntimeError(f"{marker!r} never drawn")
            seen += os.read(self.master, 65536)
        return time.monotonic() - start

    def type(self, data):
        os.write(self.master, data)

    def stop(self):
        self.child.terminate()
        self.child.wait()
        os.close(self.master)


def terminal_figures(program, runs):
    splash, board, skip, escape, hwm = [], [], [], [], []
    for _ in range(runs):
        term = Terminal(program)
        try:
            term.wait_for(SPLASH)
            splash.append(time.monotonic() - term.started)
            term.type(b" ")
            skip.append(term.wait_for(BOARD))
            board.append(time.monotonic() - term.started)
            time.sleep(1.0)
            hwm.append(measure.proc_status(term.child.pid, "VmHWM"))
            for _ in range(5):
                term.type(b"\x1b")
                escape.append(term.wait_for(QUIT))
                term.type(b"n")  # No: an Escape here might join the next into Alt+Escape
                time.sleep(0.1)
        finally:
            term.stop()
    # An arrow's sequence must not be taken for Escape.
    term = Terminal(program)
    try:
        term.wait_for(SPLASH)
        term.type(b" ")
        term.wait_for(BOARD)
        term.type(b"\x1bOD\x1b[C" * 20)
        try:
            term.wait_for(QUIT, timeout=1)
            arrows = "opened the quit question"
        except RuntimeError:
            arrows = "no box"
        time.sleep(0.5)
        before = measure.cpu_seconds(term.child.pid)
        waited = time.monotonic()
        time.sleep(10)
        cpu = 100 * (measure.cpu_seconds(term.child.pid) - before) / (time.monotonic() - waited)
    finally:
        term.stop()
    return splash, board, skip, escape, hwm, cpu, arrows


def bare_peaks(program, runs):
    """VmHWM of the bare ncurses program after two seconds of beats."""
    peaks = []
    for _ in range(runs):
        term = Terminal(program)
        try:
            term.wait_for(b"V V V V")
            time.sleep(2.0)
            peaks.append(measure.proc_status(term.child.pid, "VmHWM"))
        finally:
            term.stop()
    return peaks


def stripped(path):
    """The program's file as a package ships it: stripped, and its shared libraries."""
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, "program")
        subprocess.run(["strip", "-o", copy, path], check=True)
        size = os.path.getsize(copy)
    needed = re.findall(r"NEEDED\s+(\S+)", subprocess.run(
        ["objdump", "-p", path], capture_output=True, text=True).stdout)
    return f"{size / 1024:.0f} KiB stripped ({size} bytes), {len(needed)} shared libraries"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--build-dir", default=os.path.join(measure.ROOT, "build", "bench"))
    args = parser.parse_args()

    programs = measure.build(args.build_dir)
    subprocess.run(["cmake", "--build", args.build_dir, "-j2", "--target", "vantrel-term",
                    "vantrel_bare_term"], check=True, stdout=subprocess.DEVNULL)
    term_program = os.path.join(args.build_dir, "ui", "term", "vantrel-term")
    bare_program = os.path.join(args.build_dir, "bench", "term", "vantrel_bare_term")
    splash, board, skip, escape, hwm, term_cpu, arrows = terminal_figures(term_program, args.runs)
    bare_hwm = bare_peaks(bare_program, args.runs)

    server, display = measure.start_xvfb()
    screen = measure.Screen(display)
    game = [programs["vantrel"]]
    try:
        measure.start_up(game, screen, 1, False)
        qt_times, qt_peaks = measure.start_up(game, screen, args.runs, True)
        qt_skip = measure.key_at_splash(game, screen, args.runs)
        qt_cpu = measure.waiting_cpu(game, screen, measure.MAIN_SIZE)
    finally:
        measure.stop_xvfb(server)

    def ms(seconds):
        values = [s * 1000 for s in seconds]
        return f"{statistics.median(values):.1f} ms ({min(values):.1f}–{max(values):.1f})"

    rows = [
        (f"exec → splash drawn (Qt: mapped), median of {args.runs} (min–max)", ms(splash),
         ms([t / 1000 for t in qt_times])),
        ("key at the splash → first board frame (Qt: main window mapped)", ms(skip),
         ms([t / 1000 for t in qt_skip])),
        ("exec → first board frame, splash skipped by a key at once", ms(board), "—"),
        (f"Escape → quit question drawn, median of {len(escape)} (min–max)", ms(escape), "—"),
        ("40 arrow key sequences in a burst", arrows, "—"),
        ("peak memory (VmHWM), median", f"{statistics.median(hwm) / 1024:.2f} MiB",
         f"{statistics.median(qt_peaks) / 1024:.1f} MiB"),
        ("the same for a bare ncurses program redrawing 8 rows a beat",
         f"{statistics.median(bare_hwm) / 1024:.2f} MiB", "—"),
        ("peak memory, vantrel-term / the bare program",
         f"{statistics.median(hwm) / statistics.median(bare_hwm):.2f}×", "—"),
        ("CPU while waiting between beats (10 s)", f"{term_cpu:.2f} % of a core",
         f"{qt_cpu:.2f} % of a core"),
        ("program file", stripped(term_program), stripped(programs["vantrel"])),
        ("the bare ncurses program's file", stripped(bare_program), "—"),
    ]
    measure.print_table(f"{os.cpu_count()} CPUs, Release build, terminal 80 × 24 xterm-256color",
                        ("Measure", "vantrel-term", "vantrel (Qt)"), rows)
    return 0


if __name__ == "__main__":
    sys.exit(main())
