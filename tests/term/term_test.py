#!/usr/bin/env python3
"""Plays the real vantrel-term in tmux, a real terminal that a script can type
into (send-keys), read (capture-pane) and resize, inside a shell script that
saves `stty -g` before and after, so that every group can check the terminal
was left as it was found.

Usage: term_test.py PATH/TO/vantrel-term GROUP [CASES_DIR]
Groups: splash, replay, keys, colour, resize, leave, errors, soak.
Exit codes: 0 passed, 1 failed, 77 skipped (no tmux).
"""

import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import xsession  # noqa: E402
from xsession import SKIP, SPLASH_MS, Failure, check  # noqa: E402

KEYS = {37: "Left", 39: "Right", 32: "Space", 27: "Escape", 88: "x", 112: "F1"}


def code_text(path, name):
    """A string constant of the program's source, as it reads."""
    source = open(os.path.join(os.path.dirname(__file__), "../..", path)).read()
    literal = re.search(name + r'\[?\]? =((?:\s*"[^"]*")+);', source).group(1)
    return "".join(re.findall(r'"([^"]*)"', literal)).replace("\\n", "\n")


# The game's help text, and the line on the keys only the terminal has, which
# this program adds to it.
HELP = code_text("input/KeyCommands.h", "kHelpPrompt")
HELP_KEYS = code_text("ui/term/TermShell.cpp", "kHelpKeys").strip()


def wait_for(what, probe, timeout=3.0):
    return xsession.wait_for(what, probe, timeout)


class Pane:
    """The program in a tmux pane of a private server, run by a shell script
    that records stty -g before and after and the exit status."""

    def __init__(self, program, env=None, size=(80, 24), shell=None):
        self.dir = tempfile.mkdtemp(prefix="term-test-")
        self.socket = os.path.join(self.dir, "tmux")
        d = self.dir
        env = {"TERM": "tmux-256color", "LANG": "C.UTF-8", **(env or {})}
        # What to unset (None) first, as env(1) wants.
        settings = " ".join(f"{k}={v}" if v is not None else f"-u {k}"
                            for k, v in sorted(env.items(), key=lambda item: item[1] is not None))
        script = shell or (f"trap : INT; stty -g >{d}/before; ulimit -c 0; env {settings} {program}; "
                           f"s=$?; stty -g >{d}/after; echo $s >{d}/rc; exec sleep 600")
        self.tmux("new-session", "-d", "-x", str(size[0]), "-y", str(size[1]), script)

    def tmux(self, *args):
        return subprocess.run(["tmux", "-S", self.socket, "-f", "/dev/null", *args],
                              capture_output=True, text=True, check=True).stdout

    def keys(self, *keys):
        self.tmux("send-keys", *keys)

    def screen(self, colours=False):
        return self.tmux("capture-pane", "-p", *(["-e"] if colours else [])).split("\n")

    def text(self):
        return "".join(self.screen())

    def show(self, name):
        return self.tmux("display", "-p", f"#{{{name}}}").strip()

    def resize(self, width, height):
        self.tmux("resize-window", "-x", str(width), "-y", str(height))

    def program_pid(self):
        shell = self.show("pane_pid")
        children = open(f"/proc/{shell}/task/{shell}/children").read().split()
        return int(children[0]) if children else None

    def board(self):
        """The eight rows inside the frame, or None while no frame shows."""
        lines = self.screen()
        for top, line in enumerate(lines):
            match = re.search(r"┌─+ Vantrel ─+┐", line)
            if match and top + 9 < len(lines):
                left = match.start()
                return [lines[top + 1 + r][left + 2:left + 17].rstrip() for r in range(8)]
        return None

    def box(self):
        """(title, text, buttons) of the box over the board, or None."""
        lines = self.screen()
        for top, line in enumerate(lines):
            match = re.search(r"┌─*(?: (.*?) )?─*┐", line)
            if match and "Vantrel" not in line:
                left, right = match.start(), match.end()
                body = []
                for inner in lines[top + 1:]:
                    if inner[left:left + 1] == "└":
                        break
                    body.append(inner[left + 1:right - 1].strip())
                if len(body) < 2:
                    return None  # caught halfway through drawing
                text = " ".join(part for part in body[:-1] if part)
                buttons = [name.strip() for name in body[-1].split("  ") if name.strip()]
                return match.group(1) or "", text, buttons
        return None

    def title(self):
        """The title of the box over the board ("" for the quit question), or None."""
        return (self.box() or (None,))[0]

    def quit(self):
        """Escape, then Yes once the question shows: a key sent with Escape
        at once would make Alt+key of it."""
        self.keys("Escape")
        wait_for("the quit question", lambda: self.title() == "")
        self.keys("Enter")

    def status(self):
        return open(f"{self.dir}/rc").read().strip() if os.path.exists(f"{self.dir}/rc") else None

    def finish(self, expected_status):
        """Waits for the program to end and checks the terminal was restored."""
        wait_for("the program to end", self.status, 5)
        check(self.status() == str(expected_status),
              f"exit status {self.status()}, expected {expected_status}")
        before, after = (open(f"{self.dir}/{n}").read() for n in ("before", "after"))
        check(before == after, f"stty -g changed:\n{before}{after}")
        check(self.show("alternate_on") == "0", "the alternate screen is still on")
        check(self.show("cursor_flag") == "1", "the cursor is still hidden")
        check(self.show("keypad_cursor_flag") == "0", "the keypad is still in application mode")

    def __enter__(self):
        return self

    def __exit__(self, *_):
        # A program stuck in a loop hears no hangup: it goes first.
        try:
            os.kill(self.program_pid(), 9)
        except (OSError, TypeError, subprocess.CalledProcessError):
            pass
        subprocess.run(["tmux", "-S", self.socket, "kill-server"], capture_output=True)
        shutil.rmtree(self.dir, ignore_errors=True)


def wave_column(pane):
    """Where the wave's first alien is, in a game nobody plays."""
    return next(row.index("V") for row in pane.board() if "V" in row)


def skip_splash(pane, key="Escape"):
    wait_for("the splash", lambda: "▀" in pane.text() or pane.board() is None)
    pane.keys(key)
    return wait_for("the board", pane.board)


def replay(pane, case):
    """Plays cases/NAME.in with keys, and reads every frame and box of
    cases/NAME.out off the screen in turn. The keys before a beat go in as
    soon as the frame before it shows, well within the beat."""
    events = []
    for line in open(case + ".out"):
        if line.startswith("|"):
            if not events or events[-1][0] != "frame" or len(events[-1][1]) == 8:
                events.append(("frame", []))
            events[-1][1].append(line.rstrip("\n")[1:-1].rstrip())
        elif line.startswith(("box", "end")):
            events.append(("box", re.match(r'box (\d) "(.*)" "(.*)" -> (\d)', line).groups())
                          if line.startswith("box") else ("end", None))
    events.reverse()

    def box(buttons, title, prompt, answer):
        extra = " " + HELP_KEYS if title == "Help File" else ""
        names = ["[ Yes ]", "No"] if buttons == "4" else ["[ OK ]"]
        # A look at the screen while the program is still drawing the box
        # reads half a box, so the box counts once it reads whole.
        whole = (title, prompt + extra, names)
        wait_for(f"the box {whole}", lambda: pane.box() == whole)
        frozen = pane.board()
        time.sleep(0.6)
        check(pane.board() == frozen, "the board moved behind a box")
        # No by Tab and Return or by Escape, OK by Return or Escape, Yes by Return.
        choices = {"7": [["Tab", "Enter"], ["Escape"]], "1": [["Enter"], ["Escape"]]}
        pane.keys(*random.choice(choices.get(answer, [["Enter"]])))
        if answer == "6":
            check(events.pop() == ("end", None), "the game did not end on Yes")
            pane.finish(0)
            return True
        wait_for("the box to close", lambda: not pane.box())
        return False

    for command in (line.split() for line in open(case + ".in")):
        if command[:1] == ["key"]:
            pane.keys(KEYS[int(command[1])])
        if command[:1] == ["key"] and int(command[1]) in (27, 112):
            if box(*events.pop()[1]):
                return
        elif command[:1] == ["tick"]:
            if events[-1][0] == "box":
                box(*events.pop()[1])
            rows = events.pop()[1]
            wait_for(f"the frame {rows}", lambda: pane.board() == rows)
    check(not events, f"{len(events)} frames or boxes never came")


def group_splash(program, cases):
    with Pane(program) as pane:
        started = time.monotonic()
        picture = wait_for("the title picture", lambda: "▀" * 20 in pane.text())
        board = wait_for("the board after the splash", pane.board, 4)
        took = time.monotonic() - started
        check(SPLASH_MS - 200 <= took * 1000 < SPLASH_MS + 1500, f"the splash stayed {took:.2f} s")
        check(board == ["V V V V", "", "", "", "", "", "", "       A"], f"opening picture {board}")
        check(picture, "no picture")
    # Without UTF-8 or without colours, or where the picture would be too
    # small to read, the title in letters.
    for env, size in (({"LANG": "C", "LC_ALL": "C"}, (80, 24)), ({"TERM": "vt100"}, (80, 24)),
                      ({}, (44, 24))):
        with Pane(program, env, size) as pane:
            wait_for(f"the plain title under {env} in {size}",
                     lambda: [line.strip() for line in pane.screen() if line.strip()]
                     == ["Vantrel"])


def group_replay(program, cases):
    for name in ("march_and_steer", "win", "help_and_restart", "quit", "loss"):
        # A frame shows for one beat only, and the keys for a beat go in once
        # the frame before it shows: on a loaded machine a slow look at the
        # screen can miss a beat, and then the game rightly goes another way.
        # Such a case is played once more; any other failure counts at once.
        for attempt in (1, 2):
            try:
                with Pane(program) as pane:
                    skip_splash(pane, random.choice(["Escape", "Space", "x", "Left", "F1"]))
                    replay(pane, os.path.join(cases, name))
                break
            except Failure as failure:
                if attempt == 1 and "waiting for the frame" in str(failure):
                    print(f"{name}: {failure}; played once more")
                    continue
                raise Failure(f"{name}: {failure}")


def group_keys(program, cases):
    with Pane(program) as pane:
        skip_splash(pane)
        # Ctrl+L draws the whole screen again over what another program wrote.
        with open(pane.show("pane_tty"), "w") as tty:
            tty.write("\x1b[HSCRIBBLE")
        wait_for("the scribble", lambda: "SCRIBBLE" in pane.text())
        pane.keys("C-l")
        wait_for("Ctrl+L to redraw", lambda: "SCRIBBLE" not in pane.text())
        check(pane.board(), "no board after Ctrl+L")
        # An arrow's escape sequence is never taken for Escape.
        for _ in range(6):
            pane.keys("Left", "Right")
        time.sleep(0.6)
        check(pane.box() is None, "an arrow opened a box")
        for key, title, answer in (("?", "Help File", "Escape"), ("F1", "Help File", "Escape"),
                                   ("Escape", "", "Escape"), ("q", "", "n")):
            pane.keys(key)
            wait_for(f"{key} to open its box", lambda: pane.title() == title)
            check(f"{HELP} {HELP_KEYS}" == pane.box()[1] or title == "", "help text")
            if key == "Escape":
                # Tab and the arrows move the mark; Escape is No.
                for key, mark in (("Tab", ["Yes", "[ No ]"]), ("Left", ["[ Yes ]", "No"]),
                                  ("Right", ["Yes", "[ No ]"])):
                    pane.keys(key)
                    wait_for(f"{key} to move the mark", lambda: (pane.box() or [None])[-1] == mark)
            if title:
                # Y and N answer only the quit question.
                pane.keys("y", "n")
                time.sleep(0.1)
                check(pane.box() is not None, f"y or n closed {title}")
            pane.keys(answer)
            wait_for(f"{answer} to close the box", lambda: pane.box() is None)
        # Held keys move the cannon one column a beat.
        before = pane.board()[7].index("A")
        pane.keys(*["Right"] * 30)
        time.sleep(0.1)
        check(pane.board()[7].index("A") <= before + 1, "a burst of arrows moved more than once")
        pane.keys("q", "y")
        pane.finish(0)
    # An arrow split by a slow link waits for the player's ESCDELAY, or for
    # 100 ms without it; Escape then x at once is Alt+X, not Escape. tmux
    # writes the bytes given with -H to the program as they are.
    for escdelay, pause, opens in ((None, 0.03, False), (None, 0.25, True), ("300", 0.15, False)):
        with Pane(program, {"ESCDELAY": escdelay}) as pane:
            skip_splash(pane, "Space")
            pane.keys("-H", "1b", "78")
            time.sleep(0.6)
            check(pane.box() is None, "Alt+X opened a box")
            pane.keys("-H", "1b")
            time.sleep(pause)
            pane.keys("-H", "4f", "44")
            time.sleep(0.6)
            check((pane.title() == "") == opens, f"ESCDELAY {escdelay}: Escape, {pause * 1000:.0f} ms, "
                  f"OD {'did not open' if opens else 'opened'} the quit question")


def group_colour(program, cases):
    # True black where the terminal has it, never the palette's colour 0
    # (which a player may have changed); with eight colours, bold green.
    for term, expected in (("tmux-256color", ["38;5;46", "48;5;16"]),
                           ("xterm", ["32", "40", "1"]),
                           ("xterm-direct", ["38;2;0;255;0", "48;2;0;1;0"]), ("vt100", [])):
        if subprocess.run(["infocmp", term], capture_output=True).returncode != 0:
            print(f"no terminfo for {term}: its colours are not checked")
            continue
        with Pane(program, {"TERM": term}) as pane:
            skip_splash(pane)
            lines = "\n".join(pane.screen(colours=True))
            codes = set(re.findall(r"\x1b\[([0-9;:]*)m", lines))
            sgr = ";".join(codes)
            for code in expected:
                check(re.search(rf"(^|;){code}(;|$)", sgr), f"{term}: {code} missing in {codes}")
            if "40" not in expected:
                # Palette backgrounds, outside the arguments of 38 and 48.
                plain = re.sub(r"(^|;)[34]8;(5;\d+|2;\d+;\d+;\d+)", "", sgr)
                check(not re.search(r"(^|;)4[0-7](;|$)", plain), f"{term}: palette colours {codes}")
            frame = next(line for line in lines.split("\n") if "Vantrel" in line).split("┌")[0]
            bold = "1" in re.findall(r"\x1b\[([0-9;:]*)m", frame)
            check(bold == (term == "xterm"), f"{term}: frame bold {bold}")
            if not expected:
                check(not re.search(r"(^|;)(3|4|9|10)\d", sgr), f"{term}: colours {codes}")


def group_resize(program, cases):
    with Pane(program, size=(80, 24)) as pane:
        skip_splash(pane)

        def frame_corner():
            return next(((i, line.index("┌")) for i, line in enumerate(pane.screen())
                         if "Vantrel" in line), None)

        check(frame_corner() == (6, 30), f"frame at {frame_corner()} in 80 × 24")
        pane.resize(41, 15)
        wait_for("the board centred in 41 × 15", lambda: frame_corner() == (2, 11))
        # Too small: the game stops, and goes on from the same picture.
        wave = wave_column(pane)
        pane.resize(30, 10)
        wait_for("the too-small line", lambda: "Too small" in pane.text())
        pane.resize(70, 10)
        wait_for("the long too-small line", lambda: "please make it larger" in pane.text())
        time.sleep(1.0)
        pane.resize(40, 12)
        wait_for("the board again", pane.board)
        check(wave_column(pane) - wave in (0, 1), "the game went on while hidden")
        wait_for("the game to go on", lambda: wave_column(pane) - wave > 1)
        # A box answers at any size: compact where it does not fit whole, on
        # one line where even that does not fit, never the too-small line.
        pane.resize(19, 11)
        pane.keys("F1")
        wait_for("the compact help box", lambda: pane.box() and pane.box()[::2] ==
                 ("Help File", ["[ OK ]"]) and pane.box()[1].endswith("..."))
        pane.keys("Enter")
        wait_for("the board under the help box", lambda: pane.box() is None and pane.board())
        pane.keys("Escape")
        wait_for("the quit question", lambda: pane.title() == "")
        pane.resize(30, 3)
        wait_for("the question on one line", lambda: [line.strip() for line in pane.screen()
                 if line.strip()] == ["Are you sure   [ Yes ]    No"])
        pane.keys("Tab")
        wait_for("Tab to move the mark", lambda: "Yes    [ No ]" in pane.text())
        pane.keys("Enter")
        wait_for("the too-small line after No", lambda: "Too small" in pane.text())
        pane.resize(80, 24)
        wait_for("the board again", pane.board)
        pane.keys("q", "y")
        pane.finish(0)


def group_leave(program, cases):
    ways = [("Escape, Yes", Pane.quit, 0),
            ("Ctrl+C", lambda p: p.keys("C-c"), 130),
            ("SIGTERM", lambda p: os.kill(p.program_pid(), 15), 143),
            ("SIGHUP", lambda p: os.kill(p.program_pid(), 1), 129),
            ("a crash", lambda p: os.kill(p.program_pid(), 11), 139),
            ("an abort", lambda p: os.kill(p.program_pid(), 6), 134)]
    for name, leave, status in ways:
        try:
            with Pane(program) as pane:
                skip_splash(pane)
                leave(pane)
                pane.finish(status)
        except Failure as failure:
            raise Failure(f"{name}: {failure}")
    # Ctrl+Z under a shell with job control, then fg: the board comes back
    # as it was, the game having stood still meanwhile.
    with Pane(program, shell="env -i PS1='$ ' TERM=tmux-256color PATH=/usr/bin:/bin HOME=/ "
                               "bash --norc -i") as pane:
        d = pane.dir
        with open(f"{d}/run.sh", "w") as script:
            script.write(f"echo $$ >{d}/pid; stty -g >{d}/before; LANG=C.UTF-8 {program}\n"
                         f"s=$?; stty -g >{d}/after; echo $s >{d}/rc\n")
        pane.keys(f"sh {d}/run.sh", "Enter")
        skip_splash(pane)
        wave = wave_column(pane)
        pane.keys("C-z")
        shell = open(f"{d}/pid").read().strip()
        game = open(f"/proc/{shell}/task/{shell}/children").read().split()[0]
        wait_for("the game to stop", lambda: pane.show("alternate_on") == "0" and
                 open(f"/proc/{game}/stat").read().rsplit(")", 1)[1].split()[0] == "T")
        time.sleep(1.0)
        pane.keys("clear; fg", "Enter")
        wait_for("the board after fg", pane.board)
        check(wave_column(pane) - wave in (0, 1), "the game went on while suspended")
        # Every mode as at the start, so that the first arrow is an arrow.
        modes = [pane.show(flag) for flag in ("alternate_on", "cursor_flag", "keypad_cursor_flag")]
        check(modes == ["1", "0", "1"], f"alternate screen, cursor, keypad after fg: {modes}")
        cannon = pane.board()[7].index("A")
        pane.keys("Left")
        wait_for("Left to move the cannon after fg", lambda: pane.board()
                 and pane.board()[7].index("A") == cannon - 1)
        check(pane.box() is None, "Left after fg opened a box")
        pane.quit()
        pane.finish(0)


def group_errors(program, cases):
    for env, words in (({"TERM": "dumb"}, "TERM"), ({"TERM": None}, "TERM"),
                       ({"TERM": "no-such-terminal"}, "terminal's type")):
        with Pane(program, env) as pane:
            wait_for("the error", lambda: words in pane.text())
            check(len([line for line in pane.screen() if line.strip()]) == 1,
                  "not one sentence")
            pane.finish(2)
    # Errors on standard error, naming what was wrong, with the usage after;
    # the help and the version on standard output.
    usage = code_text("ui/term/main.cpp", "kUsage")
    for args, status, out, err in (
            ([], 2, "", "must be a terminal"), (["--frob"], 2, "", f"unknown option '--frob'\n{usage}"),
            (["-x"], 2, "", f"unknown option '-x'\n{usage}"),
            (["--help", "x"], 2, "", f"unexpected argument 'x'\n{usage}"),
            (["file"], 2, "", f"unexpected argument 'file'\n{usage}"),
            *[([flag], 0, usage + code_text("ui/term/main.cpp", "kHelp"), "") for flag in ("--help", "-h")],
            *[([flag], 0, "vantrel-term 1.", "") for flag in ("--version", "-V")]):
        run = subprocess.run([program, *args], stdin=None if args else subprocess.DEVNULL,
                             capture_output=True, text=True)
        check(run.returncode == status and out in run.stdout and err in run.stderr
              and bool(out) == bool(run.stdout) and bool(err) == bool(run.stderr),
              f"{args}: status {run.returncode}, output {run.stdout!r}, errors {run.stderr!r}")


def group_soak(program, cases, seconds=20):
    """Random keys and sizes; the program must live through them and end by
    the quit question with the terminal restored and nothing from ASan."""
    with (tempfile.TemporaryDirectory(prefix="term-soak-") as log,
          Pane(program, {"ASAN_OPTIONS": f"log_path={log}/asan:detect_leaks=1"}) as pane):
        skip_splash(pane)
        # No Return or y: after Escape or q they would answer Yes and end the game.
        keys = ["Left", "Right", "Space", "x", "F1", "?", "Escape", "Tab", "Up", "q", "n", "1",
                "BTab", "Home", "F5", "C-a", "C-l"]
        rng = random.Random(int(os.environ.get("TERM_SOAK_SEED", time.time())))
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if rng.random() < 0.05:
                pane.resize(rng.randint(1, 120), rng.randint(1, 40))
            pane.keys(*rng.choices(keys, k=rng.randint(1, 4)))
            time.sleep(rng.random() * 0.05)
            check(pane.status() is None, "the program ended during the soak")
        pane.resize(80, 24)
        deadline = time.monotonic() + 15
        while pane.status() is None:
            check(time.monotonic() < deadline, "the program stopped answering its keys")
            box = pane.box()
            if box and box[0] == "":
                pane.keys("Left", "Enter")
            else:
                pane.keys("Enter" if box else "Escape")
            time.sleep(0.3)
        pane.finish(0)
        check(not os.listdir(log), f"sanitizer reports: {os.listdir(log)}")


def main():
    program, group = os.path.abspath(sys.argv[1]), sys.argv[2]
    cases = sys.argv[3] if len(sys.argv) > 3 else ""
    if not shutil.which("tmux"):
        print("tmux is not installed: skipped")
        return SKIP
    try:
        globals()[f"group_{group}"](program, cases)
    except Failure as failure:
        print(f"FAIL: {failure}")
        return 1
    print(f"{group}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
