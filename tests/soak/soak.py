#!/usr/bin/python3
"""Plays the game program for a while under a storm of real key presses, in a
virtual X server of its own, and checks that it holds.

  soak.py storm PROGRAM [--seconds N] [--sanitized]
      PROGRAM is vantrel_observed (the game with an event log on stderr).
      Keys of the game and others, single and held to auto-repeat; every box
      answered with Escape (No to the quit question). The program must never
      die, grow its memory (RSS and anonymous pages) by 1 MiB after warm-up,
      lose its beat or tick while a box is open. It ends with Escape and Yes,
      or with --sanitized with the close box, so that the leak check at exit
      sees the whole program.

  soak.py no-writes PROGRAM [--seconds N]
      PROGRAM is the real vantrel, played the same way under strace: it must
      create, write, rename or delete no file and look for no configuration
      of its own.

The length defaults to 60 s; VANTREL_SOAK_SECONDS overrides it (600 for the
ten-minute soak). Exit codes: 0 passed, 1 failed, 77 skipped (tools missing).
"""

import argparse
import collections
import glob
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from xsession import (MAIN_SIZE, SKIP, SPLASH_SIZE, TICK_MS, XLIB, Failure, Screen, check,  # noqa: E402
                      missing, send_delete_window, start_xvfb, stop_group, stop_xvfb, wait_for)

MEMORY_LIMIT_KIB = 1024

# Keys the game ignores, or ignores with these modifiers. Escape and F1 are
# never among them: they open boxes, and the storm sends them on their own
# so that no key meant for the board lands on the quit question.
OTHER_KEYS = (
    [chr(c) for c in range(ord("a"), ord("z") + 1) if chr(c) != "x"]
    + [str(d) for d in range(10)]
    + [f"F{n}" for n in range(2, 13)]
    + ["Up", "Down", "Return", "Tab", "BackSpace", "Home", "End", "Prior", "Next", "Delete",
       "Insert", "Menu", "Pause", "comma", "period", "slash", "semicolon", "minus", "KP_5",
       "KP_Enter", "eacute", "EuroSign", "shift+Tab", "ctrl+a", "alt+Up", "super+Down"]
)
# The game's own keys, with modifiers too: the game ignores the shift state.
# X is kept apart and rare, so that waves get the time to reach the bottom and
# the loss box comes up now and then.
GAME_KEYS = ["Left", "Right", "space", "ctrl+Left", "shift+space", "KP_Left", "alt+Right"]
RESTART_KEYS = ["x", "shift+x"]
HELD_KEYS = ["Left", "Right", "space"]


class Game:
    """One run of the program under test, in an environment of its own, from
    its start to the main window holding the keyboard."""

    def __init__(self, command, screen, home, child_of_strace=False):
        self.screen = screen
        self.log_path = os.path.join(home, "stderr.log")
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen(command, env=screen.env, stdout=self.log,
                                        stderr=subprocess.STDOUT, start_new_session=True)
        self.pid = self.process.pid
        self.main = None
        if child_of_strace:
            # The windows carry the pid of the program, not that of strace.
            def traced_pid():
                self.alive()
                with open(f"/proc/{self.pid}/task/{self.pid}/children") as children:
                    pids = children.read().split()
                return int(pids[0]) if pids else None
            self.pid = wait_for("strace to start the program", traced_pid, 60)
        # A slow start (under strace, say) can map the splash so late that its
        # two seconds are nearly over: either window will do. Under strace on a
        # loaded machine the start can take a minute.
        first = wait_for("the splash", lambda: self.alive() or screen.find_window(
            self.pid, SPLASH_SIZE) or screen.find_window(self.pid, MAIN_SIZE), 120)
        if random.random() < 0.5 and screen.info(first)["size"] == SPLASH_SIZE:
            try:
                wait_for("the splash to take the keyboard", lambda: screen.focus() == first, 2)
                screen.key("space")
            except Failure:
                pass  # the splash went by itself meanwhile
        self.main = wait_for("the main window",
                             lambda: self.alive() or screen.find_window(self.pid, MAIN_SIZE), 120)
        wait_for("the main window to take the keyboard", lambda: screen.focus() == self.main, 30)

    def output(self):
        self.log.flush()
        with open(self.log_path, errors="replace") as log:
            return log.read()

    def alive(self):
        if self.process.poll() is not None:
            raise Failure(f"the program died with exit code {self.process.returncode}:\n"
                          + self.output()[-3000:])

    def boxes(self):
        return [w for w in self.screen.visible_windows(self.pid) if w != self.main]

    def focus_box(self, box):
        # A box that closed meanwhile (a loss box closed by a storm key) counts.
        def has_keyboard():
            return self.screen.focus() == box or box not in self.boxes()
        try:
            wait_for("the box to take the keyboard", has_keyboard, 1)
        except Failure:
            # The box came up just as the test gave the main window the
            # keyboard (below), and lost it to that: the test gives it back.
            self.screen.xdotool("windowfocus", str(box))
            wait_for("the box to take the keyboard", has_keyboard, 5)

    def answer_boxes(self):
        """Answers every box that is up with Escape; returns how many there were."""
        answered = 0
        while boxes := self.boxes():
            self.focus_box(boxes[0])
            self.screen.key("Escape")
            wait_for("the box to close", lambda: boxes[0] not in self.boxes(), 5)
            answered += 1
        # There is no window manager here, and X hands the keyboard to the
        # root window when a box closes; a window manager would give it back
        # to the main window, so the test does that in its place.
        if self.screen.focus() != self.main and not self.boxes():
            self.screen.xdotool("windowfocus", str(self.main))
            wait_for("the keyboard back at the main window",
                     lambda: self.screen.focus() == self.main or self.boxes(), 5)
        return answered

    def press_for_box(self, stats, kind, key):
        """Sends a key that should open a box of `kind` and answers the box.
        Counts the key, and the box if it came: when a loss box was already
        up, the key went to that box and closed it instead."""
        stats[kind + " keys"] += 1
        self.screen.key(key)
        try:
            wait_for("a box", self.boxes, 5)
        except Failure:
            return
        stats[kind + " boxes"] += 1
        self.answer_boxes()

    def quit_with_yes(self):
        """Escape, then Return for Yes. A loss or win box can come up just
        before the quit question and take the Return instead; then the
        program runs on and the test asks again."""
        for _ in range(5):
            self.answer_boxes()
            self.screen.key("Escape")
            box = wait_for("a box", lambda: self.alive() or (self.boxes() or [None])[0], 5)
            self.focus_box(box)
            self.screen.key("Return")
            try:
                return self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass
        raise Failure("Escape and Return did not end the program")

    def stop(self):
        if self.process.poll() is None:
            stop_group(self.process)
        self.log.close()


def isolated_env(screen, home):
    """HOME, XDG directories and a runtime directory that exist and are empty,
    so that nothing the toolkit finds missing at start-up makes it create
    files, and the font cache warmed for this environment beforehand."""
    env = dict(screen.env, HOME=home)
    for name, sub in (("XDG_CONFIG_HOME", ".config"), ("XDG_CACHE_HOME", ".cache"),
                      ("XDG_DATA_HOME", ".local/share"), ("XDG_RUNTIME_DIR", "runtime")):
        env[name] = os.path.join(home, sub)
        os.makedirs(env[name], mode=0o700, exist_ok=True)
    os.chmod(env["XDG_RUNTIME_DIR"], 0o700)
    if shutil.which("fc-cache"):
        subprocess.run(["fc-cache"], env=env, check=False, timeout=120)
    screen.env = env
    return env


def storm_step(game, stats):
    """One random action of the storm."""
    roll = random.random()
    if roll < 0.55:
        keys = [random.choice(GAME_KEYS if random.random() < 0.6 else OTHER_KEYS)
                for _ in range(random.randint(1, 8))]
        game.screen.xdotool("key", "--delay", str(random.randint(5, 40)), *keys)
        stats["keys"] += len(keys)
    elif roll < 0.75:
        # Held long enough for the server's auto-repeat (660 ms, then 25/s).
        key = random.choice(HELD_KEYS)
        game.screen.xdotool("keydown", key)
        time.sleep(random.uniform(0.3, 1.2))
        game.screen.xdotool("keyup", key)
        stats["holds"] += 1
    elif roll < 0.83:
        game.press_for_box(stats, "quit", random.choice(["Escape", "shift+Escape"]))
    elif roll < 0.90:
        game.press_for_box(stats, "help", random.choice(["F1", "ctrl+F1"]))
    elif roll < 0.92:
        game.screen.xdotool("key", random.choice(RESTART_KEYS))
        stats["restarts"] += 1
    else:
        time.sleep(random.uniform(0.1, 0.6))
    # Loss and win boxes come from ticks at any moment.
    stats["other boxes"] += game.answer_boxes()
    game.alive()


def memory_kib(pid):
    """Rss and Anonymous (the memory the program itself allocated: heap,
    stacks, private mappings it wrote), in KiB."""
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        fields = re.findall(r"^(Rss|Anonymous):\s+(\d+)", rollup.read(), re.M)
    return {kind: int(kib) for kind, kib in fields}


def play(game, seconds, on_sample=None):
    """Runs the storm for `seconds`, starting with a help box and a declined
    quit question so that even a short run shows both; returns its counts."""
    stats = collections.Counter()
    game.press_for_box(stats, "help", "F1")
    game.press_for_box(stats, "quit", "Escape")
    started = next_sample = time.monotonic()
    while (now := time.monotonic()) < started + seconds:
        if on_sample and now >= next_sample:
            on_sample(now - started)
            next_sample = now + 2
        storm_step(game, stats)
    game.answer_boxes()
    print("storm: " + ", ".join(f"{v} {k}" for k, v in stats.items()))
    return stats


def tick_report(log):
    """Reads the event log: the ticks, those while a box was open, how many
    the time without a box allowed at most, and the gaps: from tick to tick,
    from the opening picture or a box's close to the next tick, and the
    longest time the timer ran with no box and no tick."""
    events = [(int(m.group(1)), m.group(2)) for m in re.finditer(r"^soak (\d+) (\S+)$", log, re.M)]
    check(any(what == "main-shown" for _, what in events), "no main-shown in the event log")
    running_from = since = None
    depth = ticks = in_box = most = longest = 0
    steady, first = [], []

    def stretch_ends(at):
        nonlocal most, longest
        most += (at - running_from) // TICK_MS + 1
        longest = max(longest, at - since)

    for at, what in events:
        if what == "tick":
            ticks += 1
            in_box += depth > 0
            if not depth and running_from is not None:
                (first if since == running_from else steady).append(at - since)
                longest = max(longest, at - since)
                since = at
        elif what == "box-open":
            if depth == 0 and running_from is not None:
                stretch_ends(at)
            depth += 1
        elif what == "box-close" or what == "main-shown":
            depth -= what == "box-close"
            check(depth >= 0, f"a box closed that never opened, at {at} ms")
            if depth == 0:
                running_from = since = at
    if depth == 0 and running_from is not None:
        stretch_ends(events[-1][0])
    return ticks, in_box, most, steady, first, longest


def storm(program, seconds, sanitized, screen, home):
    isolated_env(screen, home)
    samples = []
    game = Game([program], screen, home)
    try:
        warm_up = min(20.0, seconds / 3)
        stats = play(game, seconds, lambda at: samples.append((at, memory_kib(game.pid))))
        samples.append((seconds, memory_kib(game.pid)))
        if sanitized:
            # What the close box does: a window manager sends WM_DELETE_WINDOW.
            send_delete_window(screen.env["DISPLAY"], game.main)
            code = game.process.wait(timeout=60)
        else:
            code = game.quit_with_yes()
        output = game.output()
    finally:
        game.stop()

    check(not re.search(r"Sanitizer|runtime error", output),
          "sanitizer report:\n" + output[-6000:])
    check(code == 0, f"the program ended with exit code {code}:\n{output[-3000:]}")
    # Keys must have reached the game, or the storm tested nothing.
    check(stats["quit boxes"] >= stats["quit keys"] / 2,
          f"only {stats['quit boxes']} of {stats['quit keys']} Escapes brought the quit question")

    ticks, in_box, most, steady, first, longest = tick_report(output)
    beat, after = statistics.median(steady), statistics.median(first)
    print(f"ticks: {ticks}, {in_box} while a box was open; median {beat} ms from tick to tick, "
          f"{after} ms from the opening picture or a box's close to the next tick; longest "
          f"{longest} ms without a tick and no box open")
    check(in_box == 0, f"{in_box} ticks ran while a box was open")
    check(ticks <= most, f"{ticks} ticks is more than the timer allows ({most})")
    # A loaded machine delays some ticks, and the timer drops those it could
    # not fire in time, so the count of ticks says little. The beat itself
    # holds: the typical gap stays one beat, and only a timer that stopped
    # leaves the game without a tick for long.
    check(abs(beat - TICK_MS) <= TICK_MS / 10 and abs(after - TICK_MS) <= TICK_MS / 10,
          f"the step timer lost its beat: median gaps of {beat} and {after} ms, not {TICK_MS}")
    check(longest < 8 * TICK_MS, f"no tick for {longest} ms with no box open: the timer stopped")

    # ASan holds freed memory back on purpose: the sanitized run only shows it.
    for kind in ("Rss", "Anonymous"):
        after = [kib[kind] for at, kib in samples if at >= warm_up]
        base, end = statistics.median(after[:3]), statistics.median(after[-3:])
        print(f"{kind}: {base} KiB after {warm_up:.0f} s warm-up, {end} KiB at the end "
              f"({end - base:+} KiB)")
        check(sanitized or end - base < MEMORY_LIMIT_KIB, f"{kind} grew by {end - base} KiB")


FILE_CHANGES = {"creat", "rename", "renameat", "renameat2", "unlink", "unlinkat", "mkdir",
                "mkdirat", "rmdir", "link", "linkat", "symlink", "symlinkat", "truncate",
                "ftruncate", "fallocate", "mknod", "mknodat", "chmod", "fchmodat", "chown",
                "fchownat", "lchown", "utimensat", "utime", "utimes", "setxattr", "removexattr"}
WRITE_FLAGS = re.compile(r"O_(CREAT|WRONLY|RDWR|TRUNC|APPEND)\b")
# Devices, kernel interfaces and memory files (strace shows those as
# "/memfd:name") are not files the program could leave behind.
NOT_FILES = ("/dev/", "/proc/", "/sys/", "/memfd:")


def path_arguments(args):
    """The file paths a call names, joined to its directory fd where it has
    one, or the path of the fd it works on."""
    paths = []
    for named in re.finditer(r'(?:(?:AT_FDCWD|\d+)<([^>]*)>, )?"([^"]*)"', args):
        directory, path = named.group(1) or ".", named.group(2)
        paths.append(path if path.startswith("/") else os.path.join(directory, path))
    fd = re.match(r"\d+<([^>]*)>", args)
    if fd and not paths:
        paths.append(fd.group(1))
    return paths


def file_changes(calls, env):
    """Of the traced calls (name, arguments, result), those that changed a
    file on disk, and those that looked for a file of the program's own name
    under the configuration folders. A call that failed changed nothing."""
    changes, own_config = [], []
    config_dirs = [env["HOME"], env["XDG_CONFIG_HOME"], "/etc",
                   *env.get("XDG_CONFIG_DIRS", "/etc/xdg").split(":")]
    config_dirs = tuple(d.rstrip("/") + "/" for d in config_dirs)
    for name, args, result in calls:
        paths = path_arguments(args)
        # Memory files, sockets and pipes show as "memfd:...", "socket:[...]".
        on_disk = any(p.startswith(("/", ".")) and not p.startswith(NOT_FILES) for p in paths)
        opens_to_write = name in ("open", "openat", "openat2") and WRITE_FLAGS.search(args)
        if result != "-1" and on_disk and (name in FILE_CHANGES or opens_to_write):
            changes.append(f"{name}({args}) = {result}")
        if any("vantrel" in p.lower() and p.startswith(config_dirs) for p in paths):
            own_config.append(f"{name}({args}) = {result}")
    return changes, own_config


def no_writes(program, seconds, screen, home):
    env = isolated_env(screen, home)
    # One trace a process (-ff), so that no call is split between two.
    trace = os.path.join(home, "strace")
    command = ["strace", "-ff", "-qq", "-y", "-s", "256", "-o", trace,
               "-e", "trace=%file,ftruncate,fallocate", program]
    game = Game(command, screen, home, child_of_strace=True)
    try:
        stats = play(game, seconds)
        code = game.quit_with_yes()
    finally:
        game.stop()
    check(code == 0, f"the program ended with exit code {code}")
    check(stats["help boxes"] and stats["quit boxes"], "no box was shown")
    calls = []
    for path in glob.glob(trace + ".*"):
        with open(path, errors="replace") as log:
            calls += re.findall(r"^(\w+)\((.*)\)\s+=\s+(-?\d+|\?)", log.read(), re.M)
    changes, own_config = file_changes(calls, env)
    print(f"{len(calls)} file calls traced; {len(changes)} change a file, "
          f"{len(own_config)} look for a configuration of the program's own")
    check(not changes, "the program changed files:\n" + "\n".join(changes[:40]))
    check(not own_config, "the program looked for its own configuration:\n"
          + "\n".join(own_config[:40]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mode", choices=["storm", "no-writes"])
    parser.add_argument("program")
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--sanitized", action="store_true")
    parser.add_argument("--seed", type=int)
    args = parser.parse_args()
    seconds = float(os.environ.get("VANTREL_SOAK_SECONDS") or args.seconds)
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    random.seed(seed)
    print(f"{args.mode} for {seconds:.0f} s, seed {seed} (--seed {seed} repeats the key choices)")

    tools = ["Xvfb", "xdotool", "xwininfo", XLIB] + (["strace"] if args.mode == "no-writes" else [])
    if absent := missing(*tools):
        print("skipped: not installed: " + ", ".join(absent))
        return SKIP
    server, display = start_xvfb()
    # The name must not contain the program's, or every look-up in HOME
    # would seem to be one for its configuration.
    home = tempfile.mkdtemp(prefix="soak-home-")
    try:
        screen = Screen(display)
        program = os.path.abspath(args.program)
        if args.mode == "storm":
            storm(program, seconds, args.sanitized, screen, home)
        else:
            no_writes(program, seconds, screen, home)
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        stop_xvfb(server)
        shutil.rmtree(home, ignore_errors=True)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
