"""What the tests and the benches that drive the real program on an X server
share: a virtual X server of their own, the X tools pointed at it, physical
keys through XTEST, the close box's message, a desktop launcher's startup
notification, the game's figures and texts, and a test's start and cleanup.
Events go through Debian's python3-xlib. The failure, the check and the
polling wait serve the terminal test too.

Import it with tests/support on sys.path, under Debian's python3.
"""

import contextlib
import ctypes
import os
import re
import shutil
import signal
import subprocess
import time

try:
    from Xlib import X, Xatom
    from Xlib.display import Display
    from Xlib.ext import xtest
    from Xlib.protocol.event import ClientMessage
except ImportError:  # reported by missing()
    Display = None

SKIP = 77
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The headers the tests take the game's figures and texts from, so that no
# test types them again.
HEADERS = ("session/Figures.h", "game/Tick.h", "input/KeyCommands.h")
CODE = "".join(open(os.path.join(SOURCE, header)).read() for header in HEADERS)
# FIGURES["kTickMs"], TEXTS["kHelpPrompt"]
FIGURES = {name: int(value) for name, value in re.findall(r"constexpr int (k\w+) = (\d+);", CODE)}
TEXTS = {name: "".join(re.findall(r'"([^"]*)"', value)) for name, value in re.findall(
    r'constexpr std::string_view (k\w+) =\s*((?:"[^"]*"\s*)+);', CODE)}
# The game's two windows, how long the splash shows, and the virtual screen
# they are shown on.
SPLASH_SIZE = (FIGURES["kSplashWidth"], FIGURES["kSplashHeight"])
SPLASH_MS = FIGURES["kSplashMs"]
MAIN_SIZE = (FIGURES["kClientWidth"], FIGURES["kClientHeight"])
TICK_MS = FIGURES["kTickMs"]
SCREEN = (1024, 768)
XLIB = "python3-xlib"
# The kernel's key codes, the same on every keyboard and in every layout; an
# X server numbers the same keys from 8 on.
KEYS = {"Escape": 1, "e": 18, "o": 24, "Return": 28, "h": 35, "x": 45, "c": 46,
        "space": 57, "F1": 59, "Left": 105, "Right": 106}
X_KEYCODES = 8


class Failure(Exception):
    pass


class Stopped(Exception):
    """The test's time is up or it was asked to end: not one check's failure,
    so no check goes on after it."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def missing(*tools):
    """The tools (and Debian's python3-xlib, named XLIB) that are not installed."""
    return [t for t in tools if (Display is None if t == XLIB else not shutil.which(t))]


def unavailable(*tools, absent=()):
    """SKIP, said, when any of the tools (or anything in absent) is missing."""
    if absent := missing(*tools) + list(absent):
        print("skipped: not installed: " + ", ".join(absent))
        return SKIP
    return None


def run(args, env, timeout=10):
    return subprocess.run(args, env=env, capture_output=True, text=True, timeout=timeout)


def wait_for(what, probe, timeout, failure=None):
    """Polls probe() until it returns something truthy; no fixed sleeps. Out
    of time, it fails with failure() where given."""
    started = time.monotonic()
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() - started > timeout:
            raise Failure(failure() if failure else f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.02)


def qt_version(program):
    """The version of the Qt the program runs on, as a tuple (6, 8, 2): the
    Qt Core library the dynamic linker finds for it, whose file is named
    after its version. Where the game takes one path or another by what its
    Qt can do, the tests expect the path of that Qt."""
    linked = run(["ldd", program], None).stdout
    found = re.search(r"^\s*libQt6Core\.so\.6 => (\S+)", linked, re.MULTILINE)
    check(found, f"{program} is not linked with Qt 6:\n{linked}")
    real = os.path.basename(os.path.realpath(found[1]))
    return tuple(int(part) for part in real.removeprefix("libQt6Core.so.").split("."))


def start_xvfb(size=SCREEN):
    """Starts Xvfb on a free display chosen by the server itself."""
    read_end, write_end = os.pipe()
    # -noreset: by default the server resets whenever its last client leaves,
    # and drops any client that connects meanwhile; with short-lived X tools
    # polling beside the program, that would now and then refuse the program.
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{size[0]}x{size[1]}x24",
         "-nolisten", "tcp", "-noreset"],
        pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        server.kill()
        raise Failure("Xvfb did not report a display number")
    return server, ":" + number


def stop(process, group=False):
    """Ends a process the test started, asking first; with group, the
    session of its own it was started in, its children included."""
    for sig, wait in ((signal.SIGTERM, 10), (signal.SIGKILL, None)):
        with contextlib.suppress(ProcessLookupError):
            os.killpg(process.pid, sig) if group else process.send_signal(sig)
        with contextlib.suppress(subprocess.TimeoutExpired):
            process.wait(timeout=wait)
            return


def stop_group(process):
    stop(process, group=True)


def spawn(cleanup, command, **options):
    """Starts a program in a session of its own, which the test's cleanup
    stops, its children included."""
    process = subprocess.Popen(command, start_new_session=True, **{
        "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, **options})
    cleanup.callback(stop_group, process)
    return process


stop_xvfb = stop


def outcome(body):
    """Runs a test: body(cleanup) registers on the ExitStack `cleanup` how to
    undo each thing it starts, as it starts it. Whatever happens, everything
    is undone (see guard), and what the programs left running is ended. Says
    and returns the exit code: body's, or 0 (passed) when it returns None."""
    with contextlib.ExitStack() as cleanup:
        try:
            code = body(cleanup)
        except (Failure, Stopped) as failure:
            print(f"FAILED: {failure}")
            code = 1
        finally:
            unguard()
            cleanup.close()
            if left := reap():
                print("ended what was left running: " + "; ".join(left))
    if code is None:
        print("passed")
    return code or 0


# What a test keeps back from its time limit for its cleanup: stopping a
# desktop's processes and removing its folder.
CLEANUP_SECONDS = 30
PR_SET_CHILD_SUBREAPER = 36


def guard(time_limit):
    """Makes the test end on its own, cleanup included, before ctest's time
    limit (ctest would kill it and its children outright, leaving the rest
    running and the folders behind), or on SIGTERM. The test also adopts what
    its programs leave running (a desktop's daemons), for reap()."""
    ctypes.CDLL(None).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)

    def stop(signum, _):
        unguard()  # once: the cleanup that follows is not interrupted
        if signum == signal.SIGALRM:
            raise Stopped(f"out of time: {time_limit} s in all, of which {CLEANUP_SECONDS} s are kept "
                          "for the cleanup")
        raise Stopped("asked to end (SIGTERM)")
    signal.signal(signal.SIGALRM, stop)
    signal.signal(signal.SIGTERM, stop)
    signal.alarm(max(time_limit - CLEANUP_SECONDS, 1))


def unguard():
    """The cleanup has begun: neither the time limit nor SIGTERM interrupts it."""
    signal.alarm(0)
    signal.signal(signal.SIGTERM, signal.SIG_IGN)


def reap():
    """Ends the processes the test still has as children (see guard), by
    their process ids, and those they leave in turn. Returns what it found."""
    def parent(pid):
        with contextlib.suppress(OSError, IndexError), open(f"/proc/{pid}/stat") as stat:
            return int(stat.read().rsplit(")", 1)[1].split()[1])

    found = []
    while True:
        children = [int(pid) for pid in os.listdir("/proc") if pid.isdigit() and parent(pid) == os.getpid()]
        if not children:
            return found
        for pid in children:
            with contextlib.suppress(OSError):
                with open(f"/proc/{pid}/cmdline", "rb") as command:
                    line = command.read().replace(b"\0", b" ").decode(errors="replace").strip()
                if line:  # not an ended process that waits to be collected
                    found.append(line)
                os.kill(pid, signal.SIGKILL)
        for pid in children:
            with contextlib.suppress(ChildProcessError):
                os.waitpid(pid, 0)


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

    def xdotool(self, *args):
        return run(["xdotool", *args], self.env, timeout=20)

    def visible_windows(self, pid):
        return [int(w) for w in self.xdotool("search", "--onlyvisible", "--pid", str(pid)).stdout.split()]

    def info(self, window):
        out = run(["xwininfo", "-id", str(window)], self.env).stdout
        fields = dict(line.strip().partition(":")[::2] for line in out.splitlines())

        def number(*keys):
            return tuple(int(fields.get(key, "0").strip() or 0) for key in keys)
        return {"size": number("Width", "Height"),
                "pos": number("Absolute upper-left X", "Absolute upper-left Y"),
                "name": out.split('"')[1] if out.count('"') >= 2 else ""}

    def find_window(self, pid, size, name=None):
        """A visible window of the process with this size (and name)."""
        for window in self.visible_windows(pid):
            info = self.info(window)
            if info["size"] == tuple(size) and (name is None or info["name"] == name):
                return window
        return None

    def prop(self, window, name):
        return run(["xprop", "-id", str(window), name], self.env).stdout

    def frame(self, window):
        """The window with the frame its window manager drew around it, as
        (left, top, width, height); without a window manager just the window."""
        info = self.info(window)
        extents = self.prop(window, "_NET_FRAME_EXTENTS").partition("=")[2]
        left, right, top, bottom = (int(v) for v in extents.split(",")) if extents else (0, 0, 0, 0)
        (x, y), (width, height) = info["pos"], info["size"]
        return x - left, y - top, width + left + right, height + top + bottom

    def prop_root(self, name):
        return run(["xprop", "-root", name], self.env).stdout

    def activate(self, window):
        """Gives a window the keyboard: through the window manager where there is
        one, as a click or a taskbar would, else directly."""
        self.xdotool("windowactivate" if self.wm else "windowfocus", str(window))

    def focus(self):
        out = self.xdotool("getwindowfocus").stdout.strip()
        return int(out) if out.isdigit() else None

    def wait_focus(self, window, what, timeout=5):
        wait_for(f"the {what} to take the keyboard", lambda: self.focus() == window, timeout)

    def key(self, *keys, delay=30):
        self.xdotool("key", "--delay", str(delay), *keys)

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
    hide what a layout really gives for a place on the keyboard."""

    def __init__(self, display):
        self.display = Display(display)

    def press(self, name):
        for kind in (X.KeyPress, X.KeyRelease):
            xtest.fake_input(self.display, kind, KEYS[name] + X_KEYCODES)
            self.display.sync()
            time.sleep(0.03)

    def keysym(self, name, group):
        """What the key at `name`'s place gives, unshifted, in layout `group`:
        the core keymap holds each group's two levels side by side. Read
        afresh, as the layout changes under the connection."""
        return self.display.get_keyboard_mapping(KEYS[name] + X_KEYCODES, 1)[0][2 * group]

    def lock_group(self, group):
        """Makes layout number `group` (0 the first) the active one. python3-xlib
        has no XKB, and this is one call of libX11's."""
        xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XkbLockGroup.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_uint]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        connection = xlib.XOpenDisplay(self.display.get_display_name().encode())
        xlib.XkbLockGroup(connection, 0x100, group)  # XkbUseCoreKbd
        xlib.XCloseDisplay(connection)  # flushes the request

    def close(self):
        self.display.close()


def send_delete_window(display, window):
    """What a close box does: the window manager sends WM_DELETE_WINDOW."""
    connection = Display(display)
    try:
        event = ClientMessage(window=window, client_type=connection.intern_atom("WM_PROTOCOLS"),
                              data=(32, [connection.intern_atom("WM_DELETE_WINDOW"), 0, 0, 0, 0]))
        connection.create_resource_object("window", window).send_event(event)
        connection.sync()
    finally:
        connection.close()


class Launcher:
    """Starts programs as a desktop launcher does for an entry that asks for
    startup notification: it announces a startup sequence on the root window
    ("new:"), then starts the program with DESKTOP_STARTUP_ID naming the
    sequence and the X server time of the click that launched it."""

    def __init__(self, display):
        self.display = Display(display)
        self.root = self.display.screen().root
        # Startup messages go to the root window for whoever listens there.
        self.root.change_attributes(event_mask=X.PropertyChangeMask)
        self.window = self.root.create_window(0, 0, 1, 1, 0, X.CopyFromParent,
                                              event_mask=X.PropertyChangeMask)
        self.begin, self.more = (self.display.intern_atom(name)
                                 for name in ("_NET_STARTUP_INFO_BEGIN", "_NET_STARTUP_INFO"))
        self.partial, self.messages = {}, []

    def _events(self, until_time=False):
        """Reads the events that came; collects the startup messages among
        them and, with until_time, returns the time of this window's next
        property change."""
        while until_time or self.display.pending_events():
            event = self.display.next_event()
            if event.type == X.ClientMessage and event.client_type in (self.begin, self.more):
                sender = event.window.id
                if event.client_type == self.begin:
                    self.partial[sender] = b""
                self.partial[sender] = self.partial.get(sender, b"") + bytes(event.data[1])
                if b"\0" in self.partial[sender]:
                    self.messages.append(self.partial.pop(sender).split(b"\0")[0].decode())
            elif event.type == X.PropertyNotify and event.window.id == self.window.id:
                return event.time
        return None

    def startup_messages(self):
        """The startup notification messages sent to the root window so far."""
        self._events()
        return self.messages

    def server_time(self):
        """The X server's clock now, read from a property change."""
        self.window.change_property(self.display.intern_atom("VANTREL_TEST_TIME"), Xatom.STRING,
                                    8, b"")
        self.display.flush()
        return self._events(until_time=True)

    def startup_id(self):
        """A new startup sequence, announced, stamped with the time now."""
        name = f"vantrel-test-{os.getpid()}-{time.monotonic_ns()}_TIME{self.server_time()}"
        message = f'new: ID="{name}" NAME="Vantrel" SCREEN=0 WMCLASS="vantrel"'.encode() + b"\0"
        for start in range(0, len(message), 20):
            event = ClientMessage(window=self.window, client_type=self.more if start else self.begin,
                                  data=(8, message[start:start + 20].ljust(20, b"\0")))
            self.root.send_event(event, event_mask=X.PropertyChangeMask)
        self.display.sync()
        return name

    def close(self):
        self.display.close()
