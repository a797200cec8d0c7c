#!/usr/bin/env python3
"""Plays the browser build's single file in a real Chromium window on a real
accessibility bus, in a D-Bus session and a virtual X server of its own, and
listens to it as a screen reader does.

Usage: ScreenReaderTest.py WEB_DIR

It checks what reaches the bus from the page:
  - after the splash the board has the focus, named "Vantrel";
  - the board is a list of eight rows, each described with its number and
    the columns of what stands on it;
  - the game's news arrives as text of a status region: the cannon's column
    after a key, the wave's drops, the new game after the loss;
  - the loss box is an alert with its title and prompt, and its button has
    the focus.
Where Orca is installed it runs beside the page with no speech server, and
its own speech log must hold the board, the news and the loss box. Orca
reads a web page in browse mode, where the arrow keys move its reading
position, so the test first switches it to focus mode (Orca+A), as a player
does to play.

Exit codes: 0 passed, 1 failed, 77 skipped (Chromium, D-Bus, the
accessibility service, Debian's python3 with Atspi, Xvfb or xdotool missing).
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SKIP = 77
SYSTEM_PYTHON = "/usr/bin/python3"
CHROMIUM = os.environ.get("VANTREL_CHROMIUM", "/usr/bin/chromium")
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
QT_TESTS = Path(__file__).resolve().parent.parent / "qt"


def missing_tools():
    missing = [t for t in ("dbus-run-session", "gdbus", "Xvfb", "xdotool") if not shutil.which(t)]
    if not os.access(CHROMIUM, os.X_OK):
        missing.append(CHROMIUM)
    if not os.access(BUS_LAUNCHER, os.X_OK):
        missing.append(BUS_LAUNCHER + " (at-spi2-core)")
    probe = subprocess.run(
        [SYSTEM_PYTHON, "-c", "import gi; gi.require_version('Atspi', '2.0'); "
                              "from gi.repository import Atspi"],
        capture_output=True) if os.access(SYSTEM_PYTHON, os.X_OK) else None
    if probe is None or probe.returncode != 0:
        missing.append(SYSTEM_PYTHON + " with Atspi (python3-pyatspi, gir1.2-atspi-2.0)")
    return missing


def outer(argv):
    """Checks the tools, then runs the test inside a private D-Bus session."""
    missing = missing_tools()
    if missing:
        print("skipped: not installed: " + ", ".join(missing))
        return SKIP
    with tempfile.TemporaryDirectory(prefix="vantrel-web-a11y-") as home:
        runtime = os.path.join(home, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=runtime, GSETTINGS_BACKEND="memory")
        for name in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "DISPLAY",
                     "WAYLAND_DISPLAY"):
            env.pop(name, None)
        inner = subprocess.run(["dbus-run-session", "--", SYSTEM_PYTHON,
                                os.path.abspath(__file__), "--inside", *argv], env=env)
        return inner.returncode


# Everything below runs inside the private session, under Debian's python3.

def inside(argv):
    sys.path.insert(0, str(QT_TESTS))
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib
    from RealWindowTest import Failure, check, start_xvfb, stop_xvfb

    page = (Path(argv[0]) / "vantrel.html").resolve()
    home = Path(os.environ["HOME"])
    context = GLib.MainContext.default()

    def pump_until(what, probe, timeout):
        deadline = time.monotonic() + timeout
        while True:
            while context.iteration(False):
                pass
            result = probe()
            if result:
                return result
            if time.monotonic() > deadline:
                raise Failure(f"timed out after {timeout} s waiting for {what}")
            time.sleep(0.01)

    server, display = start_xvfb()
    os.environ["DISPLAY"] = display
    started = []

    def start(args, **kwargs):
        process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   start_new_session=True, **kwargs)
        started.append(process)
        return process

    start([BUS_LAUNCHER, "--launch-immediately"])
    orca_log = home / "orca.log"
    try:
        def status(prop):
            out = subprocess.run(["gdbus", "call", "--session", "-d", "org.a11y.Bus",
                                  "-o", "/org/a11y/bus", "-m",
                                  "org.freedesktop.DBus.Properties.Get", "org.a11y.Status", prop],
                                 capture_output=True, text=True, timeout=10)
            return out.stdout.strip()

        pump_until("the accessibility service", lambda: "false" in status("IsEnabled"), 20)
        # A screen reader turns accessibility on.
        subprocess.run(["gdbus", "call", "--session", "-d", "org.a11y.Bus", "-o", "/org/a11y/bus",
                        "-m", "org.freedesktop.DBus.Properties.Set", "org.a11y.Status",
                        "IsEnabled", "<true>"], capture_output=True, timeout=10, check=True)
        orca = shutil.which("orca")
        if orca:
            # No speech server (the spawn command fails), so nothing reaches an
            # audio device; Orca still logs every utterance.
            start([orca, "--debug-file", str(orca_log), "-u", str(home / "orca")],
                  env=dict(os.environ, SPEECHD_CMD="/bin/false"))

        events = []

        def on_event(event):
            try:
                source = event.source
                data = event.any_data
                child = data if isinstance(data, Atspi.Accessible) else None
                text = data if isinstance(data, str) else ""
                events.append((time.monotonic(), event.type, source.get_role_name(),
                               source.get_name(), text, event.detail1, child))
            except GLib.Error:
                pass

        listener = Atspi.EventListener.new(on_event)
        for kind in ("object:text-changed:insert", "object:state-changed:focused",
                     "object:children-changed:add"):
            listener.register(kind)

        def application(name):
            desktop = Atspi.get_desktop(0)
            return next((a for a in (desktop.get_child_at_index(i)
                                     for i in range(desktop.get_child_count()))
                         if a is not None and a.get_name() == name), None)

        if orca:
            # Orca's log is written in blocks, so its first line may show up
            # late; Orca on the bus is the sign that it listens.
            pump_until("Orca on the accessibility bus", lambda: application("orca"), 60)
            time.sleep(1)
        start([CHROMIUM, "--no-sandbox", "--force-renderer-accessibility",
               f"--user-data-dir={home / 'chromium'}", "--no-first-run", "--disable-gpu",
               "--disable-background-networking", "--disable-component-update", "--disable-sync",
               "--disable-default-apps", "--disable-extensions", "--no-default-browser-check",
               "--window-size=900,700", page.as_uri()])

        def focused(role, name):
            return next((e for e in events if e[1] == "object:state-changed:focused"
                         and e[5] == 1 and e[2] == role and e[3] == name), None)

        # The splash hands over after two seconds; the board takes the focus.
        pump_until("the board to take the focus", lambda: focused("landmark", "Vantrel"), 30)
        print("the board has the focus")

        def find(node, role, name, depth=0):
            if node is None or depth > 30:
                return None
            if node.get_role_name() == role and node.get_name() == name:
                return node
            for i in range(node.get_child_count()):
                found = find(node.get_child_at_index(i), role, name, depth + 1)
                if found is not None:
                    return found
            return None

        chromium = pump_until("Chromium on the accessibility bus",
                              lambda: application("Chromium"), 10)
        board = pump_until("the board's list", lambda: find(chromium, "list", "Board"), 10)
        rows = [board.get_child_at_index(i) for i in range(board.get_child_count())]
        check(len(rows) == 8 and all(r.get_role_name() == "list item" for r in rows),
              f"the board lists {[r.get_role_name() for r in rows]}")
        for number, row in enumerate(rows, start=1):
            row.clear_cache()
            check(row.get_description().startswith(f"Board row {number} of 8"),
                  f"row {number} is described {row.get_description()!r}")
        check(any("aliens in columns" in r.get_description() for r in rows),
              "no row gives the aliens' columns")
        check(rows[7].get_description() == "Board row 8 of 8: cannon in column 8",
              f"the bottom row is described {rows[7].get_description()!r}")

        def key(name):
            subprocess.run(["xdotool", "key", name], check=True, timeout=10)

        # With no window manager, the keyboard goes where X is told.
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--class", "chromium",
                        "windowfocus", "--sync"], check=True, timeout=20, capture_output=True)

        def news():
            return [e for e in events if e[1] == "object:text-changed:insert"
                    and e[2] == "status bar"]

        def heard(text):
            return any(text in e[4] for e in news())

        if orca:
            # Orca's focus mode, made sticky by pressing Orca+A twice, so that
            # it lasts through the boxes: the game's keys reach the page.
            subprocess.run(["xdotool", "key", "--delay", "150", "Insert+a", "Insert+a"],
                           check=True, timeout=10)
            time.sleep(0.5)
        key("Right")
        pump_until("the cannon's column", lambda: heard("cannon column 9"), 5)
        pump_until("the first drop", lambda: heard("wave on row 2"), 5)

        def box():
            return next((e[6] for e in events if e[1] == "object:children-changed:add"
                         and e[6] is not None and e[6].get_role_name() == "alert"
                         and e[6].get_name() == "Sorry!"), None)

        alert = pump_until("the loss box", box, 25)
        alert.clear_cache()
        check(alert.get_description() == "You lose!",
              f"the loss box is described {alert.get_description()!r}")
        pump_until("the focus on its OK button", lambda: focused("push button", "OK"), 5)
        key("Return")
        pump_until("the new game", lambda: heard("new game"), 5)
        spoken = [e[4] for e in news()]
        print("the news region said: " + " | ".join(spoken))
        check(any(t.startswith("wave on row 7") or ", wave on row 7" in t for t in spoken),
              "the drop to row 7 was not announced")

        if orca:
            def said():
                with open(orca_log, errors="replace") as out:
                    lines = [line.split("SPEECH OUTPUT: ", 1)[1] for line in out
                             if "SPEECH OUTPUT: '" in line]
                return [line[1:line.rfind("'", 0, line.rfind("{"))] for line in lines]

            # Orca speaks after the page, and its log follows in blocks.
            try:
                pump_until("Orca to say the new game", lambda: "new game" in said(), 10)
            finally:
                print("Orca said:\n  " + "\n  ".join(said()))
            spoken = said()
            for text in ("main content Vantrel", "Focus mode is sticky", "cannon column 9",
                         "wave on row 2", "You lose!", "OK push button"):
                check(any(text in line for line in spoken), f"Orca did not say {text!r}")
            check("Browse mode" not in spoken, "Orca left focus mode")
        else:
            print("Orca is not installed: its speech was not checked")
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        for process in reversed(started):
            try:
                os.killpg(process.pid, 15)
            except ProcessLookupError:
                pass
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, 9)
                process.wait()
        stop_xvfb(server)
    print("passed")
    return 0


def main():
    if len(sys.argv) >= 2 and sys.argv[1] == "--inside":
        return inside(sys.argv[2:])
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    return outer(sys.argv[1:])


if __name__ == "__main__":
    sys.exit(main())
