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
SCREEN = (1024, 768)
CELL = 13
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
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp",
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
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DESKTOP_STARTUP_ID"):
            self.env.pop(name, None)
        self.wm = None
        # With no session bus, D-Bus would start one for the program (through
        # dbus-launch) that outlives it: a leaked daemon per run, and one that
        # strace -f waits for. Point it at a bus that is not there instead.
        self.env.setdefault("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vantrel-test-bus")

    def visible_windows(self, pid):
        out = run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], self.env)
        return [int(w) for w in out.stdout.split()]

    def named_windows(self, name):
        out = run(["xdotool", "search", "--onlyvisible", "--name", f"^{name}$"], self.env)
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

    def activate(self, window):
        """Gives a window the keyboard: through the window manager where there is
        one, as a click or a taskbar would, else directly."""
        if self.wm:
            run(["xdotool", "windowactivate", str(window)], self.env)
        else:
            run(["xdotool", "windowfocus", str(window)], self.env)

    def prop_root(self, name):
        return run(["xprop", "-root", name], self.env).stdout

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


def frame_rect(screen, window):
    """The window with the frame its window manager drew around it, as
    (left, top, width, height); without a window manager just the window."""
    info = screen.info(window)
    extents = screen.prop(window, "_NET_FRAME_EXTENTS")
    left = right = top = bottom = 0
    if "=" in extents:
        left, right, top, bottom = (int(v) for v in extents.split("=")[1].split(","))
    (x, y), (width, height) = info["pos"], info["size"]
    return x - left, y - top, width + left + right, height + top + bottom


def check_centred(screen, window, what):
    """Waits until the framed window sits in the middle of the screen (to the
    half pixel that odd sizes leave); returns its frame."""
    # The work area is the screen less any panels a window manager keeps.
    area = (0, 0) + SCREEN
    workarea = screen.prop_root("_NET_WORKAREA")
    if "=" in workarea:
        area = tuple(int(v) for v in workarea.split("=")[1].split(",")[:4])

    def centred():
        left, top, width, height = frame = frame_rect(screen, window)
        off = (2 * left + width - (2 * area[0] + area[2]), 2 * top + height - (2 * area[1] + area[3]))
        return frame if all(abs(d) <= 1 for d in off) else None
    try:
        return wait_for(f"the {what} to be centred", centred, 5)
    except Failure:
        raise Failure(f"the {what} is not centred: frame (x, y, w, h) = {frame_rect(screen, window)}"
                      f" in the work area {area}")


def check_over(screen, box, main):
    """A box must come up over the game's window: its middle inside the
    window's frame and, where a window manager keeps the stacking order,
    above the window."""
    left, top, width, height = frame_rect(screen, main)
    (x, y), (w, h) = screen.info(box)["pos"], screen.info(box)["size"]
    middle = (x + w // 2, y + h // 2)
    check(left <= middle[0] < left + width and top <= middle[1] < top + height,
          f"the box at {(x, y, w, h)} is not over the window at {(left, top, width, height)}")
    if screen.wm:
        stacking = screen.prop_root("_NET_CLIENT_LIST_STACKING")
        order = [int(w, 16) for w in stacking.split("#")[-1].replace(",", " ").split()]
        check(main in order and box in order and order.index(box) > order.index(main),
              f"the box is not stacked above the window: {stacking.strip()}")


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
        check_centred(screen, splash, "splash")
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
        print(f"main window {handover * 1000:.0f} ms after the splash was found")
        # The splash's time runs from its start inside the program, which the
        # test sees only by polling, late on a loaded machine: measured from
        # the launch, the main window can never come before the splash's time
        # is up.
        check(handover + startup > (SPLASH_MS - 50) / 1000,
              f"the splash went too early ({(handover + startup) * 1000:.0f} ms after the launch)")
        wait_for("the splash to close", lambda: splash not in screen.visible_windows(game.pid), 5)
        check_main_window_frame(screen, main)
        frame = check_centred(screen, main, "main window")
        print(f"main window centred with its frame: (x, y, w, h) = {frame}")

        start = wait_for("the cannon", lambda: cannon_x(screen, main), 5)
        wait_for("the main window to take the keyboard", lambda: screen.focus() == main, 5)
        screen.key("Right")
        right = wait_for("the cannon to move right",
                         lambda: (x := cannon_x(screen, main)) != start and x, 5)
        cell = right - start
        check(cell == CELL, f"Right moved the cannon from x={start} to x={right}, "
                            f"not one {CELL} px cell")
        screen.key("Left")
        wait_for("the cannon to come back", lambda: cannon_x(screen, main) == start, 5)
        screen.key("Left")
        wait_for("the cannon to move left", lambda: cannon_x(screen, main) == start - cell, 5)
        print(f"cannon moved by real keys: x {start} -> {right} -> {start} -> {start - cell}")

        # With no window manager to hand it back, the board must take the
        # keyboard again itself once a box has closed.
        screen.key("F1")
        box = wait_for("the help box to take the keyboard",
                       lambda: screen.focus() not in (None, main)
                       and screen.focus() in screen.visible_windows(game.pid)
                       and screen.focus(), 5)
        check_over(screen, box, main)
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


def another_program(screen):
    """A window of another client, made the active one: where a player goes
    while the game runs on."""
    other = subprocess.Popen(["xmessage", "-name", "other", "-geometry", "+10+10",
                              "Another program"],
                             env=screen.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = wait_for("the other program's window", lambda: (screen.named_windows("other") or [None])[0], 10)
    screen.activate(window)
    wait_for("the other program to take the keyboard", lambda: screen.focus() == window, 5)
    return other, window


def box_while_away(program, screen):
    """A loss box that comes up while the player is in another program leaves
    that program's keyboard alone, asks for attention, and takes the keyboard
    once the player comes back; the board gets it back after the box."""
    game, splash, _ = start_game(program, screen)
    other = None
    try:
        main = wait_for("the main window",
                        lambda: find_window(screen, game.pid, MAIN_SIZE, "Vantrel"), 20)
        wait_for("the main window to take the keyboard", lambda: screen.focus() == main, 5)
        other, other_window = another_program(screen)
        left = time.monotonic()
        # With nobody steering, the wave reaches the bottom row in about 16 s.
        box = wait_for("the loss box", lambda: game.poll() is None and next(
            (w for w in screen.visible_windows(game.pid) if w != main), None), 40)
        print(f"the loss box came up {time.monotonic() - left:.1f} s after the player left")
        # Give a box that would take the keyboard the time to do it.
        deadline = time.monotonic() + 1.0
        while time.monotonic() < deadline:
            check(screen.focus() == other_window,
                  f"the loss box took the keyboard from the other program (focus {screen.focus()})")
            time.sleep(0.05)
        state = screen.prop(main, "_NET_WM_STATE") + screen.prop(main, "WM_HINTS")
        attention = "_NET_WM_STATE_DEMANDS_ATTENTION" in state or "urgent" in state.lower()
        print("the other program kept the keyboard; the game asks for attention: "
              + ("yes" if attention else "no (no window manager to show it)"))
        if screen.wm:
            check(attention, f"the game does not ask for attention: {state}")
        screen.activate(main)
        if screen.wm:
            wait_for("the box to take the keyboard when the player comes back",
                     lambda: screen.focus() == box, 5)
        else:
            # Without a window manager the box cannot take the keyboard from
            # the window the player focused, but the keys go to it.
            wait_for("the main window to take the keyboard", lambda: screen.focus() == main, 5)
        screen.key("Return")
        wait_for("Return to answer the box", lambda: box not in screen.visible_windows(game.pid), 5)
        wait_for("the board to take the keyboard back", lambda: screen.focus() == main, 5)
        print("back at the game, the box took the keys, and after it the board")
    finally:
        if other is not None:
            other.kill()
            other.wait()
        game.kill()
        game.wait()


def send_delete_window(display, window):
    """What a close box does: the window manager sends WM_DELETE_WINDOW."""
    import ctypes
    xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.c_void_p]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                    ("pad", ctypes.c_long * 12)]  # XEvent is 24 longs

    connection = xlib.XOpenDisplay(display.encode())
    check(connection, "cannot open the X display")
    event = ClientMessage(type=33, window=window, format=32,
                          message_type=xlib.XInternAtom(connection, b"WM_PROTOCOLS", 0))
    event.data[0] = xlib.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
    xlib.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
    xlib.XFlush(connection)
    xlib.XCloseDisplay(connection)


def close_window(screen, window):
    """Closes a window as the player would: through the window manager where
    it offers to (it sends WM_DELETE_WINDOW in its own way), else directly.
    Returns how."""
    if screen.wm:
        # The window manager closes only the windows it already manages.
        wait_for("the window manager to manage the window",
                 lambda: hex(window) in screen.prop_root("_NET_CLIENT_LIST"), 5)
        allowed = screen.prop(window, "_NET_WM_ALLOWED_ACTIONS")
        if "_NET_WM_ACTION_CLOSE" in allowed or "=" not in allowed:
            run(["wmctrl", "-i", "-c", hex(window)], screen.env)
            return "through " + screen.wm
    send_delete_window(screen.env["DISPLAY"], window)
    return "by WM_DELETE_WINDOW"


def closing_windows(program, screen):
    """The close box of the main window and closing the splash both end the
    program with exit code 0; a closed splash opens no main window."""
    game, splash, _ = start_game(program, screen)
    try:
        main = wait_for("the main window",
                        lambda: find_window(screen, game.pid, MAIN_SIZE, "Vantrel"), 20)
        close_window(screen, main)
        code = game.wait(timeout=10)
        check(code == 0, f"the close box ended the program with exit code {code}")
    finally:
        if game.poll() is None:
            game.kill()
            game.wait()
    game, splash, _ = start_game(program, screen)
    try:
        how = close_window(screen, splash)
        code = game.wait(timeout=10)
        check(code == 0, f"closing the splash ended the program with exit code {code}")
        check(not find_window(screen, game.pid, MAIN_SIZE), "the main window opened")
        print("the close box and closing the splash (" + how + ") both ended the program "
              "with exit code 0")
    except subprocess.TimeoutExpired:
        raise Failure("closing the splash did not end the program")
    finally:
        if game.poll() is None:
            game.kill()
            game.wait()


# The window managers the test can run under: the command, and whether it
# needs a D-Bus session of its own.
WINDOW_MANAGERS = {
    "openbox": (["openbox"], False),
    "metacity": (["metacity"], True),
    "xfwm4": (["xfwm4", "--compositor=off"], True),
    "icewm": (["icewm"], False),
}


def start_window_manager(name, screen, home):
    command, needs_bus = WINDOW_MANAGERS[name]
    if needs_bus:
        command = ["dbus-run-session", "--"] + command
    # A home of its own, so that it reads and writes no settings of the user's.
    env = dict(screen.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"))
    manager = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)

    def running():
        if manager.poll() is not None:
            raise Failure(f"{name} ended with exit code {manager.returncode}")
        return "window id" in screen.prop_root("_NET_SUPPORTING_WM_CHECK")
    wait_for(f"{name} to manage the screen", running, 20)
    screen.wm = name
    return manager


def stop_window_manager(manager):
    os.killpg(manager.pid, signal.SIGTERM)
    try:
        manager.wait(timeout=10)
    except subprocess.TimeoutExpired:
        os.killpg(manager.pid, signal.SIGKILL)
        manager.wait()


class Launcher:
    """Starts programs as a desktop launcher does for an entry that asks for
    startup notification: it announces a startup sequence on the root window
    ("new:"), then starts the program with DESKTOP_STARTUP_ID naming the
    sequence and the X server time of the click that launched it."""

    def __init__(self, display):
        import ctypes
        self.ctypes = ctypes
        x = self.xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XCreateSimpleWindow.restype = ctypes.c_ulong
        x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 4 + \
            [ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                      ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_char_p, ctypes.c_int]
        x.XWindowEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long, ctypes.c_void_p]
        x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                 ctypes.c_void_p]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = x.XOpenDisplay(display.encode())
        check(self.display, "cannot open the X display")
        self.root = x.XDefaultRootWindow(self.display)
        self.window = x.XCreateSimpleWindow(self.display, self.root, 0, 0, 1, 1, 0, 0, 0)
        x.XSelectInput(self.display, self.window, 0x400000)  # PropertyChangeMask
        # Startup messages go to the root window for whoever listens there.
        x.XSelectInput(self.display, self.root, 0x400000)
        x.XCheckTypedWindowEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                             ctypes.c_void_p]
        self.info_atoms = [x.XInternAtom(self.display, name, 0)
                           for name in (b"_NET_STARTUP_INFO_BEGIN", b"_NET_STARTUP_INFO")]
        self.partial, self.messages = {}, []

    def startup_messages(self):
        """The startup notification messages sent to the root window so far."""
        x, ctypes = self.xlib, self.ctypes
        event = (ctypes.c_long * 24)()
        while x.XCheckTypedWindowEvent(self.display, self.root, 33, event):  # ClientMessage
            if event[5] in self.info_atoms:  # message_type
                raw = ctypes.string_at(ctypes.addressof(event) + 56, 20)
                sender = event[4]
                if event[5] == self.info_atoms[0]:
                    self.partial[sender] = b""
                self.partial[sender] = self.partial.get(sender, b"") + raw
                if b"\0" in raw:
                    self.messages.append(self.partial.pop(sender).split(b"\0")[0].decode())
        return self.messages

    def server_time(self):
        """The X server's clock now, read from a property change."""
        atom = self.xlib.XInternAtom(self.display, b"VANTREL_TEST_TIME", 0)
        self.xlib.XChangeProperty(self.display, self.window, atom, 31, 8, 0, b"", 0)  # STRING
        event = (self.ctypes.c_long * 24)()
        self.xlib.XWindowEvent(self.display, self.window, 0x400000, event)
        return event[6] & 0xffffffff  # XPropertyEvent.time

    def announce(self, startup_id):
        message = (f'new: ID="{startup_id}" NAME="Vantrel" SCREEN=0 WMCLASS="vantrel"'.encode()
                   + b"\0")
        begin = self.xlib.XInternAtom(self.display, b"_NET_STARTUP_INFO_BEGIN", 0)
        more = self.xlib.XInternAtom(self.display, b"_NET_STARTUP_INFO", 0)
        ctypes = self.ctypes

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_char * 20),
                        ("pad", ctypes.c_long * 16)]
        for start in range(0, len(message), 20):
            event = ClientMessage(type=33, window=self.window, format=8,
                                  message_type=begin if start == 0 else more)
            event.data = message[start:start + 20].ljust(20, b"\0")
            self.xlib.XSendEvent(self.display, self.root, 0, 0x400000, ctypes.byref(event))
        self.xlib.XSync(self.display, 0)

    def startup_id(self):
        """A new startup sequence, announced, stamped with the time now."""
        name = f"vantrel-test-{os.getpid()}-{time.monotonic_ns()}_TIME{self.server_time()}"
        self.announce(name)
        return name

    def close(self):
        self.xlib.XCloseDisplay(self.display)


def splash_takes_keyboard_when_launched(program, screen):
    """Started the way a launcher starts the desktop entry while another
    program has the keyboard, the splash gets it (a window manager that
    prevents focus stealing lets it, as the launch is the player's newest
    action), and the program completes its startup sequence."""
    other, other_window = another_program(screen)
    launcher = Launcher(screen.env["DISPLAY"])
    try:
        # The player has just typed into the other program: toolkits record
        # that as the window's user time, and a window manager that prevents
        # focus stealing keeps the keyboard there for anything older.
        run(["xprop", "-id", str(other_window), "-f", "_NET_WM_USER_TIME", "32c", "-set",
             "_NET_WM_USER_TIME", str(launcher.server_time())], screen.env)
        startup_id = launcher.startup_id()
        env = dict(screen.env, DESKTOP_STARTUP_ID=startup_id)
        game = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            splash = wait_for("the splash", lambda: find_window(screen, game.pid, SPLASH_SIZE), 20)
            # The window manager ties the window to the launch by this id.
            check(f'"{startup_id}"' in screen.prop(splash, "_NET_STARTUP_ID"),
                  "the splash does not carry the startup id: "
                  + screen.prop(splash, "_NET_STARTUP_ID").strip())
            # Else a launcher shows its busy pointer until it gives up.
            wait_for("the program to complete its startup sequence",
                     lambda: f'remove: ID={startup_id}' in launcher.startup_messages()
                     or f'remove: ID="{startup_id}"' in launcher.startup_messages(), 5)
            wait_for("the splash to take the keyboard", lambda: screen.focus() == splash, 5)
            screen.key("space")
            main = wait_for("the main window",
                            lambda: find_window(screen, game.pid, MAIN_SIZE, "Vantrel"), 20)
            wait_for("the main window to take the keyboard", lambda: screen.focus() == main, 5)
            print("the program completed its startup sequence: "
                  + next(m for m in launcher.startup_messages() if m.startswith("remove:")))
            print("launched with a startup id while another program was active: the splash "
                  "took the keyboard, a key skipped it, the main window took the keyboard")
        finally:
            game.kill()
            game.wait()
    finally:
        launcher.close()
        other.kill()
        other.wait()


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
    parser.add_argument("--wm", choices=sorted(WINDOW_MANAGERS),
                        help="run the window checks under this window manager")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    tools = ["Xvfb", "xdotool", "xwininfo", "xprop", "import", "xmessage"]
    if args.layouts:
        tools.append("setxkbmap")
    elif not args.wm:
        try:
            explains_missing_display(program)
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
    if args.wm:
        tools += [WINDOW_MANAGERS[args.wm][0][0], "wmctrl"]
        if WINDOW_MANAGERS[args.wm][1]:
            tools.append("dbus-run-session")
    missing = [t for t in tools if not shutil.which(t)]
    if missing:
        print("skipped: not installed: " + ", ".join(missing))
        return SKIP
    server, display = start_xvfb()
    manager = None
    home = tempfile.mkdtemp(prefix="wm-home-")
    try:
        screen = Screen(display)
        if args.wm:
            manager = start_window_manager(args.wm, screen, home)
            print(f"under {args.wm}:")
        if args.layouts:
            keyboard_layouts(program, screen)
        else:
            play_through(program, screen)
            skip_splash_with_a_key(program, screen)
            ignores_its_command_line(program, screen)
            closing_windows(program, screen)
            splash_takes_keyboard_when_launched(program, screen)
            box_while_away(program, screen)
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        if manager is not None:
            stop_window_manager(manager)
        stop_xvfb(server)
        shutil.rmtree(home, ignore_errors=True)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
