#!/usr/bin/env python3
"""Runs the real game program on a real accessibility bus, in a D-Bus session
and a virtual X server of its own, and listens to it as a screen reader does.

Usage: ScreenReaderTest.py PATH/TO/vantrel [--log FILE]
       ScreenReaderTest.py --web WEB_DIR

The accessibility service starts first with no screen reader on; the game
starts; only then is the reader "started" (the service's IsEnabled turned on,
as a screen reader does, and a listener connected), so the test also checks
that a reader started after the game finds it. It then checks:
  - the splash and the main window are frames, and the splash picture has an
    image description;
  - each board row is named by its text and described with its columns;
  - the news of the game arrives as the main window's announcements (Qt 6.8
    and later) or as changes of its description that carry the text (before
    6.8): a cannon move, the wave dropping a row, a hit, a shot leaving the
    board; no two closer than the game's pace, and on Qt 6.8 the windows'
    own descriptions, which are no news, never reported as changed;
  - a message box says its prompt once, not twice;
  - where Orca is installed, Orca itself, started after the game with no
    speech server, says the drop, the cannon's column, the loss (once) and
    the new game.
It plays one game from the start to its loss and prints every announcement
heard, in order (also to FILE with --log).

With --web WEB_DIR it plays the browser build's single file in a real
Chromium window instead, and checks what reaches the bus from the page:
after the splash the board has the focus; the board is a list of eight rows,
each described with its number and columns; the news arrives as text of a
status region (the cannon's column, the drops, the new game); the loss box
is an alert described by its prompt, with the focus on its button. Where
Orca is installed it runs beside the page and its speech log must hold the
board, the news and the box. Orca reads a web page in browse mode, where the
arrow keys move its reading position, so the test first switches it to
sticky focus mode (Orca+A twice), as a player does to play.

Exit codes: 0 passed, 1 failed, 77 skipped (D-Bus, the accessibility
service, Debian's python3 with Atspi, Xvfb, xdotool or, with --web,
Chromium missing).
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from xsession import (SKIP, Failure, check, missing, qt_version, start_xvfb,  # noqa: E402
                      stop_group, stop_xvfb, wait_for)

SYSTEM_PYTHON = "/usr/bin/python3"
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
CHROMIUM = os.environ.get("VANTREL_CHROMIUM", "/usr/bin/chromium")
HELP_PROMPT = ("Use the left and right arrow keys to steer, and the space bar to shoot. "
               "Press Escape to quit and X to restart.")


def missing_tools(web):
    absent = missing("dbus-run-session", "gdbus", "Xvfb", "xdotool")
    if web and not os.access(CHROMIUM, os.X_OK):
        absent.append(CHROMIUM)
    if not os.access(BUS_LAUNCHER, os.X_OK):
        absent.append(BUS_LAUNCHER + " (at-spi2-core)")
    probe = subprocess.run(
        [SYSTEM_PYTHON, "-c", "import gi; gi.require_version('Atspi', '2.0'); "
                              "from gi.repository import Atspi"],
        capture_output=True) if os.access(SYSTEM_PYTHON, os.X_OK) else None
    if probe is None or probe.returncode != 0:
        absent.append(SYSTEM_PYTHON + " with Atspi (python3-pyatspi, gir1.2-atspi-2.0)")
    return absent


def outer(argv):
    """Checks the tools, then runs the test inside a private D-Bus session."""
    if absent := missing_tools(argv[0] == "--web"):
        print("skipped: not installed: " + ", ".join(absent))
        return SKIP
    with tempfile.TemporaryDirectory(prefix="vantrel-a11y-") as home:
        runtime = os.path.join(home, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=runtime,
                   # The accessibility service keeps its settings in memory,
                   # so that the test writes nothing outside its folder.
                   GSETTINGS_BACKEND="memory", NO_AT_BRIDGE="1")
        for name in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "DISPLAY",
                     "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON"):
            env.pop(name, None)
        inner = subprocess.run(["dbus-run-session", "--", SYSTEM_PYTHON,
                                os.path.abspath(__file__), "--inside", *argv], env=env)
        return inner.returncode


# Everything below runs inside the private session, under Debian's python3.

# When the event loop last ran dry. An event handled later reached the test
# after that: its time is known only that far, as the loop does not run while
# the test presses keys.
DRAINED = [0.0]


def drain(context):
    while context.iteration(False):
        pass
    DRAINED[0] = time.monotonic()


def pump_until(what, probe, timeout):
    """Runs the event loop (the listener's events come through it) until
    probe() returns something truthy."""
    from gi.repository import GLib

    context = GLib.MainContext.default()

    def pumped():
        drain(context)
        return probe()
    return wait_for(what, pumped, timeout)


def accessibility_enabled():
    out = subprocess.run(["gdbus", "call", "--session", "-d", "org.a11y.Bus", "-o", "/org/a11y/bus",
                          "-m", "org.freedesktop.DBus.Properties.Get", "org.a11y.Status",
                          "IsEnabled"], capture_output=True, text=True, timeout=10)
    return out.stdout.strip()


def turn_accessibility_on():
    """What a screen reader does as it starts."""
    subprocess.run(["gdbus", "call", "--session", "-d", "org.a11y.Bus", "-o", "/org/a11y/bus",
                    "-m", "org.freedesktop.DBus.Properties.Set", "org.a11y.Status",
                    "IsEnabled", "<true>"], capture_output=True, timeout=10, check=True)


def orca_missing():
    """Everything else passed, but what Orca says went unchecked."""
    print("skipped: Orca (Debian package orca) is not installed, so what it says was not "
          "checked; everything else passed")
    return SKIP


def orca_said(log):
    """Every utterance in Orca's debug log, in order."""
    if not os.path.exists(log):
        return []
    with open(log, errors="replace") as out:
        # Each line reads SPEECH OUTPUT: 'text' followed by the voice.
        lines = [line.split("SPEECH OUTPUT: ", 1)[1] for line in out
                 if "SPEECH OUTPUT: '" in line]
    return [line[1:line.rfind("'", 0, line.rfind("{"))] for line in lines]


def news_as_announcements(program):
    """How the game says its news on the Qt it runs on: from Qt 6.8 as
    announcements (object:announcement), which leave the windows'
    descriptions alone; before 6.8 as changes of the board window's
    description that carry the text."""
    return qt_version(program) >= (6, 8)


def inside(argv):
    if argv[0] == "--web":
        return page_inside(argv[1])
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib

    program = os.path.abspath(argv[0])
    log_path = argv[2] if len(argv) > 2 and argv[1] == "--log" else None
    context = GLib.MainContext.default()
    announcing = news_as_announcements(program)

    def children(node):
        return [node.get_child_at_index(i) for i in range(node.get_child_count())]

    # Roles by their enum: the names change between at-spi2-core releases.
    def role(node):
        return node.get_role()

    def descendants(node, depth=0):
        yield node
        if depth < 8:
            for child in children(node):
                if child is not None:
                    yield from descendants(child, depth + 1)

    def fresh(node):
        node.clear_cache()
        return node

    server, display = start_xvfb()
    os.environ["DISPLAY"] = display
    launcher = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
    game = None
    heard = []
    try:
        pump_until("the accessibility service", lambda: "false" in accessibility_enabled(), 20)

        # The game starts while no screen reader runs.
        game = subprocess.Popen([program], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

        # Now a screen reader starts: it turns accessibility on and listens.
        turn_accessibility_on()
        events = []

        def on_event(event):
            # A reader speaks the text the event carries (Orca does); the
            # description read back afterwards must be the same.
            source = event.source
            try:
                sent = event.any_data if isinstance(event.any_data, str) else None
                text = fresh(source).get_description() if "description" in event.type else ""
                events.append((time.monotonic(), event.type, role(source), source.get_name(),
                               text, sent, DRAINED[0]))
            except GLib.Error:
                pass

        listener = Atspi.EventListener.new(on_event)
        for kind in ("object:property-change:accessible-description", "object:announcement",
                     "window:activate"):
            listener.register(kind)

        def game_app():
            if game.poll() is not None:
                raise Failure(f"the program ended with {game.returncode}:\n"
                              + game.stdout.read().decode(errors="replace"))
            desktop = Atspi.get_desktop(0)
            for app in children(desktop):
                if app is not None and app.get_process_id() == game.pid:
                    return app
            return None

        app = pump_until("the game on the accessibility bus (a reader started after it)",
                         game_app, 20)
        print(f"the game is on the accessibility bus as {app.get_name()!r}")

        def frames():
            return [f for f in children(fresh(app)) if f is not None]

        # The splash lasts two seconds; look at it while it is there.
        splash = pump_until("the splash", lambda: next((f for f in frames() if any(
            role(c) == Atspi.Role.IMAGE for c in children(f))), None), 5)
        check(role(splash) == Atspi.Role.FRAME, f"the splash is a {role(splash)!r}, not a frame")
        picture = next(c for c in children(splash) if role(c) == Atspi.Role.IMAGE)
        # Qt 6.4's bridge offers no Image interface; the picture's text comes
        # as its description, where newer bridges also give the image's own.
        described = picture.get_image_description() or fresh(picture).get_description()
        check(described.startswith("The game's title picture"),
              f"the splash picture is described {described!r}")
        check(fresh(splash).get_description() == described,
              f"the splash, which holds the keyboard, is described {splash.get_description()!r}")
        print(f"splash: frame {splash.get_name()!r}, picture {picture.get_name()!r} described "
              f"{described!r}")

        main = pump_until("the main window", lambda: next(
            (f for f in frames() if f.get_child_count() == 8), None), 10)
        check(role(main) == Atspi.Role.FRAME, f"the main window is a {role(main)!r}, not a frame")
        check(main.get_name() == "Vantrel", f"the main window is named {main.get_name()!r}")
        rows = children(main)
        for number, row in enumerate(rows, start=1):
            check(fresh(row).get_description().startswith(f"Board row {number} of 8"),
                  f"row {number} is described {row.get_description()!r}")
        top = fresh(rows[0])
        check(top.get_name().strip().startswith("V") and "aliens in columns" in
              top.get_description(), f"top row {top.get_name()!r}: {top.get_description()!r}")
        print(f"main: frame with 8 rows; top row {top.get_name()!r} described "
              f"{top.get_description()!r}")

        def key(*keys):
            subprocess.run(["xdotool", "key", "--delay", "40", *keys], timeout=10)

        def focused_is(node):
            return fresh(node).get_state_set().contains(Atspi.StateType.ACTIVE)

        pump_until("the main window to be active", lambda: focused_is(main), 10)

        def said_by_game_window(kind):
            # Events of that kind from the game's windows that carry a text.
            return [e for e in events if e[1].endswith(kind) and e[2] == Atspi.Role.FRAME
                    and e[3] == "Vantrel" and e[5] is not None]

        def described():
            # Description changes: what a reader speaks when the window holds
            # the keyboard.
            return said_by_game_window("accessible-description")

        def announcements():
            return said_by_game_window("object:announcement" if announcing
                                       else "accessible-description")

        def heard_text(part):
            return next((e[5] for e in announcements() if part in e[5]), None)

        def box_frames():
            return [f for f in frames() if role(f) in (Atspi.Role.ALERT, Atspi.Role.DIALOG)
                    and f.get_state_set().contains(Atspi.StateType.SHOWING)]

        def prompt_count(box, prompt):
            count = 0
            for node in descendants(fresh(box)):
                fresh(node)
                count += (node.get_name() or "").count(prompt)
                count += (node.get_description() or "").count(prompt)
            return count

        # A box's prompt is there once, while the game waits behind it.
        key("F1")
        box = pump_until("the help box", lambda: next(iter(box_frames()), None), 10)
        count = prompt_count(box, HELP_PROMPT)
        check(count == 1, f"the help box holds its prompt {count} times")
        print(f"help box: {box.get_role_name()} {box.get_name()!r}, prompt present once")
        key("Return")
        pump_until("the help box to close", lambda: not box_frames(), 10)

        # Play one game to its loss: move the cannon, then keep firing from
        # the column the wave sweeps over, and answer the loss box.
        started = time.monotonic()
        key("Right")
        pump_until("the cannon move to be announced", lambda: heard_text("cannon column"), 10)
        # Firing stops once the wave is one row above the cannon, so that no
        # space lands on the loss box's button, and once a shot has hit and
        # one has missed (or three have hit), so that the wave is never shot
        # down whatever the timing.
        def enough_shots():
            said = [e[5] for e in announcements()]
            hits = sum(t.startswith("hit") or ", hit" in t for t in said)
            return hits >= 3 or hits and any("shot missed" in t for t in said)

        loss = None
        last_fire = 0.0
        while loss is None:
            if time.monotonic() - started > 90:
                raise Failure("no loss box within 90 s")
            if time.monotonic() - last_fire > 0.5 and not heard_text("wave on row 7") \
                    and not enough_shots():
                key("space")
                last_fire = time.monotonic()
            drain(context)
            boxes = box_frames()
            if boxes:
                loss = boxes[0]
            time.sleep(0.02)
        check(loss.get_name() == "Sorry!", f"the box at the end is {loss.get_name()!r}")
        count = prompt_count(loss, "You lose!")
        check(count == 1, f"the loss box holds its prompt {count} times")
        heard = [(e[0] - started, e[5]) for e in announcements() if e[0] >= started]
        if announcing:
            # The windows' descriptions are theirs alone: a change reported
            # would be spoken as news.
            check(not described(), "a window's description was reported as changed: "
                  f"{[e[5] for e in described()][:3]}")
        else:
            mismatched = [(e[5], e[4]) for e in announcements() if e[5] != e[4]]
            check(not mismatched, f"news sent and description read back differ: {mismatched[:3]}")
        heard.append((time.monotonic() - started, "[box] Sorry! You lose!"))
        key("Return")
        pump_until("the new game to be announced", lambda: any(
            e[5] == "new game" for e in announcements() if e[0] > started), 10)
        heard.append((time.monotonic() - started, "new game"))

        print(f"announcements heard ({'announcements' if announcing else 'description changes'}),"
              " one game from the start to its loss:")
        for when, text in heard:
            print(f"  {when:6.2f} s  {text}")
        if log_path:
            with open(log_path, "w") as log:
                for when, text in heard:
                    log.write(f"{when:.2f}\t{text}\n")
        spoken = [text for _, text in heard]
        check(any(t.startswith("cannon column") for t in spoken), "no cannon move was announced")
        check(any("wave on row 2" in t for t in spoken), "the first drop was not announced")
        check(any("wave on row 7" in t for t in spoken), "the drop to row 7 was not announced")
        check(any(t.startswith("hit") or ", hit" in t for t in spoken), "no hit was announced")
        check(any("shot missed" in t for t in spoken), "no shot leaving the board was announced")
        said = announcements()
        # Too close even if the first reached the test as early as it can have.
        close = [(round(b[0] - a[0], 3), a[5], b[5]) for a, b in zip(said, said[1:])
                 if b[0] - a[6] < 0.6]
        check(not close, f"announcements came closer than the rate limit: {close}")

        key("Escape")
        pump_until("the quit question", lambda: next(iter(box_frames()), None), 10)
        key("Return")
        code = game.wait(timeout=10)
        check(code == 0, f"quitting with Yes ended with exit code {code}")

        if shutil.which("orca"):
            def board_holds_keyboard(pid):
                # The game's board window (the splash has gone) is active.
                apps = [a for a in children(Atspi.get_desktop(0))
                        if a is not None and a.get_process_id() == pid]
                return any(f is not None and f.get_child_count() == 8 and focused_is(f)
                           for a in apps for f in children(fresh(a)))

            orca_hears_a_game(program, key, log_path, board_holds_keyboard)
        else:
            return orca_missing()
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        if game is not None and game.poll() is None:
            game.kill()
            game.wait()
        # The launcher's own bus runs in its process group.
        try:
            os.killpg(launcher.pid, 15)
        except ProcessLookupError:
            pass
        launcher.wait()
        stop_xvfb(server)
    print("passed")
    return 0


def orca_hears_a_game(program, key, log_path, board_holds_keyboard):
    """Plays a game to its loss with Orca started after the game, and reads
    what Orca said from its debug log. Orca gets no speech server (its
    spawn command is /bin/false), so nothing reaches an audio device; it
    still logs every utterance."""
    home = os.environ["HOME"]
    log = os.path.join(home, "orca.log")
    game = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
    orca = None
    try:
        time.sleep(0.5)
        orca_out = open(os.path.join(home, "orca.out"), "w")
        orca = subprocess.Popen(["orca", "--debug-file", log, "-u", os.path.join(home, "orca")],
                                env=dict(os.environ, SPEECHD_CMD="/bin/false"), stdout=orca_out,
                                stderr=subprocess.STDOUT, start_new_session=True)

        def said():
            return orca_said(log)

        def heard(text):
            return any(text in line for line in said())

        try:
            # The splash is a frame called Vantrel too, and a key there only
            # skips it: the keys wait for the board.
            wait_for("Orca to find the game's window", lambda: heard("Vantrel frame"), 30)
            wait_for("the board to hold the keyboard", lambda: board_holds_keyboard(game.pid), 10)
            key("Right")
            wait_for("Orca to say the cannon's column", lambda: heard("cannon column 9"), 10)
            wait_for("Orca to say the first drop", lambda: heard("wave on row 2"), 10)
            wait_for("Orca to say the loss", lambda: heard("You lose!"), 30)
            key("Return")
            wait_for("Orca to say the new game", lambda: heard("new game"), 10)
            key("Escape")
            wait_for("Orca to read the quit question", lambda: heard("Are you sure"), 10)
        except Failure:
            # Orca ends at once when another Orca of the same user runs.
            ended = "" if orca.poll() is None else f"Orca ended with exit code {orca.returncode}: "
            with open(orca_out.name, errors="replace") as out:
                raise Failure(ended + out.read().strip() + "\nOrca said: " + " | ".join(said()))
        key("Return")
        check(game.wait(timeout=10) == 0, "the game did not end with exit code 0")
        spoken = said()
        check(sum("You lose!" in line for line in spoken) == 1,
              "Orca said the loss prompt more than once")
        print("Orca said, one game from the start to its loss:")
        for line in spoken:
            print(f"  {line}")
        if log_path:
            with open(log_path, "a") as out:
                out.write("# Orca\n" + "\n".join(spoken) + "\n")
    finally:
        if game.poll() is None:
            game.kill()
            game.wait()
        if orca is not None:
            stop_group(orca)


def page_inside(web_dir):
    """The browser build's single file in a real Chromium window, listened to
    on the bus and, where Orca is installed, heard by Orca."""
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib

    page = os.path.join(os.path.abspath(web_dir), "vantrel.html")
    # Chromium and Orca join the bus through the toolkit bridge that the
    # session's NO_AT_BRIDGE keeps off; Orca on the bus is the sign it listens.
    os.environ.pop("NO_AT_BRIDGE", None)
    home = os.environ["HOME"]
    orca_log = os.path.join(home, "orca.log")
    server, display = start_xvfb()
    os.environ["DISPLAY"] = display
    started = []

    def start(args, **kwargs):
        process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   start_new_session=True, **kwargs)
        started.append(process)
        return process

    def application(name):
        desktop = Atspi.get_desktop(0)
        return next((a for a in (desktop.get_child_at_index(i)
                                 for i in range(desktop.get_child_count()))
                     if a is not None and a.get_name() == name), None)

    def find(node, role, name, depth=0):
        if node is None or depth > 30:
            return None
        if node.get_role() == role and node.get_name() == name:
            return node
        for i in range(node.get_child_count()):
            found = find(node.get_child_at_index(i), role, name, depth + 1)
            if found is not None:
                return found
        return None

    def key(*names):
        subprocess.run(["xdotool", "key", "--delay", "150", *names], check=True, timeout=10)

    start([BUS_LAUNCHER, "--launch-immediately"])
    try:
        pump_until("the accessibility service", lambda: "false" in accessibility_enabled(), 20)
        turn_accessibility_on()
        events = []

        def on_event(event):
            try:
                data = event.any_data
                events.append((event.type, event.source.get_role(), event.source.get_name(),
                               data if isinstance(data, str) else "", event.detail1,
                               data if isinstance(data, Atspi.Accessible) else None))
            except GLib.Error:
                pass

        listener = Atspi.EventListener.new(on_event)
        for kind in ("object:text-changed:insert", "object:state-changed:focused",
                     "object:children-changed:add"):
            listener.register(kind)

        orca = shutil.which("orca")
        if orca:
            # No speech server (its spawn command fails), so nothing reaches
            # an audio device; Orca still logs every utterance. Its log is
            # written in blocks, so the test waits for Orca on the bus.
            start([orca, "--debug-file", orca_log, "-u", os.path.join(home, "orca")],
                  env=dict(os.environ, SPEECHD_CMD="/bin/false"))
            pump_until("Orca on the accessibility bus", lambda: application("orca"), 60)
            time.sleep(1)
        start([CHROMIUM, "--no-sandbox", "--force-renderer-accessibility",
               f"--user-data-dir={os.path.join(home, 'chromium')}", "--no-first-run",
               "--disable-gpu", "--disable-background-networking", "--disable-component-update",
               "--disable-sync", "--disable-default-apps", "--disable-extensions",
               "--no-default-browser-check", "--window-size=900,700", "file://" + page])

        def focused(role, name):
            return any(e[0] == "object:state-changed:focused" and e[4] == 1
                       and e[1] == role and e[2] == name for e in events)

        # The splash hands over after two seconds; the board takes the focus.
        pump_until("the board to take the focus", lambda: focused(Atspi.Role.LANDMARK, "Vantrel"),
                   30)
        chromium = pump_until("Chromium on the bus", lambda: application("Chromium"), 10)
        board = pump_until("the board's list", lambda: find(chromium, Atspi.Role.LIST, "Board"), 10)
        rows = [board.get_child_at_index(i) for i in range(board.get_child_count())]
        check([r.get_role() for r in rows] == [Atspi.Role.LIST_ITEM] * 8,
              f"the board lists {[r.get_role_name() for r in rows]}")
        for number, row in enumerate(rows, start=1):
            row.clear_cache()
            check(row.get_description().startswith(f"Board row {number} of 8"),
                  f"row {number} is described {row.get_description()!r}")
        check(any("aliens in columns" in r.get_description() for r in rows),
              "no row gives the aliens' columns")
        check(rows[7].get_description() == "Board row 8 of 8: cannon in column 8",
              f"the bottom row is described {rows[7].get_description()!r}")

        def heard(text):
            return any(e[0] == "object:text-changed:insert"
                       and e[1] == Atspi.Role.STATUS_BAR and text in e[3] for e in events)

        # With no window manager, the keyboard goes where X is told.
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--class", "chromium",
                        "windowfocus", "--sync"], check=True, timeout=20, capture_output=True)
        if orca:
            key("Insert+a", "Insert+a")  # sticky focus mode: the keys reach the page
            time.sleep(0.5)
        key("Right")
        pump_until("the cannon's column", lambda: heard("cannon column 9"), 5)
        pump_until("the first drop", lambda: heard("wave on row 2"), 5)
        alert = pump_until("the loss box", lambda: next(
            (e[5] for e in events if e[0] == "object:children-changed:add" and e[5] is not None
             and e[5].get_role() == Atspi.Role.ALERT and e[5].get_name() == "Sorry!"), None), 25)
        alert.clear_cache()
        check(alert.get_description() == "You lose!",
              f"the loss box is described {alert.get_description()!r}")
        pump_until("the focus on its OK button", lambda: focused(Atspi.Role.PUSH_BUTTON, "OK"), 5)
        # A reader says a role by the name the page gives it, which changes
        # between releases ("push button", then "button").
        button = pump_until("the OK button", lambda: find(alert, Atspi.Role.PUSH_BUTTON, "OK"), 5)
        button_said = f"OK {button.get_localized_role_name()}"
        if orca:
            # A player hears the box out before answering it. Orca 48 lags
            # the page, and a box answered before its turn goes unsaid.
            pump_until("Orca to read the loss box",
                       lambda: any(button_said in line for line in orca_said(orca_log)), 15)
        key("Return")
        pump_until("the new game", lambda: heard("new game"), 5)
        check(heard("wave on row 7"), "the drop to row 7 was not announced")
        print("the news region said: " + " | ".join(
            e[3] for e in events
            if e[0] == "object:text-changed:insert" and e[1] == Atspi.Role.STATUS_BAR))

        if orca:
            # Orca speaks after the page, and its log follows in blocks.
            try:
                pump_until("Orca to say the new game", lambda: "new game" in orca_said(orca_log),
                           10)
            finally:
                print("Orca said:\n  " + "\n  ".join(orca_said(orca_log)))
            spoken = orca_said(orca_log)
            for text in ("main content Vantrel", "Focus mode is sticky", "cannon column 9",
                         "wave on row 2", "You lose!", button_said):
                check(any(text in line for line in spoken), f"Orca did not say {text!r}")
            check("Browse mode" not in spoken, "Orca left focus mode")
        else:
            return orca_missing()
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        for process in reversed(started):
            stop_group(process)
        stop_xvfb(server)
    print("passed")
    return 0


def main():
    if len(sys.argv) >= 2 and sys.argv[1] == "--inside":
        return inside(sys.argv[2:])
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    return outer(sys.argv[1:])


if __name__ == "__main__":
    sys.exit(main())
