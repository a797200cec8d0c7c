#!/usr/bin/python3
"""Runs the real game program under a virtual X server of its own and plays it
with real key presses, as a player would: the splash appears, the main window
replaces it, the arrows move the cannon on the screen, Escape and Return quit.

Usage: RealWindowTest.py PATH/TO/vantrel [--layouts] [--wm NAME] [--time-limit SECONDS]
  --layouts  instead, plays with physical keys (XTEST keycodes) under the
             ru, gr, us+ru (second group), de and fr layouts
Exit codes: 0 passed, 1 failed, 77 skipped (Xvfb, the X tools or Debian's
python3-xlib are missing).
"""

import argparse
import contextlib
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from xsession import (FIGURES, MAIN_SIZE, SCREEN, SKIP, SPLASH_MS, SPLASH_SIZE, XLIB, Failure,  # noqa: E402
                      Keyboard, Launcher, Screen, check, guard, outcome, run, send_delete_window,
                      spawn, start_xvfb, stop, stop_xvfb, unavailable, wait_for)

CELL, ROW_TOP, ROW_PITCH, ROW_HEIGHT = (FIGURES[name] for name in
                                       ("kCellWidth", "kRowTop", "kRowPitch", "kRowHeight"))


def green(pixel):
    r, g, b = pixel
    return g > 128 and r < 80 and b < 80


def cannon_x(screen, window):
    """The left edge of the green cannon on the bottom row of the window's picture."""
    top = ROW_TOP + 7 * ROW_PITCH
    rows = screen.pixels(window, MAIN_SIZE)[top:top + ROW_HEIGHT]
    return min((x for row in rows for x, p in enumerate(row) if green(p)), default=None)


def check_centred(screen, window, what):
    """Waits until the framed window sits in the middle of the screen (to the
    half pixel that odd sizes leave)."""
    # The work area is the screen less any panels a window manager keeps.
    area = (0, 0) + SCREEN
    workarea = screen.prop_root("_NET_WORKAREA")
    if "=" in workarea:
        area = tuple(int(v) for v in workarea.split("=")[1].split(",")[:4])

    def centred():
        left, top, width, height = screen.frame(window)
        off = (2 * left + width - (2 * area[0] + area[2]), 2 * top + height - (2 * area[1] + area[3]))
        return all(abs(d) <= 1 for d in off)
    wait_for(f"the {what} to be centred", centred, 5, lambda: f"the {what} is not centred: frame "
             f"(x, y, w, h) = {screen.frame(window)} in the work area {area}")


def check_over(screen, box, main):
    """A box must come up over the game's window: its middle inside the
    window's frame and, where a window manager keeps the stacking order,
    above the window."""
    left, top, width, height = screen.frame(main)
    (x, y), (w, h) = screen.info(box)["pos"], screen.info(box)["size"]
    middle = (x + w // 2, y + h // 2)
    check(left <= middle[0] < left + width and top <= middle[1] < top + height,
          f"the box at {(x, y, w, h)} is not over the window at {(left, top, width, height)}")
    if screen.wm:
        stacking = screen.prop_root("_NET_CLIENT_LIST_STACKING")
        order = [int(w, 16) for w in stacking.split("#")[-1].replace(",", " ").split()]
        check(main in order and box in order and order.index(box) > order.index(main),
              f"the box is not stacked above the window: {stacking.strip()}")


@contextlib.contextmanager
def running(program, screen, arguments=(), env=None):
    """Starts the program, waits for its splash and ends the program after
    the block; gives the program, the splash and the time from just before
    the launch to when the test found it."""
    # The program's output goes to a file, not a pipe nobody reads while it
    # runs: a program that writes much (Qt's warnings) would block on a full
    # pipe.
    with tempfile.TemporaryFile() as output:
        started = time.monotonic()
        game = subprocess.Popen([program, *arguments], env=env or screen.env, stdout=output,
                                stderr=subprocess.STDOUT)
        try:
            def splash_or_death():
                if game.poll() is not None:
                    output.seek(0)
                    raise Failure(f"the program ended with {game.returncode} before showing its splash:\n"
                                  + output.read().decode(errors="replace"))
                return screen.find_window(game.pid, SPLASH_SIZE)
            splash = wait_for("the splash", splash_or_death, 60)
            yield game, splash, time.monotonic() - started
        finally:
            stop(game)


def main_window(screen, game):
    return wait_for("the main window, named Vantrel",
                    lambda: screen.find_window(game.pid, MAIN_SIZE, "Vantrel"), 60)


def box_with_keyboard(screen, game, what, *others):
    """Waits for a window of the game other than these to take the keyboard."""
    def box():
        focus = screen.focus()
        return focus not in (None, *others) and focus in screen.visible_windows(game.pid) and focus
    return wait_for(f"the {what} to take the keyboard", box, 5)


def quit_with_yes(screen, game, main, press):
    press("Escape")
    box_with_keyboard(screen, game, "quit question", main)
    press("Return")
    code = game.wait(timeout=10)
    check(code == 0, f"quitting with Yes ended with exit code {code}")


def play_through(program, screen):
    """Plays with Qt's own options on the command line (a style sheet, a
    window title, mirrored layout), which must change nothing."""
    with tempfile.TemporaryDirectory(prefix="vantrel-args-") as folder:
        sheet = os.path.join(folder, "red.qss")
        with open(sheet, "w") as out:
            out.write("* { color: #ff0000; background-color: #ff0000; }\n")
        arguments = ["-stylesheet", sheet, "-qwindowtitle", "Hacked", "-reverse"]
        with running(program, screen, arguments) as (game, splash, startup):
            play(screen, game, splash, startup)


def play(screen, game, splash, startup):
    seen = time.monotonic()
    # The windows' kinds, sizes and buttons are the Qt windows' tests' (FrmMainTest,
    # FrmSplashTest); here, where they land with a window manager's frames.
    check_centred(screen, splash, "splash")

    main = main_window(screen, game)
    # The splash's time runs from its start inside the program, which the
    # test sees only by polling, late on a loaded machine: measured from the
    # launch, the main window can never come before the splash's time is up.
    handover = time.monotonic() - seen + startup
    check(handover > (SPLASH_MS - 50) / 1000,
          f"the splash went too early ({handover * 1000:.0f} ms after the launch)")
    wait_for("the splash to close", lambda: splash not in screen.visible_windows(game.pid), 5)
    check_centred(screen, main, "main window")

    start = wait_for("the cannon", lambda: cannon_x(screen, main), 5)
    pixels = [p for row in screen.pixels(main, MAIN_SIZE) for p in row]
    red = sum(1 for r, g, b in pixels if r > 128 and g < 80)
    check(red == 0, f"{red} red pixels: the style sheet was read")
    check(sum(1 for p in pixels if max(p) < 16) > len(pixels) * 3 // 4 and any(map(green, pixels)),
          "the board is not green on black")
    check(start < MAIN_SIZE[0] // 2 + 20, f"the cannon stands at x={start}: the layout was mirrored")
    screen.wait_focus(main, "main window")
    for key, where in (("Right", start + CELL), ("Left", start), ("Left", start - CELL)):
        screen.key(key)
        wait_for(key, lambda: cannon_x(screen, main) == where, 5, lambda: f"{key} moved the cannon "
                 f"to x={cannon_x(screen, main)}, not by one {CELL} px cell to x={where}")

    # With no window manager to hand it back, the board must take the
    # keyboard again itself once a box has closed.
    screen.key("F1")
    check_over(screen, box_with_keyboard(screen, game, "help box", main), main)
    screen.key("Return")
    screen.wait_focus(main, "main window")
    quit_with_yes(screen, game, main, screen.key)


@contextlib.contextmanager
def splash_skipped(program, screen, press, what):
    """Starts the program, presses `what` at the splash (press()) and gives
    the program and its main window. The splash's own time starts after the
    launch, so a main window within that time of the launch can only be the
    key's doing. A later one tells nothing (a loaded machine can be that slow
    after a skip, too): then the program starts again, three times at most."""
    tries = []
    for _ in range(3):
        with running(program, screen) as (game, splash, startup):
            launched = time.monotonic() - startup
            # Once the splash's time may be up, this start can prove nothing.
            wait_for("the splash to take the keyboard", lambda: screen.focus() == splash or
                     time.monotonic() - launched > SPLASH_MS / 1000, 10)
            pressed = time.monotonic() - launched
            if screen.focus() == splash:
                press()
            main = main_window(screen, game)
            found = time.monotonic() - launched
            if found < SPLASH_MS / 1000:
                yield game, main
                return
            tries.append(f"splash found at {startup * 1000:.0f} ms, key at {pressed * 1000:.0f} ms, "
                         f"main window at {found * 1000:.0f} ms")
    raise Failure(f"{what} did not skip the splash, or the machine was too slow to tell: in three "
                  f"starts the main window never came within the splash's {SPLASH_MS} ms of the "
                  "launch (" + "; ".join(tries) + ")")


def skip_splash_with_a_key(program, screen):
    """With no window manager the splash must still get the keyboard itself."""
    with splash_skipped(program, screen, lambda: screen.key("space"), "a key"):
        pass


# Layouts to play under, with the group to make active; the key labelled X
# gives a Latin x (keysym 0x78) in the last two only.
LAYOUTS = [("ru", 0), ("gr", 0), ("us,ru", 1), ("de", 0), ("fr", 0)]
LATIN = ("de", "fr")


def keyboard_layouts(program, screen):
    """Under each layout, skips the splash, steers and restarts with the keys
    at their places on the keyboard, whatever the layout makes of them, and
    quits."""
    keyboard = Keyboard(screen.env["DISPLAY"])
    try:
        for layout, group in LAYOUTS:
            result = run(["setxkbmap", "-layout", layout], screen.env)
            check(result.returncode == 0, f"setxkbmap -layout {layout}: {result.stderr}")
            keyboard.lock_group(group)
            keysym = keyboard.keysym("x", group)
            check((keysym == ord("x")) == (layout in LATIN),
                  f"under {layout} the X key gives keysym {keysym:#x}: the layout is not in effect")
            with splash_skipped(program, screen, lambda: keyboard.press("x"), "the X key") as (game, main):
                screen.wait_focus(main, "main window")
                start = wait_for("the cannon", lambda: cannon_x(screen, main), 5)
                keyboard.press("Right")
                wait_for("the cannon to move right", lambda: (cannon_x(screen, main) or start) > start, 5)
                keyboard.press("x")
                wait_for("the X key to restart the game", lambda: cannon_x(screen, main) == start, 5)
                quit_with_yes(screen, game, main, keyboard.press)
            print(f"layout {layout}, group {group + 1} (X key gives keysym {keysym:#x}): passed")
    finally:
        run(["setxkbmap", "-layout", "us"], screen.env)
        keyboard.close()


@contextlib.contextmanager
def another_program(screen):
    """A window of another client, made the active one: where a player goes
    while the game runs on."""
    other = subprocess.Popen(["xmessage", "-name", "other", "-geometry", "+10+10",
                              "Another program"],
                             env=screen.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = wait_for("the other program's window", lambda: int((screen.xdotool(
            "search", "--onlyvisible", "--name", "^other$").stdout.split() or [0])[0]), 10)
        screen.activate(window)
        screen.wait_focus(window, "other program")
        yield window
    finally:
        stop(other)


def board_still(screen, window):
    """Whether the board keeps its picture for more than two beats: with
    nobody steering, the wave moves at every beat while the game runs."""
    before = screen.pixels(window, MAIN_SIZE)
    time.sleep(0.6)
    return before == screen.pixels(window, MAIN_SIZE)


def box_while_away(program, screen):
    """A loss that comes while the player is in another program leaves that
    program's keyboard alone: the game stops, asks for attention and shows
    its box only once the player comes back, with the keyboard; the board
    gets the keyboard back after the box."""
    with running(program, screen) as (game, _, _):
        main = main_window(screen, game)
        screen.wait_focus(main, "main window")
        with another_program(screen) as other:
            if screen.wm:
                # The other program covers a corner of the game's title bar,
                # as one usually covers part of it: metacity marks only a
                # window that something covers, as one in full view needs no mark.
                x, y, _, _ = screen.frame(main)
                width, height = screen.info(other)["size"]
                screen.xdotool("windowmove", str(other), str(x - width + 10), str(y - height + 10))
            # With nobody steering, the wave reaches the bottom row in about 16 s.
            wait_for("the loss to stop the game",
                     lambda: game.poll() is None and board_still(screen, main), 40)
            # Give a box that would take the keyboard the time to do it.
            deadline = time.monotonic() + 1.0
            while time.monotonic() < deadline:
                check(screen.focus() == other,
                      f"the loss took the keyboard from the other program (focus {screen.focus()})")
                check(screen.visible_windows(game.pid) == [main], "a box came up while away")
                time.sleep(0.05)
            # Only a window manager shows that a window asks for attention.
            if screen.wm:
                state = screen.prop(main, "_NET_WM_STATE") + screen.prop(main, "WM_HINTS")
                check("_NET_WM_STATE_DEMANDS_ATTENTION" in state or "urgent" in state.lower(),
                      f"the game does not ask for attention: {state}")
            screen.activate(main)
            box = box_with_keyboard(screen, game, "box, when the player comes back,", main, other)
            screen.key("Return")
            wait_for("Return to answer the box", lambda: box not in screen.visible_windows(game.pid), 5)
            screen.wait_focus(main, "board, after the box,")


def close_window(screen, window):
    """Closes a window as the player would: through the window manager where
    it offers to (it sends WM_DELETE_WINDOW in its own way), else directly."""
    if screen.wm:
        # The window manager closes only the windows it already manages.
        wait_for("the window manager to manage the window",
                 lambda: hex(window) in screen.prop_root("_NET_CLIENT_LIST"), 5)
        allowed = screen.prop(window, "_NET_WM_ALLOWED_ACTIONS")
        if "_NET_WM_ACTION_CLOSE" in allowed or "=" not in allowed:
            run(["wmctrl", "-i", "-c", hex(window)], screen.env)
            return
    send_delete_window(screen.env["DISPLAY"], window)


def closing_windows(program, screen):
    """The close box of the main window and closing the splash both end the
    program with exit code 0; a closed splash opens no main window."""
    for what in ("main window", "splash"):
        with running(program, screen) as (game, splash, _):
            close_window(screen, main_window(screen, game) if what == "main window" else splash)
            try:
                code = game.wait(timeout=10)
            except subprocess.TimeoutExpired:
                raise Failure(f"closing the {what} did not end the program")
            check(code == 0, f"closing the {what} ended the program with exit code {code}")
            check(what == "main window" or not screen.find_window(game.pid, MAIN_SIZE),
                  "the main window opened")


# The window managers the test can run under, metacity in a D-Bus session of its own.
WINDOW_MANAGERS = {"openbox": ["openbox"], "metacity": ["dbus-run-session", "--", "metacity"]}


def start_window_manager(name, screen, home, cleanup):
    # A home of its own, so that it reads and writes no settings of the user's.
    env = dict(screen.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"))
    manager = spawn(cleanup, WINDOW_MANAGERS[name], env=env)

    def running():
        if manager.poll() is not None:
            raise Failure(f"{name} ended with exit code {manager.returncode}")
        return "window id" in screen.prop_root("_NET_SUPPORTING_WM_CHECK")
    wait_for(f"{name} to manage the screen", running, 60)
    screen.wm = name


def splash_takes_keyboard_when_launched(program, screen):
    """Started the way a launcher starts the desktop entry while another
    program has the keyboard, the splash gets it (a window manager that
    prevents focus stealing lets it, as the launch is the player's newest
    action), and the program completes its startup sequence."""
    with another_program(screen) as other, contextlib.closing(Launcher(screen.env["DISPLAY"])) as launcher:
        # The player has just typed into the other program: toolkits record
        # that as the window's user time, and a window manager that prevents
        # focus stealing keeps the keyboard there for anything older.
        run(["xprop", "-id", str(other), "-f", "_NET_WM_USER_TIME", "32c", "-set",
             "_NET_WM_USER_TIME", str(launcher.server_time())], screen.env)
        startup_id = launcher.startup_id()
        env = dict(screen.env, DESKTOP_STARTUP_ID=startup_id)
        with running(program, screen, env=env) as (game, splash, _):
            # The window manager ties the window to the launch by this id.
            check(f'"{startup_id}"' in screen.prop(splash, "_NET_STARTUP_ID"),
                  "the splash does not carry the startup id: "
                  + screen.prop(splash, "_NET_STARTUP_ID").strip())
            # Else a launcher shows its busy pointer until it gives up.
            wait_for("the program to complete its startup sequence",
                     lambda: f'remove: ID={startup_id}' in launcher.startup_messages()
                     or f'remove: ID="{startup_id}"' in launcher.startup_messages(), 5)
            screen.wait_focus(splash, "splash")
            screen.key("space")
            screen.wait_focus(main_window(screen, game), "main window")


def explains_missing_display(program):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    result = subprocess.run([program], env=env, capture_output=True, text=True, timeout=20)
    check(result.returncode != 0 and "needs a graphical display" in result.stderr,
          f"without a display: exit {result.returncode}, {result.stderr!r}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--layouts", action="store_true",
                        help="play under other keyboard layouts instead")
    parser.add_argument("--wm", choices=sorted(WINDOW_MANAGERS),
                        help="run the window checks under this window manager")
    parser.add_argument("--time-limit", type=int, default=180, metavar="SECONDS",
                        help="end, cleanup included, within this time (ctest's limit for the test)")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    tools = ["Xvfb", "xdotool", "xwininfo", "xprop", "import", "xmessage", XLIB]
    if args.layouts:
        tools.append("setxkbmap")
    if args.wm:
        tools += {WINDOW_MANAGERS[args.wm][0], WINDOW_MANAGERS[args.wm][-1], "wmctrl"}

    def test(cleanup):
        if not args.layouts and not args.wm:
            explains_missing_display(program)
        if unavailable(*tools):
            return SKIP
        guard(args.time_limit)
        server, display = start_xvfb()
        cleanup.callback(stop_xvfb, server)
        screen = Screen(display)
        if args.wm:
            start_window_manager(args.wm, screen, cleanup.enter_context(
                tempfile.TemporaryDirectory(prefix="wm-home-", ignore_cleanup_errors=True)), cleanup)
            print(f"under {args.wm}:")
        checks = [keyboard_layouts] if args.layouts else [
            play_through, skip_splash_with_a_key, closing_windows,
            splash_takes_keyboard_when_launched, box_while_away]
        for run_check in checks:
            run_check(program, screen)
            print(f"ok    {run_check.__name__}")
    return outcome(test)


if __name__ == "__main__":
    sys.exit(main())
