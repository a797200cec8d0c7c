#!/usr/bin/env python3
"""Plays the real game program under the desktops players use, headless: the
Wayland compositors sway, GNOME Shell and KWin (the game native on Wayland or
on X11 through Xwayland), and KWin on X11. The desktop itself reports titles,
application ids, focus, attention and frames; keys come from one virtual
keyboard that stays plugged in for the run.

Usage: DesktopTest.py PATH/TO/vantrel --desktop sway|gnome|kwin|kwin-x11
                      [--platform wayland|xcb|default] [--known-gap CHECK] [--time-limit SECONDS]
  --platform default (the default): the platform the program picks on its own
Exit codes: 0 passed, 1 failed, 77 skipped (the desktop is not installed).
"""

import argparse
import array
import ast
import ctypes
import json
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from xsession import (HEADERS, KEYS, SCREEN, SKIP, SOURCE, SPLASH_MS, SPLASH_SIZE, TEXTS,  # noqa: E402
                      Failure, Screen, check, guard, outcome, qt_version, spawn, start_xvfb,
                      stop_group, stop_xvfb, unavailable, wait_for)

APP_ID = "io.vantrel.Vantrel"
# The activation token a Wayland launcher hands the game, and how a request
# that carries it looks in libwayland's trace (WAYLAND_DEBUG=client).
LAUNCH_TOKEN = "vantrel-test-launch-token"
TRACED = re.compile(r"^\[ *\d+\.\d+\] ")
# Compositors and the programs in them run as this user when the test is
# root: sway refuses root, and the others should not need it either.
NOBODY = 65534
X11_SOCKETS = "/tmp/.X11-unix"


class WaylandKeyboard:
    """One long-lived virtual keyboard: the us keymap is sent once, as a real
    keyboard's is, and every key is an evdev code. (A tool that uploads a new
    keymap for each key loses keys.) sway offers zwp_virtual_keyboard_v1,
    KWin its own fake-input protocol. Speaks the Wayland wire protocol
    itself, so it needs no bindings."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.last_id, self.buffer, self.globals = 1, b"", {}
        self.registry = self.new_id()
        self.send(1, 1, struct.pack("<I", self.registry))  # wl_display.get_registry
        self.roundtrip()
        seat = self.bind("wl_seat", 1)
        self.keyboard = self.fake = None
        if "zwp_virtual_keyboard_manager_v1" in self.globals:
            manager = self.bind("zwp_virtual_keyboard_manager_v1", 1)
            self.keyboard = self.new_id()
            self.send(manager, 0, struct.pack("<II", seat, self.keyboard))
            keymap = us_keymap()
            fd = os.memfd_create("keymap")
            os.write(fd, keymap)
            self.send(self.keyboard, 0, struct.pack("<II", 1, len(keymap)), [fd])  # xkb_v1
            os.close(fd)
        elif "org_kde_kwin_fake_input" in self.globals:
            self.fake = self.bind("org_kde_kwin_fake_input", 4)
            self.send(self.fake, 0, wl_string("vantrel-test") + wl_string("the desktop test"))
        else:
            raise Failure("the compositor offers no virtual keyboard: " + " ".join(sorted(self.globals)))
        self.roundtrip()

    def new_id(self):
        self.last_id += 1
        return self.last_id

    def send(self, target, opcode, body=b"", fds=()):
        message = struct.pack("<II", target, (8 + len(body)) << 16 | opcode) + body
        ancillary = [(socket.SOL_SOCKET, socket.SCM_RIGHTS, array.array("i", fds))] if fds else []
        self.sock.sendmsg([message], ancillary)

    def bind(self, interface, version):
        new = self.new_id()
        self.send(self.registry, 0, struct.pack("<I", self.globals[interface]) + wl_string(interface)
                  + struct.pack("<II", version, new))
        return new

    def roundtrip(self):
        done = self.new_id()
        self.send(1, 0, struct.pack("<I", done))  # wl_display.sync
        while True:
            target, opcode, body = self.receive()
            if target == done:
                return
            if target == 1 and opcode == 0:
                raise Failure(f"Wayland error: {body[12:].rstrip(bytes(1)).decode()}")
            if target == self.registry and opcode == 0:  # wl_registry.global
                name, length = struct.unpack_from("<II", body)
                self.globals[body[8:8 + length - 1].decode()] = name

    def receive(self):
        while len(self.buffer) < 8 or len(self.buffer) < struct.unpack_from("<I", self.buffer, 4)[0] >> 16:
            # The seat and the registry send no file descriptors.
            data = self.sock.recv(4096)
            check(data, "the compositor closed the keyboard's connection")
            self.buffer += data
        target, word = struct.unpack_from("<II", self.buffer)
        body, self.buffer = self.buffer[8:word >> 16], self.buffer[word >> 16:]
        return target, word & 0xffff, body

    def press(self, name):
        for state in (1, 0):
            if self.keyboard:
                stamp = int(time.monotonic() * 1000) & 0xffffffff
                self.send(self.keyboard, 1, struct.pack("<III", stamp, KEYS[name], state))
            else:
                self.send(self.fake, 10, struct.pack("<II", KEYS[name], state))
            self.roundtrip()
            time.sleep(0.04)


def wl_string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


def us_keymap():
    xkb = ctypes.cdll.LoadLibrary("libxkbcommon.so.0")
    xkb.xkb_context_new.restype = ctypes.c_void_p
    xkb.xkb_keymap_new_from_names.restype = ctypes.c_void_p
    xkb.xkb_keymap_new_from_names.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int]
    xkb.xkb_keymap_get_as_string.restype = ctypes.c_void_p
    xkb.xkb_keymap_get_as_string.argtypes = [ctypes.c_void_p, ctypes.c_int]
    names = (ctypes.c_char_p * 5)(b"evdev", b"pc105", b"us", b"", b"")
    keymap = xkb.xkb_keymap_new_from_names(xkb.xkb_context_new(0), names, 0)
    check(keymap, "libxkbcommon has no us keymap")
    return ctypes.string_at(xkb.xkb_keymap_get_as_string(keymap, 1)) + b"\0"


def serve_keyboard(path):
    """--keyboard PATH: presses the keys named on standard input, one a line."""
    keyboard = WaylandKeyboard(path)
    print("ready", flush=True)
    for line in sys.stdin:
        keyboard.press(line.strip())
        print("done", flush=True)
    return 0


class KeyboardProcess:
    """The virtual keyboard in a process of the desktop's own user: KWin
    offers its fake input only to clients whose program it can look at."""

    def __init__(self, desktop, path):
        # Copied where that user can read it, with the helpers it imports and
        # the headers they read, each where the source tree has it.
        tree = os.path.join(desktop.folder, "tree")
        for part in ("tests/qt/DesktopTest.py", "tests/support/xsession.py", *HEADERS):
            os.makedirs(os.path.dirname(os.path.join(tree, part)), exist_ok=True)
            shutil.copy(os.path.join(SOURCE, part), os.path.join(tree, part))
        command = ["/usr/bin/python3", os.path.join(tree, "tests/qt/DesktopTest.py"), "--keyboard", path]
        self.process = desktop.spawn(command, log="keyboard.log", stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
        check(self.process.stdout.readline().strip() == "ready",
              "the virtual keyboard did not start: " + desktop.log("keyboard.log"))

    def press(self, name):
        self.process.stdin.write(name + "\n")
        self.process.stdin.flush()
        check(self.process.stdout.readline().strip() == "done", "the virtual keyboard ended")


class Window(dict):
    """What the compositor says of one window: title, pid, app (the Wayland
    app_id or the X11 class), desktop (the desktop file it was matched to,
    where the compositor says), focused, attention, x11, frame (x, y, w, h),
    titlebar (its height) and attached (a modal box hung from its window)."""
    __getattr__ = dict.get


class Desktop:
    """A compositor of its own: private runtime folder, home and D-Bus
    session, run as an unprivileged user when the test is root. Everything
    it starts is stopped by the test's cleanup."""
    name = ""
    tools = []
    x11 = False  # a desktop on X11, not Wayland
    font = None  # the desktop's title bar font

    def __init__(self, folder, cleanup):
        self.folder, self.cleanup = folder, cleanup
        self.runtime = os.path.join(folder, "runtime")
        self.home = os.path.join(folder, "home")
        self.user = NOBODY if os.geteuid() == 0 else None
        self.applications = os.path.join(self.home, ".local", "share", "applications")
        for path in (self.runtime, self.home):
            os.makedirs(path, mode=0o700)
        os.makedirs(self.applications)
        self.bus = os.path.join(self.runtime, "bus")
        self.env = {"PATH": "/usr/local/bin:/usr/bin:/bin", "HOME": self.home, "LANG": "C.UTF-8",
                    "XDG_RUNTIME_DIR": self.runtime, "XDG_SESSION_TYPE": "wayland",
                    "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
                    "XDG_DATA_DIRS": "/usr/local/share:/usr/share",
                    "DBUS_SESSION_BUS_ADDRESS": "unix:path=" + self.bus}
        self.keyboard = None

    def own(self):
        if self.user is not None:
            for root, folders, files in os.walk(self.folder):
                for name in [root] + [os.path.join(root, f) for f in folders + files]:
                    os.chown(name, self.user, self.user)

    def as_user(self):
        """What subprocess needs to run a command as the desktop's user."""
        return {"user": self.user, "group": self.user, "extra_groups": []} if self.user is not None else {}

    def spawn(self, command, env=None, log=None, stdout=None, **options):
        out = open(os.path.join(self.folder, log), "w") if log else subprocess.DEVNULL
        return spawn(self.cleanup, command, env=env or self.env, stdout=out if stdout is None else stdout,
                     stderr=subprocess.STDOUT if stdout is None else out, cwd=self.home,
                     **self.as_user(), **{"stdin": subprocess.DEVNULL, **options})

    def run(self, command, timeout=20):
        return subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=timeout,
                              cwd=self.home, **self.as_user())

    def start(self):
        # Xwayland makes its socket in /tmp/.X11-unix, which a system makes at
        # boot (and Xvfb, started as root, makes itself). A compositor run as
        # another user cannot make it, and a fresh /tmp (a container's) lacks it.
        if self.user is not None and not os.path.isdir(X11_SOCKETS):
            os.makedirs(X11_SOCKETS, exist_ok=True)
            os.chmod(X11_SOCKETS, 0o1777)
        self.own()
        self.dbus(self.bus, "dbus.log")
        self.start_compositor()

    def dbus(self, path, log):
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                          "--address=unix:path=" + path], log=log)
        self.started("a bus at " + path, bus, log, lambda: os.path.exists(path), 20)

    def started(self, what, process, log, ready, timeout):
        """Waits until ready(), failing with the log if the process ends."""
        def probe():
            check(process.poll() is None, f"{what} ended:\n" + self.log(log)[-2000:])
            return ready()
        wait_for(what, probe, timeout)

    def session_env(self, path, names):
        """Takes these variables from the environment the session wrote out."""
        for line in open(path):
            key, _, value = line.rstrip("\n").partition("=")
            if key in names:
                self.env[key] = value

    def log(self, name):
        try:
            with open(os.path.join(self.folder, name), errors="replace") as log:
                return log.read()
        except OSError:
            return ""

    def key(self, *names):
        for name in names:
            self.keyboard.press(name)

    def focused(self):
        return next((w for w in self.windows() if w.focused), None)


class Sway(Desktop):
    name = "sway"
    tools = ["sway", "swaymsg", "xterm", "Xwayland"]
    font = "monospace 10"  # sway's own default

    def start_compositor(self):
        config = os.path.join(self.folder, "sway.conf")
        session = os.path.join(self.runtime, "session.env")
        with open(config, "w") as out:
            # The stock configuration, on one headless output, and the
            # session's environment (Xwayland's DISPLAY) left for the test.
            out.write("swaynag_command -\n"  # no bar for the stock wallpaper, which is not installed
                      "include /etc/sway/config\n"
                      f"output HEADLESS-1 mode {SCREEN[0]}x{SCREEN[1]} position 0 0\n"
                      f"exec env > {session}\n")
        self.own()
        env = dict(self.env, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                   WLR_RENDERER="pixman", XDG_CURRENT_DESKTOP="sway")
        compositor = self.spawn(["sway", "-c", config], env=env, log="sway.log")
        self.started("sway", compositor, "sway.log",
                     lambda: os.path.exists(session) and os.path.getsize(session) > 0, 60)
        time.sleep(0.2)
        self.session_env(session, ("WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK", "XDG_CURRENT_DESKTOP"))
        self.keyboard = KeyboardProcess(self, os.path.join(self.runtime, self.env["WAYLAND_DISPLAY"]))

    def windows(self):
        result = self.run(["swaymsg", "-r", "-t", "get_tree"])
        found = []

        def walk(node):
            if node.get("pid"):
                x11 = node.get("shell") == "xwayland"
                rect = node["rect"]
                found.append(Window(
                    id=node["id"], pid=node["pid"], title=node.get("name") or "",
                    app=(node.get("window_properties") or {}).get("class") if x11 else node.get("app_id"),
                    desktop=None, focused=node["focused"], attention=node.get("urgent"), x11=x11,
                    frame=(rect["x"], rect["y"], rect["width"], rect["height"]),
                    titlebar=node["deco_rect"]["height"]))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)
        if result.returncode == 0:
            walk(json.loads(result.stdout))
        return found

    def activate(self, window):
        self.run(["swaymsg", f"[con_id={window.id}]", "focus"])


GNOME_WINDOWS = r"""
(function () {
  const tracker = imports.gi.Shell.WindowTracker.get_default();
  return JSON.stringify(global.get_window_actors().map(a => a.meta_window).map(w => {
    const f = w.get_frame_rect(), c = w.frame_rect_to_client_rect(f), app = tracker.get_window_app(w);
    return {id: w.get_id(), pid: w.get_pid(), title: w.get_title() || '',
            app: w.get_client_type() === 1 ? w.get_wm_class() : w.get_gtk_application_id() || w.get_wm_class(),
            desktop: app && !app.is_window_backed() ? app.get_id() : null,
            focused: w.has_focus(), attention: w.demands_attention || w.urgent,
            x11: w.get_client_type() === 1, frame: [f.x, f.y, f.width, f.height],
            titlebar: c.y - f.y, attached: w.is_attached_dialog()};
  }));
})()
"""


def gnome_extension(version):
    """The test-only extension's code for a shell of this major version: up to
    44 a script whose init() returns the extension, from 45 on an ES module
    whose default export is a subclass of the shell's Extension."""
    enable = "enable() { global.context.unsafe_mode = true; }"
    disable = "disable() { global.context.unsafe_mode = false; }"
    if version < 45:
        return f"function init() {{\n  return {{ {enable}, {disable} }};\n}}\n"
    return ("import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';\n"
            f"export default class VantrelTest extends Extension {{\n  {enable}\n  {disable}\n}}\n")


class Gnome(Desktop):
    name = "gnome"
    tools = ["gnome-shell", "gdbus", "xterm", "Xwayland"]

    def start_compositor(self):
        # Eval, which the test reads the shell's windows through, answers
        # only in unsafe mode: a test-only extension turns it on.
        uuid = "vantrel-test@vantrel.io"
        extension = os.path.join(self.home, ".local", "share", "gnome-shell", "extensions", uuid)
        os.makedirs(extension)
        out = self.run(["gnome-shell", "--version"]).stdout  # "GNOME Shell 48.4"
        check(re.fullmatch(r"GNOME Shell \d+\S*\s*", out), f"gnome-shell --version said {out!r}")
        version = int(out.split()[2].split(".")[0])
        with open(os.path.join(extension, "metadata.json"), "w") as metadata:
            json.dump({"uuid": uuid, "name": "Vantrel test", "shell-version": [str(version)],
                       "description": "Test only: lets the desktop test use Eval"}, metadata)
        with open(os.path.join(extension, "extension.js"), "w") as code:
            code.write(gnome_extension(version))
        # The shell's login-manager proxy wants a system bus: an empty one.
        system_bus = os.path.join(self.runtime, "system_bus")
        self.own()
        self.dbus(system_bus, "system-bus.log")
        settings = self.run(["gsettings", "set", "org.gnome.shell", "enabled-extensions", f"['{uuid}']"])
        check(settings.returncode == 0, "gsettings: " + settings.stderr)
        font = self.run(["gsettings", "get", "org.gnome.desktop.wm.preferences", "titlebar-font"])
        self.font = font.stdout.strip().strip("'") or "Cantarell Bold 11"
        self.env.update(WAYLAND_DISPLAY="wayland-vantrel", XDG_CURRENT_DESKTOP="GNOME")
        env = dict(self.env, DBUS_SYSTEM_BUS_ADDRESS="unix:path=" + system_bus, XDG_SESSION_DESKTOP="gnome")
        shell = self.spawn(["gnome-shell", "--headless", "--wayland", "--wayland-display", "wayland-vantrel",
                            "--virtual-monitor", f"{SCREEN[0]}x{SCREEN[1]}"], env=env, log="gnome-shell.log")
        self.started("GNOME Shell", shell, "gnome-shell.log", lambda: self.eval(
            "global.context.unsafe_mode && !Main.layoutManager._startingUp") is True, 120)
        # It starts in the overview, where no window has the keyboard.
        wait_for("the overview to close", lambda: self.eval(
            "Main.overview.hide(), !Main.overview.visible && !Main.overview.animationInProgress") is True, 30)
        self.env["DISPLAY"] = wait_for("Xwayland's display",
                                       lambda: self.eval("imports.gi.GLib.getenv('DISPLAY')"), 20)
        self.env["XAUTHORITY"] = self.eval("imports.gi.GLib.getenv('XAUTHORITY')") or ""
        self.eval("global._vantrelKeyboard = imports.gi.Clutter.get_default_backend()"
                  ".get_default_seat().create_virtual_device("
                  "imports.gi.Clutter.InputDeviceType.KEYBOARD_DEVICE)")

    def eval(self, code):
        result = self.run(["gdbus", "call", "--session", "--dest", "org.gnome.Shell",
                           "--object-path", "/org/gnome/Shell", "--method", "org.gnome.Shell.Eval", code])
        out = result.stdout.strip()
        if not out.startswith("(true, "):
            return None
        # A GVariant tuple of a flag and the JSON of the value.
        value = ast.literal_eval("(True, " + out[len("(true, "):])[1]
        return json.loads(value) if value else None

    def windows(self):
        return [Window(w, frame=tuple(w["frame"])) for w in json.loads(self.eval(GNOME_WINDOWS) or "[]")]

    def activate(self, window):
        self.eval(f"global.get_window_actors().map(a => a.meta_window).filter(w => w.get_id() == "
                  f"{window.id}).forEach(w => w.activate(global.get_current_time()))")


    def key(self, *names):
        # The shell's own virtual keyboard, made once; the same evdev codes.
        for name in names:
            for state in ("PRESSED", "RELEASED"):
                self.eval("global._vantrelKeyboard.notify_key(imports.gi.GLib.get_monotonic_time(), "
                          f"{KEYS[name]}, imports.gi.Clutter.KeyState.{state})")
                time.sleep(0.04)


# KWin 6 calls clientList windowList and activeClient activeWindow, and its
# windows no longer carry an X11 window id (x11 is then null, and the test
# asks the X server).
KWIN_LIST = "(workspace.windowList ? workspace.windowList() : workspace.clientList())"
KWIN_WINDOWS = """
function rect(r) { return [r.x, r.y, r.width, r.height]; }
print("%s " + JSON.stringify(""" + KWIN_LIST + """.map(function (c) {
  return {id: c.internalId.toString(), pid: c.pid, title: c.caption, app: c.resourceClass,
          desktop: c.desktopFileName, focused: c.active, attention: c.demandsAttention,
          x11: c.windowId === undefined ? null : c.windowId > 0, frame: rect(c.frameGeometry),
          titlebar: c.clientGeometry ? c.clientGeometry.y - c.frameGeometry.y : 0};
})));
"""


class KWin(Desktop):
    name = "kwin"
    tools = ["kwin_wayland", "gdbus", "xterm", "Xwayland", "xdotool"]
    font = "Noto Sans 10"  # Plasma's own default, in Breeze's title bar

    def start_compositor(self):
        # Debian's kwin_wayland carries a file capability that a container
        # cannot grant, which makes it fail to start: a plain copy runs. (Its
        # own plugins insist on that program name.)
        binary = os.path.join(self.folder, "bin", "kwin_wayland")
        os.makedirs(os.path.dirname(binary))
        shutil.copy(shutil.which("kwin_wayland"), binary)
        self.own()
        self.scripts, self.x11_pids = 0, {}
        self.env.update(WAYLAND_DISPLAY="wayland-vantrel", XDG_CURRENT_DESKTOP="KDE")
        env = dict(self.env, KDE_FULL_SESSION="true", KWIN_WAYLAND_NO_PERMISSION_CHECKS="1")
        session = os.path.join(self.runtime, "session.env")
        kwin = self.spawn([binary, "--virtual", "--width", str(SCREEN[0]), "--height", str(SCREEN[1]),
                           "--socket", "wayland-vantrel", "--xwayland", "--no-lockscreen",
                           "--no-global-shortcuts", "--no-kactivities",
                           f"sh -c 'env > {session}.part && mv {session}.part {session}'"],
                          env=env, log="kwin.log")
        self.started("KWin and its Xwayland", kwin, "kwin.log", lambda: os.path.exists(session), 120)
        wait_for("KWin's scripting", lambda: self.script(KWIN_WINDOWS) is not None, 120)
        self.session_env(session, ("DISPLAY", "XAUTHORITY"))
        self.keyboard = KeyboardProcess(self, os.path.join(self.runtime, "wayland-vantrel"))

    def script(self, code):
        """Runs a KWin script; what it prints comes back through KWin's log."""
        self.scripts += 1
        marker = f"vantrel-test-{self.scripts}"
        path = os.path.join(self.folder, marker + ".js")
        with open(path, "w") as out:
            out.write(code.replace("%s", marker))
        os.chmod(path, 0o644)
        call = ["gdbus", "call", "--session", "--dest", "org.kde.KWin", "--object-path", "/Scripting",
                "--method"]
        self.run(call + ["org.kde.kwin.Scripting.loadScript", path, marker])
        self.run(call + ["org.kde.kwin.Scripting.start"])
        found = None
        for _ in range(100):
            # KWin's output reaches the file in blocks, so the last line may
            # still be half written: only whole lines count.
            for line in self.log("kwin.log").split("\n")[:-1]:
                if marker + " " in line:
                    found = line.split(marker + " ", 1)[1]
            if found is not None or "%s" not in code:
                break
            time.sleep(0.05)
        self.run(call + ["org.kde.kwin.Scripting.unloadScript", marker])
        return found

    def windows(self):
        # Another line of KWin's (a warning from one of its threads) can land
        # inside the printed list; asking again gets a clean one.
        for attempt in range(5):
            text = self.script(KWIN_WINDOWS)
            if not text:
                return []
            try:
                windows = [Window(w, frame=tuple(w["frame"])) for w in json.loads(text)]
                for w in windows:
                    if w.x11 is None:
                        w["x11"] = self.x11_client(w.pid)
                return windows
            except ValueError:
                if attempt == 4:
                    raise
                time.sleep(0.1)

    def x11_client(self, pid):
        """Whether a process's windows are X11 ones: whether the X server has
        a window of that process. (A process is on one platform or the other,
        and sets its pid on its windows before they are mapped.)"""
        if pid not in self.x11_pids:
            found = self.run(["xdotool", "search", "--pid", str(pid)])
            self.x11_pids[pid] = bool(found.stdout.split())
        return self.x11_pids[pid]

    def activate(self, window):
        self.script(KWIN_LIST + ".forEach(function (c) { if (c.internalId.toString() == '%s') {"
                    " if ('activeWindow' in workspace) workspace.activeWindow = c;"
                    " else workspace.activeClient = c; } });".replace("%s", window.id))


class KWinX11(KWin):
    """KWin as the window manager of a virtual X server of its own, with
    physical keys through XTEST."""
    name = "kwin-x11"
    tools = ["kwin_x11", "Xvfb", "xdotool", "gdbus", "xterm"]
    x11 = True

    def start_compositor(self):
        server, display = start_xvfb()
        self.cleanup.callback(stop_xvfb, server)
        self.screen = Screen(display)
        self.scripts = 0
        self.env.update(DISPLAY=display, XDG_SESSION_TYPE="x11", XDG_CURRENT_DESKTOP="KDE")
        kwin = self.spawn(["kwin_x11", "--no-kactivities"], env=dict(self.env, KDE_FULL_SESSION="true"),
                          log="kwin.log")
        self.started("KWin", kwin, "kwin.log", lambda: self.script(KWIN_WINDOWS) is not None, 120)

    def x11_client(self, pid):
        return True  # on X11, every window is

    def key(self, *names):
        self.screen.key(*names, delay=50)


DESKTOPS = {kind.name: kind for kind in (Sway, Gnome, KWin, KWinX11)}


def centre(frame):
    x, y, w, h = frame
    return (2 * x + w) / 2, (2 * y + h) / 2


def text_width(font, text):
    """The width in pixels of `text` in a Pango font ("Cantarell Bold 11"), at
    96 dots per inch, as the compositors that use Pango draw it."""
    import gi
    gi.require_version("Pango", "1.0")
    gi.require_version("PangoCairo", "1.0")
    from gi.repository import Pango, PangoCairo
    layout = Pango.Layout.new(PangoCairo.FontMap.get_default().create_context())
    layout.set_font_description(Pango.FontDescription.from_string(font))
    layout.set_text(text, -1)
    return layout.get_pixel_size()[0]


class Run:
    """One game on one desktop, its checks recorded by name: a failed check
    is reported and the next one goes on where it can."""

    def __init__(self, desktop, program, platform):
        self.desktop, self.program, self.platform = desktop, program, platform
        self.qt = qt_version(program)
        self.results = {}
        self.game = self.main = None
        # Each box as it showed, for the checks that look at every box.
        self.boxes = []

    def check(self, name, action):
        try:
            detail = action()
            self.results[name] = "pass"
            print(f"  ok    {name}: {detail}")
        except Failure as failure:
            self.results[name] = "FAIL"
            print(f"  FAIL  {name}: {failure}")
            for window in self.desktop.windows():
                print(f"        {dict(window)}")

    def start_game(self):
        env = dict(self.desktop.env)
        if self.platform != "default":
            env["QT_QPA_PLATFORM"] = self.platform
        if self.takes_launch_token():
            # Started as a Wayland launcher starts it, with the requests the
            # program sends traced, so that the token can be followed.
            env.update(XDG_ACTIVATION_TOKEN=LAUNCH_TOKEN, WAYLAND_DEBUG="client")
        # What the program printed, without libwayland's trace, once it has been stopped.
        self.desktop.cleanup.callback(lambda: print("  the program said: " + ("".join(
            line for line in self.desktop.log("game.log").splitlines(keepends=True)
            if not TRACED.match(line)).strip() or "nothing")))
        self.game = self.desktop.spawn([self.program], env=env, log="game.log")

    def takes_launch_token(self):
        """Whether the program runs natively on Wayland, where Qt hands the
        launcher's activation token to the first window: Qt 6.8 as it shows
        it, Qt 6.4 when the splash asks for the keyboard once it is mapped.
        (On X11 the token serves as a startup id.)"""
        native = self.platform == "wayland" or self.platform == "default" and self.qt >= (6, 8)
        return native and not self.desktop.x11

    def windows(self):
        check(self.game.poll() is None, f"the program ended with {self.game.returncode}:\n"
              + self.desktop.log("game.log"))
        return [w for w in self.desktop.windows() if w.pid == self.game.pid]

    def main_window(self):
        return next((w for w in self.windows() if w.title.startswith("Vantrel")
                     and w.frame[2] < SPLASH_SIZE[0] - 100 and w.frame[3] > 100), None)

    def box(self, title=None):
        main = self.main_window()
        return next((w for w in self.windows() if (main is None or w.id != main.id)
                     and (title is None or w.title == title)), None)

    def focused(self, window):
        return wait_for(f"{window.title!r} to take the keyboard", lambda: next(
            (w for w in self.windows() if w.id == window.id and w.focused), None), 20)

    def answer(self, what, title=None):
        """Waits for a box to take the keyboard, notes its title and place,
        and answers it with Return."""
        box = self.focused(wait_for(what, lambda: self.box(title), 20))
        self.main = next(w for w in self.windows() if w.id == self.main.id)
        # The program centres the box once the window manager has framed it.
        try:
            box = wait_for(f"the {what} to settle", lambda: next(
                (w for w in self.windows() if w.id == box.id and self.over_game(w)), None), 5)
        except Failure:
            box = next((w for w in self.windows() if w.id == box.id), box)
        self.boxes.append(box)
        self.desktop.key("Return")
        wait_for(f"the {what} to close", lambda: self.game.poll() is not None or not self.box(), 20)
        return box

    # The checks.

    def splash_skipped_by_a_key(self):
        splash = wait_for("the splash", lambda: next(
            (w for w in self.windows() if w.frame[2] >= SPLASH_SIZE[0]), None), 60)
        splash = self.focused(splash)
        seen = time.monotonic()
        self.desktop.key("space")
        main = wait_for("the main window", self.main_window, 30)
        skipped = time.monotonic() - seen
        check(skipped < (SPLASH_MS - 300) / 1000,
              f"the main window came {skipped * 1000:.0f} ms after the splash had the keyboard")
        self.main = self.focused(main)
        return f"{skipped * 1000:.0f} ms after the splash at {splash.frame} took the keyboard"

    def names(self):
        main = self.main
        check(main.title == "Vantrel", f"the main window is titled {main.title!r}")
        others = [w.title for w in self.windows() if w.id != main.id]
        check(not others, f"other windows are open beside the main window: {others}")
        if self.platform == "default":
            # Left to itself, the program runs on X11 wherever Xwayland is when
            # its Qt is older than 6.8 (ui/qt/DisplayCheck.h says why), and
            # natively on Wayland from Qt 6.8.
            x11 = self.desktop.x11 or self.qt < (6, 8)
            check(main.x11 == x11, "on its own the program chose "
                  + ("X11" if main.x11 else "Wayland") + " with Qt %d.%d" % self.qt[:2])
        if main.x11:
            check(main.app.lower() == "vantrel", f"the X11 class is {main.app!r}")
        else:
            check(main.app == APP_ID, f"the app_id is {main.app!r}")
        # sway matches no desktop file to a window; the others say which they found.
        if self.desktop.name != "sway":
            check((main.desktop or "").removesuffix(".desktop") == APP_ID,
                  f"matched to the desktop file {main.desktop!r}")
        return f"{main.title!r}, {'X11 class' if main.x11 else 'app_id'} {main.app!r}, {main.desktop!r}"

    def launch_token(self):
        """The launcher's token goes with the first window the program shows,
        the splash (the first xdg surface), and with nothing else."""
        traced = [line for line in self.desktop.log("game.log").splitlines() if TRACED.match(line)]
        # An object is interface@id, or interface#id from libwayland 1.23.
        first = next(filter(None, (re.search(r"-> xdg_wm_base[@#]\d+\.get_xdg_surface\(new id "
                                             r"xdg_surface[@#]\d+, (wl_surface[@#]\d+)\)", line)
                                   for line in traced)), None)
        check(first is not None, "no xdg surface in the program's Wayland trace")
        used = [line for line in traced if re.search(r"-> xdg_activation_v1[@#]\d+\.activate\(", line)
                and f'"{LAUNCH_TOKEN}"' in line]
        check(len(used) == 1, f"the launcher's token went with {len(used)} requests: {used}")
        check(used[0].rstrip().endswith(first.group(1) + ")"),
              f"the token went with another surface than the splash's {first.group(1)}: {used[0]}")
        return f"the splash ({first.group(1)}) was activated with it, once"

    def help_box(self):
        self.desktop.key("F1")
        box = self.answer("help box", TEXTS["kHelpTitle"])
        self.focused(self.main)
        return f"{box.frame} over the game at {self.main.frame}; Return closed it"

    def box_while_away(self):
        typed = os.path.join(self.desktop.home, "typed.txt")
        other = self.desktop.spawn(["xterm", "-T", "other", "-e", "sh", "-c", f"cat > {typed}"],
                                   log="other.log")

        def other_window(focused=False):
            check(other.poll() is None, f"the other program ended with {other.returncode}")
            return next((w for w in self.desktop.windows() if w.title == "other"
                         and (w.focused or not focused)), None)
        try:
            window = wait_for("the other program's window", other_window, 30)
            if not window.focused:
                self.desktop.activate(window)
            wait_for("the other program to take the keyboard", lambda: other_window(focused=True), 20)
            left = time.monotonic()
            # Nobody steers: the wave reaches the bottom row about 16 s after
            # the start. On X11 the game then asks for attention, and natively
            # on Wayland from Qt 6.5 (QWindow::alert through xdg-activation);
            # Qt 6.4 there has no way to, and the loss shows only when the
            # player comes back. Meanwhile no box may take the keyboard.
            asks = self.main.x11 or self.qt >= (6, 5)

            def waiting():
                focus = self.desktop.focused()
                check(focus is not None and focus.title == "other",
                      f"the loss box took the keyboard from the other program: {focus}")
                return self.main_window().attention or (not asks and time.monotonic() - left > 25)
            wait_for("the game to ask for attention", waiting, 60)
            asked = time.monotonic() - left
            self.desktop.key("e", "c", "h", "o", "Return")
            wait_for("the other program to get the keys", lambda: os.path.exists(typed)
                     and open(typed).read() == "echo\n", 20)
            check(not asks or self.main_window().attention, "the game does not ask for attention")
            self.desktop.activate(self.main_window())
            self.answer("loss box", TEXTS["kLossTitle"])
            self.focused(self.main)
        finally:
            stop_group(other)
        return (f"attention asked {asked:.0f} s after the player left" if asks else "no attention asked"
                ) + "; the other program kept the keys; back at the game the box took them"

    def quit(self):
        # A box left open by a check that failed is answered first, so that
        # the quit is measured on its own.
        if self.box() is not None:
            self.desktop.key("Return")
            wait_for("the box left open to close", lambda: not self.box(), 20)
            self.focused(self.main)
        self.desktop.key("Escape")
        box = self.answer("quit question")
        try:
            code = self.game.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise Failure("Return at the quit question did not end the program")
        check(code == 0, f"the program ended with {code}")
        return f"quit question titled {box.title!r}; Return ended the program with 0"

    def titles_readable(self):
        check(self.boxes, "no box was seen")
        font = self.desktop.font
        for box in self.boxes:
            check(not box.title.startswith("Vantrel <"), f"a box is titled {box.title!r}")
            # Title-bar buttons are about as wide as the bar is high: room
            # for three of them beside the title.
            needed = text_width(font, box.title) + 3 * max(box.titlebar or 0, 20)
            check(not box.title.strip() or box.frame[2] >= needed, f"{box.title!r} needs {needed} px "
                  f"in {font}, the box is {box.frame[2]} px wide")
        return f"in {font}: " + ", ".join(f"{b.title!r} {b.frame[2]} px" for b in self.boxes)

    def over_game(self, box):
        """Whether a box's frame is centred on the game's frame, to the pixel
        or two that odd sizes and rounding leave. GNOME Shell may instead hang
        a modal box from its window's title bar, centred across it."""
        (bx, by), (mx, my) = centre(box.frame), centre(self.main.frame)
        hangs = box.attached and abs(box.frame[1] - self.main.frame[1] - self.main.titlebar) <= 2
        return abs(bx - mx) <= 2 and (abs(by - my) <= 2 or hangs)

    def boxes_centred(self):
        check(self.boxes, "no box was seen")
        for box in self.boxes:
            check(self.over_game(box), f"{box.title!r} at {box.frame} is not centred on the game "
                  f"at {self.main.frame}")
        return ", ".join(f"{b.title!r} {b.frame}" for b in self.boxes) + f" on {self.main.frame}"

    def play(self):
        self.start_game()
        self.check("a key skips the splash", self.splash_skipped_by_a_key)
        if self.results["a key skips the splash"] != "pass":
            return
        self.check("app_id and desktop file", self.names)
        if self.takes_launch_token():
            self.check("the launcher's activation token", self.launch_token)
        self.check("help box", self.help_box)
        self.check("loss box while away", self.box_while_away)
        self.check("Escape then Yes ends with 0", self.quit)
        self.check("box titles readable", self.titles_readable)
        self.check("boxes centred over the game", self.boxes_centred)


def main():
    if sys.argv[1:2] == ["--keyboard"]:
        return serve_keyboard(sys.argv[2])
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--desktop", choices=sorted(DESKTOPS), required=True)
    parser.add_argument("--platform", choices=["wayland", "xcb", "default"], default="default")
    parser.add_argument("--known-gap", action="append", default=[], metavar="CHECK",
                        help="measure CHECK and report it, without failing the run")
    parser.add_argument("--time-limit", type=int, default=300, metavar="SECONDS",
                        help="end, cleanup included, within this time (ctest's limit for the test)")
    args = parser.parse_args()
    kind = DESKTOPS[args.desktop]
    if unavailable(*kind.tools, "dbus-daemon"):
        return SKIP

    def test(cleanup):
        guard(args.time_limit)
        folder = tempfile.mkdtemp(prefix=f"vantrel-{args.desktop}-")
        cleanup.callback(shutil.rmtree, folder, ignore_errors=True)
        os.chmod(folder, 0o755)
        desktop = kind(folder, cleanup)
        # The program is copied into the folder, where the desktop's user can run it.
        program = os.path.join(folder, "vantrel")
        shutil.copy(args.program, program)
        with open(os.path.join(SOURCE, "packaging", "linux", "vantrel.desktop.in")) as entry:
            text = entry.read().replace("@VANTREL_PROGRAM@", program).replace("@VANTREL_APP_ID@", APP_ID)
        with open(os.path.join(desktop.applications, APP_ID + ".desktop"), "w") as out:
            out.write(text)
        desktop.start()
        print(f"{args.desktop}, the program on {args.platform}:")
        run = Run(desktop, program, args.platform)
        run.play()
        failed = [name for name, result in run.results.items()
                  if result != "pass" and name not in args.known_gap]
        if gaps := [name for name in args.known_gap if run.results.get(name) != "pass"]:
            print("known gap, measured above: " + ", ".join(gaps))
        if failed:
            print("failed: " + ", ".join(failed))
            return 1
    return outcome(test)


if __name__ == "__main__":
    sys.exit(main())
