#!/usr/bin/env python3
"""Runs the real game program under a virtual X server of its own and plays it
with real key presses, as a player would: the splash appears, the main window
replaces it, the arrows move the cannon on the screen, Escape and Return quit.

Usage: RealWindowTest.py PATH/TO/vantrel [--layouts]
  --layouts  instead, plays with physical keys (XTEST keycodes) under the
             ru, gr, us+ru (second group), de and fr layouts
Exit codes: 0 passed, 1 failed, 77 skipped (Xvfb or the X tools are missing).
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
SPLASH_SIZE = (656, 81)
MAIN_SIZE = (212, 146)
SPLASH_MS = 2000
ROW_TOP = 8
ROW_PITCH = 16
ROW_HEIGHT = 20


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(args, env, timeout=10):
    return subprocess.run(args, env=env, capture_output=True, text=True, timeout=timeout)


def wait_for(what, probe, timeout):
    """Polls probe() until it returns something truthy; no fixed sleeps."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.02)


def start_xvfb():
    """Starts Xvfb on a free display chosen by the server itself."""
    read_end, write_end = os.pipe()
    # -noreset: by default the server resets whenever its last client leaves,
    # and drops any client that connects meanwhile; with short-lived X tools
    # polling beside the program, that would now and then refuse the program.
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
         "-noreset"],
        pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip():
        server.kill()
        raise Failure("Xvfb did not report a display number")
    return server, ":" + number.decode().strip()


def stop_xvfb(server):
    server.send_signal(signal.SIGTERM)
    try:
        server.wait(timeout=10)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()


class Screen:
    """The X tools, pointed at one display."""

    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display)
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)

    def visible_windows(self, pid):
        out = run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], self.env)
        return [int(w) for w in out.stdout.split()]

    def info(self, window):
        out = run(["xwininfo", "-id", str(window)], self.env).stdout
        fields = {}
        for line in out.splitlines():
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
        name = out.split('"')[1] if out.count('"') >= 2 else ""
        return {
            "size": (int(fields.get("Width", 0)), int(fields.get("Height", 0))),
            "pos": (int(fields.get("Absolute upper-left X", 0)),
                    int(fields.get("Absolute upper-left Y", 0))),
            "name": name,
        }

    def prop(self, window, name):
        return run(["xprop", "-id", str(window), name], self.env).stdout

    def focus(self):
        out = run(["xdotool", "getwindowfocus"], self.env).stdout.strip()
        return int(out) if out.isdigit() else None

    def key(self, *keys):
        run(["xdotool", "key", "--delay", "30", *keys], self.env)

    def pixels(self, window, size):
        """The window's picture as rows of (r, g, b)."""
        raw = subprocess.run(["import", "-silent", "-window", str(window), "-depth", "8", "rgb:-"],
                             env=self.env, capture_output=True, timeout=20).stdout
        width, height = size
        check(len(raw) == width * height * 3, f"screenshot has {len(raw)} bytes")
        return [[tuple(raw[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
                for y in range(height)]


class Keyboard:
    """Physical keys through the XTEST extension, by X keycode. xdotool sends
    keysyms and remaps a spare keycode for any the layout lacks, which would
    hide what a layout really gives for a place on the keyboard. The open
    connection also keeps the server from resetting its keymap."""

    # X keycodes of a US keyboard (the kernel's key numbers plus 8).
    CODES = {"Escape": 9, "x": 53, "Return": 36, "space": 65, "Left": 113, "Right": 114,
             "F1": 67}

    def __init__(self, display):
        import ctypes
        self.xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.xlib.XFlush.argtypes = [ctypes.c_void_p]
        self.xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xlib.XkbLockGroup.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_uint]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.xlib.XOpenDisplay(display.encode())
        check(self.display, f"cannot open the X display {display}")

    def press(self, name):
        code = self.CODES[name]
        for down in (1, 0):
            self.xtst.XTestFakeKeyEvent(self.display, code, down, 0)
            self.xlib.XSync(self.display, 0)
            time.sleep(0.03)

    def keysym(self, name, group):
        """What the key at `name`'s place gives, unshifted, in layout `group`."""
        import ctypes
        self.xlib.XkbKeycodeToKeysym.restype = ctypes.c_ulong
        self.xlib.XkbKeycodeToKeysym.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                                 ctypes.c_int]
        return self.xlib.XkbKeycodeToKeysym(self.display, self.CODES[name], group, 0)

    def lock_group(self, group):
        """Makes layout number `group` (0 the first) the active one."""
        self.xlib.XkbLockGroup(self.display, 0x100, group)  # XkbUseCoreKbd
        self.xlib.XSync(self.display, 0)

    def close(self):
        self.xlib.XCloseDisplay(self.display)


def green(pixel):
    r, g, b = pixel
    return g > 128 and r < 80 and b < 80


def green_columns(picture, top, bottom):
    """The x of every column with a green pixel between rows top and bottom."""
    return sorted({x for y in range(top, bottom) for x, p in enumerate(picture[y]) if green(p)})


def cannon_x(screen, window):
    row7 = ROW_TOP + 7 * ROW_PITCH
    xs = green_columns(screen.pixels(window, MAIN_SIZE), row7, row7 + ROW_HEIGHT)
    return xs[0] if xs else None


def check_main_window_frame(screen, window):
    """A close box and no minimize or maximize box, and a size the player cannot change."""
    hints = screen.prop(window, "_MOTIF_WM_HINTS").split("=")[-1]
    flags, functions, decorations = (int(v, 16) for v in hints.split(",")[:3])
    check(flags & 3 == 3, f"no Motif functions and decorations: {hints.strip()}")
    check(functions & 0x20, "no close function")
    check(not functions & 0x18 and not decorations & 0x60, f"minimize or maximize: {hints}")
    sizes = screen.prop(window, "WM_NORMAL_HINTS")
    check("minimum size: 212 by 146" in sizes and "maximum size: 212 by 146" in sizes,
          f"the window is not fixed at 212 x 146: {sizes}")


def find_window(screen, pid, size, name=None):
    for window in screen.visible_windows(pid):
        info = screen.info(window)
        if info["size"] == size and (name is None or info["name"] == name):
            return window
    return None


def start_game(program, screen, arguments=()):
    game = subprocess.Popen([program, *arguments], env=screen.env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    started = time.monotonic()

    def splash_or_death():
        if game.poll() is not None:
            raise Failure(f"the program ended with {game.returncode} before showing its splash:\n"
                          + game.stdout.read().decode(errors="replace"))
        return find_window(screen, game.pid, SPLASH_SIZE)

    splash = wait_for("the splash", splash_or_death, 20)
    return game, splash, time.monotonic() - started


def play_through(program, screen):
    game, splash, startup = start_game(program, screen)
    try:
        seen = time.monotonic()
        info = screen.info(splash)
        print(f"splash mapped {startup * 1000:.0f} ms after start, at {info['pos']}")
        check(abs(info["pos"][0] - (1024 - SPLASH_SIZE[0]) // 2) <= 1, "splash not centred")
        # Qt marks a borderless splash by its window type alone, other
        # borderless windows by Motif hints without decorations.
        kind = screen.prop(splash, "_NET_WM_WINDOW_TYPE")
        check("_NET_WM_WINDOW_TYPE_SPLASH" in kind, f"splash has window type {kind.strip()}")
        check("_KDE_NET_WM_WINDOW_TYPE_OVERRIDE" in kind
              or "0x2, 0x0, 0x0" in screen.prop(splash, "_MOTIF_WM_HINTS"),
              "the splash asks for a border")

        main = wait_for("the main window",
                        lambda: find_window(screen, game.pid, MAIN_SIZE, "Vantrel"), 20)
        handover = time.monotonic() - seen
        print(f"main window {handover * 1000:.0f} ms after the splash")
        check(handover > (SPLASH_MS - 300) / 1000, "the splash went too early")
        wait_for("the splash to close", lambda: splash not in screen.visible_windows(game.pid), 5)
        check_main_window_frame(screen, main)

        start = wait_for("the cannon", lambda: cannon_x(screen, main), 5)
        wait_for("the main window to take the keyboard", lambda: screen.focus() == main, 5)
        screen.key("Right")
        right = wait_for("the cannon to move right",
                         lambda: (x := cannon_x(screen, main)) != start and x, 5)
        cell = right - start
        check(cell > 0, f"Right moved the cannon from x={start} to x={right}")
        screen.key("Left")
        wait_for("the cannon to come back", lambda: cannon_x(screen, main) == start, 5)
        screen.key("Left")
        wait_for("the cannon to move left", lambda: cannon_x(screen, main) == start - cell, 5)
        print(f"cannon moved by real keys: x {start} -> {right} -> {start} -> {start - cell}")

        # With no window manager to hand it back, the board must take the
        # keyboard again itself once a box has closed.
        screen.key("F1")
        wait_for("the help box to take the keyboard",
                 lambda: screen.focus() not in (None, main)
                 and screen.focus() in screen.visible_windows(game.pid), 5)
        screen.key("Return")
        wait_for("the main window to take the keyboard back", lambda: screen.focus() == main, 5)

        screen.key("Escape")
        wait_for("the quit question to take the keyboard",
                 lambda: screen.focus() not in (None, main)
                 and screen.focus() in screen.visible_windows(game.pid), 5)
        screen.key("Return")
        code = game.wait(timeout=10)
        check(code == 0, f"quitting with Yes ended with exit code {code}")
        print("Escape, Return: the program ended with exit code 0")
    finally:
        if game.poll() is None:
            game.kill()
            game.wait()


def skip_splash_with_a_key(program, screen):
    """With no window manager the splash must still get the keyboard itself."""
    game, splash, _ = start_game(program, screen)
    try:
        seen = time.monotonic()
        wait_for("the splash to take the keyboard", lambda: screen.focus() == splash, 5)
        screen.key("space")
        wait_for("the main window", lambda: find_window(screen, game.pid, MAIN_SIZE, "Vantrel"), 20)
        skipped = time.monotonic() - seen
        print(f"a key at the splash opened the main window after {skipped * 1000:.0f} ms")
        check(skipped < (SPLASH_MS - 300) / 1000, "a key did not skip the splash")
    finally:
        game.kill()
        game.wait()


# Layouts to play under, with the group to make active; the key labelled X
# gives a Latin x in the last two only.
LAYOUTS = [("ru", 0), ("gr", 0), ("us,ru", 1), ("de", 0), ("fr", 0)]
KEYSYM_X = 0x78


def play_with_physical_keys(program, screen, keyboard):
    """Skips the splash, steers and restarts with the keys at their places on
    the keyboard, whatever the layout makes of them, and quits."""
    game, splash, _ = start_game(program, screen)
    try:
        seen = time.monotonic()
        wait_for("the splash to take the keyboard", lambda: screen.focus() == splash, 5)
        keyboard.press("x")
        main = wait_for("the main window",
                        lambda: find_window(screen, game.pid, MAIN_SIZE, "Vantrel"), 20)
        check(time.monotonic() - seen < (SPLASH_MS - 300) / 1000, "the X key did not skip the splash")
        wait_for("the main window to take the keyboard", lambda: screen.focus() == main, 5)
        start = wait_for("the cannon", lambda: cannon_x(screen, main), 5)
        keyboard.press("Right")
        wait_for("the cannon to move right", lambda: (cannon_x(screen, main) or start) > start, 5)
        keyboard.press("x")
        wait_for("the X key to restart the game", lambda: cannon_x(screen, main) == start, 5)
        keyboard.press("Escape")
        wait_for("the quit question to take the keyboard",
                 lambda: screen.focus() not in (None, main)
                 and screen.focus() in screen.visible_windows(game.pid), 5)
        keyboard.press("Return")
        code = game.wait(timeout=10)
        check(code == 0, f"quitting with Yes ended with exit code {code}")
    finally:
        if game.poll() is None:
            game.kill()
            game.wait()


def ignores_its_command_line(program, screen):
    """Qt's own options (a style sheet, a window title, mirrored layout) change nothing."""
    with tempfile.TemporaryDirectory(prefix="vantrel-args-") as folder:
        sheet = os.path.join(folder, "red.qss")
        with open(sheet, "w") as out:
            out.write("* { color: #ff0000; background-color: #ff0000; }\n")
        game, _, _ = start_game(program, screen,
                                ["-stylesheet", sheet, "-qwindowtitle", "Hacked", "-reverse"])
        try:
            main = wait_for("the main window named Vantrel",
                            lambda: find_window(screen, game.pid, MAIN_SIZE, "Vantrel"), 20)
            start = wait_for("the cannon", lambda: cannon_x(screen, main), 5)
            picture = screen.pixels(main, MAIN_SIZE)
            pixels = [p for row in picture for p in row]
            red = sum(1 for r, g, b in pixels if r > 128 and g < 80)
            black = sum(1 for p in pixels if max(p) < 16)
            check(red == 0, f"{red} red pixels: the style sheet was read")
            check(black > len(pixels) * 3 // 4 and any(green(p) for p in pixels),
                  "the board is not green on black")
            check(start == cannon_x(screen, main) and start < MAIN_SIZE[0] // 2 + 20,
                  f"the cannon stands at x={start}: the layout was mirrored")
            print("with -stylesheet, -qwindowtitle and -reverse: caption Vantrel, green on black")
        finally:
            game.kill()
            game.wait()


def keyboard_layouts(program, screen):
    keyboard = Keyboard(screen.env["DISPLAY"])
    try:
        for layout, group in LAYOUTS:
            result = run(["setxkbmap", "-layout", layout], screen.env)
            check(result.returncode == 0, f"setxkbmap -layout {layout}: {result.stderr}")
            keyboard.lock_group(group)
            keysym = keyboard.keysym("x", group)
            latin = layout in ("de", "fr")
            check((keysym == KEYSYM_X) == latin,
                  f"under {layout} the X key gives keysym {keysym:#x}: the layout is not in effect")
            play_with_physical_keys(program, screen, keyboard)
            print(f"layout {layout}, group {group + 1} (X key gives keysym {keysym:#x}): "
                  "the X key skipped the splash and restarted the game, arrows, Escape and "
                  "Return worked")
    finally:
        run(["setxkbmap", "-layout", "us"], screen.env)
        keyboard.close()


def explains_missing_display(program):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    result = subprocess.run([program], env=env, capture_output=True, text=True, timeout=20)
    check(result.returncode != 0 and "needs a graphical display" in result.stderr,
          f"without a display: exit {result.returncode}, {result.stderr!r}")
    print("without a display the program explains itself and exits " + str(result.returncode))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--layouts", action="store_true",
                        help="play under other keyboard layouts instead")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    tools = ["Xvfb", "xdotool", "xwininfo", "xprop", "import"]
    if args.layouts:
        tools.append("setxkbmap")
    else:
        try:
            explains_missing_display(program)
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
    missing = [t for t in tools if not shutil.which(t)]
    if missing:
        print("skipped: not installed: " + ", ".join(missing))
        return SKIP
    server, display = start_xvfb()
    try:
        screen = Screen(display)
        if args.layouts:
            keyboard_layouts(program, screen)
        else:
            play_through(program, screen)
            skip_splash_with_a_key(program, screen)
            ignores_its_command_line(program, screen)
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        stop_xvfb(server)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
