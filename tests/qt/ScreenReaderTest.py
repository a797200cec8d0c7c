#!/usr/bin/env python3
"""Runs the real game program on a real accessibility bus, in a D-Bus session
and a virtual X server of its own, and listens to it as a screen reader does:
the accessibility service starts with no reader on, the game starts, and only
then does the reader start (IsEnabled turned on, a listener connected), as a
reader started after the game must find it. One game is played to its loss;
where Orca is installed, what Orca itself says is read from its debug log
(Orca gets no speech server, so nothing reaches an audio device).

Usage: ScreenReaderTest.py PATH/TO/vantrel
       ScreenReaderTest.py --web WEB_DIR   (the browser build's single file in Chromium)
Exit codes: 0 passed, 1 failed, 77 skipped (D-Bus, the accessibility service,
Debian's python3 with Atspi, Xvfb, xdotool or, with --web, Chromium missing).
"""

import collections
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from xsession import (SKIP, TEXTS, Failure, check, outcome, qt_version, spawn,  # noqa: E402
                      start_xvfb, stop_xvfb, unavailable, wait_for)

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
CHROMIUM = os.environ.get("VANTREL_CHROMIUM", "/usr/bin/chromium")
try:
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib
except (ImportError, ValueError):  # reported as missing
    Atspi = None

# When the event loop last ran dry. An event handled later reached the test
# after that: its time is known only that far, as the loop does not run while
# the test presses keys.
DRAINED = [0.0]
LISTENERS = []


class Event(collections.namedtuple("Event", "at type role name description data detail drained")):
    """An event as the listener got it: when, its type, its source's role and
    name, the source's description read back, what it carries, its detail1,
    and when the event loop last ran dry before it."""

    @property
    def text(self):
        return self.data if isinstance(self.data, str) else None


def drain():
    while GLib.MainContext.default().iteration(False):
        pass
    DRAINED[0] = time.monotonic()


def pump_until(what, probe, timeout):
    """Runs the event loop (the listener's events come through it) until
    probe() returns something truthy."""
    return wait_for(what, lambda: drain() or probe(), timeout)


def is_enabled(method="Get", *value):
    """Reads the accessibility service's IsEnabled, or sets it as a screen
    reader does as it starts."""
    return subprocess.run(["gdbus", "call", "--session", "-d", "org.a11y.Bus", "-o", "/org/a11y/bus",
                           "-m", "org.freedesktop.DBus.Properties." + method, "org.a11y.Status",
                           "IsEnabled", *value], capture_output=True, text=True, timeout=10,
                          check=bool(value)).stdout.strip()


def listen(events, *kinds):
    """Records every event of these kinds on the bus into events, for the
    rest of the test (the listener is kept: one collected hears nothing)."""
    def on_event(event):
        source = event.source
        try:
            description = fresh(source).get_description() if "description" in event.type else ""
            events.append(Event(time.monotonic(), event.type, source.get_role(), source.get_name(),
                                description, event.any_data, event.detail1, DRAINED[0]))
        except GLib.Error:
            pass
    LISTENERS.append(Atspi.EventListener.new(on_event))
    for kind in kinds:
        LISTENERS[-1].register(kind)


def orca_log(name="orca.log"):
    return os.path.join(os.environ["HOME"], name)


def reader(cleanup, *kinds):
    """A screen reader starts: it turns accessibility on and listens to these
    kinds of event; so does Orca where it is installed, with no speech server
    (its spawn command fails), so that nothing reaches an audio device while
    it still logs every utterance. Gives the events heard and Orca."""
    is_enabled("Set", "<true>")
    events = []
    listen(events, *kinds)
    if not shutil.which("orca"):
        return events, None
    with open(orca_log("orca.out"), "w") as out:
        return events, spawn(cleanup, ["orca", "--debug-file", orca_log(), "-u", orca_log("orca")],
                             env=dict(os.environ, SPEECHD_CMD="/bin/false"), stdout=out,
                             stderr=subprocess.STDOUT)


def orca_says(orca, what, *texts, timeout=10):
    """Waits for Orca, where it runs, to have said all these texts."""
    if not orca:
        return
    try:
        wait_for(f"Orca to say {what}", lambda: orca_heard(*texts), timeout)
    except Failure:
        # Orca ends at once when another Orca of the same user runs.
        ended = "" if orca.poll() is None else f"Orca ended with exit code {orca.returncode}: "
        with open(orca_log("orca.out"), errors="replace") as out:
            raise Failure(ended + out.read().strip() + "\nOrca said: " + " | ".join(orca_said()))


def orca_said():
    """Every utterance in Orca's debug log, in order."""
    if not os.path.exists(orca_log()):
        return []
    with open(orca_log(), errors="replace") as out:
        # Each line reads SPEECH OUTPUT: 'text' followed by the voice.
        lines = [line.split("SPEECH OUTPUT: ", 1)[1] for line in out if "SPEECH OUTPUT: '" in line]
    return [line[1:line.rfind("'", 0, line.rfind("{"))] for line in lines]


def orca_heard(*texts):
    spoken = orca_said()
    return all(any(text in line for line in spoken) for text in texts)


def orca_missing():
    """Everything else passed, but what Orca says went unchecked."""
    print("skipped: Orca (Debian package orca) is not installed, so what it says was not "
          "checked; everything else passed")
    return SKIP


def key(*keys, delay=40):
    subprocess.run(["xdotool", "key", "--delay", str(delay), *keys], check=True, timeout=10)


def fresh(node):
    node.clear_cache()
    return node


def children(node):
    return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count()))
            if c is not None]


def descendants(node, depth=30):
    yield node
    if depth:
        for child in children(node):
            yield from descendants(child, depth - 1)


def find(node, role, name):
    return next((n for n in descendants(node) if n.get_role() == role and n.get_name() == name), None)


def check_rows(rows):
    """The board: eight rows, each described by its number and its columns."""
    check(len(rows) == 8, f"the board has {len(rows)} rows")
    for number, row in enumerate(rows, start=1):
        check(fresh(row).get_description().startswith(f"Board row {number} of 8"),
              f"row {number} is described {row.get_description()!r}")
    check(any("aliens in columns" in r.get_description() for r in rows),
          "no row gives the aliens' columns")
    check(rows[7].get_description() == "Board row 8 of 8: cannon in column 8",
          f"the bottom row is described {rows[7].get_description()!r}")


def game_heard(program, cleanup):
    """The splash and the main window are frames, the splash picture has an
    image description, the rows are named by their text; the news arrives as
    the main window's announcements (Qt 6.8 and later, and the windows' own
    descriptions are then never reported as changed) or as changes of its
    description that carry the text (before 6.8): a cannon move, the wave's
    drops, a hit, a shot leaving the board, none closer than the game's pace;
    a box says its prompt once. Orca, started after the game too, says the
    cannon's column, the drop, each box before it is answered, the loss once
    and the new game."""
    announcing = qt_version(program) >= (6, 8)
    # The game's output goes to a file: Qt's accessibility bridge can log a
    # line for every query a reader makes about a closed box, and a pipe that
    # nobody reads would fill and stop the game in mid-write.
    output = os.path.join(os.environ["HOME"], "game.out")
    with open(output, "w") as out:
        game = spawn(cleanup, [program], stdout=out, stderr=subprocess.STDOUT)
    events, orca = reader(cleanup, "object:property-change:accessible-description",
                          "object:announcement", "window:activate")

    def game_app():
        if game.poll() is not None:
            raise Failure(f"the program ended with {game.returncode}:\n"
                          + open(output, errors="replace").read())
        return next((a for a in children(Atspi.get_desktop(0)) if a.get_process_id() == game.pid), None)
    app = pump_until("the game on the accessibility bus (a reader started after it)", game_app, 20)

    def frames():
        return children(fresh(app))

    # The splash lasts two seconds; look at it while it is there.
    splash = pump_until("the splash", lambda: next((f for f in frames() if any(
        c.get_role() == Atspi.Role.IMAGE for c in children(f))), None), 5)
    check(splash.get_role() == Atspi.Role.FRAME, f"the splash is a {splash.get_role()!r}, not a frame")
    picture = next(c for c in children(splash) if c.get_role() == Atspi.Role.IMAGE)
    # Qt 6.4's bridge offers no Image interface; the picture's text comes
    # as its description, where newer bridges also give the image's own.
    described = picture.get_image_description() or fresh(picture).get_description()
    check(described.startswith("The game's title picture"),
          f"the splash picture is described {described!r}")
    check(fresh(splash).get_description() == described,
          f"the splash, which holds the keyboard, is described {splash.get_description()!r}")

    main = pump_until("the main window", lambda: next(
        (f for f in frames() if f.get_child_count() == 8), None), 10)
    check(main.get_role() == Atspi.Role.FRAME, f"the main window is a {main.get_role()!r}, not a frame")
    check(main.get_name() == "Vantrel", f"the main window is named {main.get_name()!r}")
    rows = children(main)
    check_rows(rows)
    check(rows[0].get_name().strip().startswith("V"), f"the top row is named {rows[0].get_name()!r}")
    pump_until("the main window to be active",
               lambda: fresh(main).get_state_set().contains(Atspi.StateType.ACTIVE), 10)
    # The splash is a frame called Vantrel too: the keys wait for the board,
    # and for Orca to be there to hear the news.
    orca_says(orca, "the game's window", "Vantrel frame", timeout=30)

    def said_by_game_window(kind):
        # Events of that kind from the game's windows that carry a text.
        return [e for e in events if e.type.endswith(kind) and e.role == Atspi.Role.FRAME
                and e.name == "Vantrel" and e.text is not None]

    def announcements():
        return said_by_game_window("object:announcement" if announcing else "accessible-description")

    def heard(part):
        return next((e.text for e in announcements() if part in e.text), None)

    def box():
        return next((f for f in frames() if f.get_role() in (Atspi.Role.ALERT, Atspi.Role.DIALOG)
                     and f.get_state_set().contains(Atspi.StateType.SHOWING)), None)

    def check_prompt(box, name, prompt):
        """A box's prompt is there once, while the game waits behind it."""
        count = sum((fresh(n).get_name() or "").count(prompt) + (n.get_description() or "").count(prompt)
                    for n in descendants(fresh(box), 8))
        check(box.get_name() == name and count == 1,
              f"the box {box.get_name()!r} holds its prompt {count} times, not {name!r} once")

    key("F1")
    check_prompt(pump_until("the help box", box, 10), TEXTS["kHelpTitle"], TEXTS["kHelpPrompt"])
    key("Return")
    pump_until("the help box to close", lambda: not box(), 10)

    # Play one game to its loss: move the cannon, then keep firing from the
    # column the wave sweeps over, and answer the loss box.
    started = time.monotonic()
    key("Right")
    pump_until("the cannon move to be announced", lambda: heard("cannon column"), 10)

    # Firing stops once the wave is one row above the cannon, so that no
    # space lands on the loss box's button, and once a shot has hit and one
    # has missed (or three have hit), so that the wave is never shot down
    # whatever the timing.
    def enough_shots():
        said = [e.text for e in announcements()]
        hits = sum(t.startswith("hit") or ", hit" in t for t in said)
        return hits >= 3 or hits and any("shot missed" in t for t in said)

    last_fire = 0.0
    while (loss := box()) is None:
        check(time.monotonic() - started < 90, "no loss box within 90 s")
        if time.monotonic() - last_fire > 0.5 and not heard("wave on row 7") and not enough_shots():
            key("space")
            last_fire = time.monotonic()
        drain()
        time.sleep(0.02)
    check_prompt(loss, TEXTS["kLossTitle"], TEXTS["kLossPrompt"])
    if announcing:
        # The windows' descriptions are theirs alone: a change reported would
        # be spoken as news.
        changed = said_by_game_window("accessible-description")
        check(not changed, f"a window's description was reported as changed: {[e.text for e in changed][:3]}")
    else:
        mismatched = [(e.text, e.description) for e in announcements() if e.text != e.description]
        check(not mismatched, f"news sent and description read back differ: {mismatched[:3]}")
    # A player hears the box out before answering it.
    orca_says(orca, "the loss", TEXTS["kLossPrompt"], timeout=30)
    key("Return")
    pump_until("the new game to be announced", lambda: any(
        e.text == "new game" for e in announcements() if e.at > started), 10)

    said = [e.text for e in announcements() if e.at >= started]
    print(f"heard as {'announcements' if announcing else 'description changes'}, one game to its loss:\n  "
          + "\n  ".join(said))
    for text, what in (("cannon column", "no cannon move"), ("wave on row 2", "the first drop"),
                       ("wave on row 7", "the drop to row 7"), ("shot missed", "no shot leaving the board")):
        check(any(text in t for t in said), f"{what} was not announced")
    check(any(t.startswith("hit") or ", hit" in t for t in said), "no hit was announced")
    # Too close even if the first reached the test as early as it can have.
    every = announcements()
    close = [(round(b.at - a.at, 3), a.text, b.text) for a, b in zip(every, every[1:])
             if b.at - a.drained < 0.6]
    check(not close, f"announcements came closer than the rate limit: {close}")

    # Orca drops news it has not yet spoken when a box takes the focus.
    orca_says(orca, "the new game", "new game")
    key("Escape")
    pump_until("the quit question", box, 10)
    orca_says(orca, "the quit question", TEXTS["kQuitPrompt"])
    key("Return")
    check(game.wait(timeout=10) == 0, f"quitting with Yes ended with exit code {game.returncode}")
    if not orca:
        return orca_missing()
    orca_says(orca, "the cannon's column and the first drop", "cannon column 9", "wave on row 2")
    print("Orca said, one game to its loss:\n  " + "\n  ".join(orca_said()))
    check(sum(TEXTS["kLossPrompt"] in line for line in orca_said()) == 1,
          "Orca said the loss prompt more than once")


def page_heard(page, cleanup):
    """After the splash the board has the focus; the board is a list of
    eight rows, each described with its number and columns; the news arrives
    as text of a status region (the cannon's column, the drops, the new
    game); the loss box is an alert described by its prompt, with the focus
    on its button. Orca reads a web page in browse mode, where the arrow keys
    move its reading position, so the test first switches it to sticky focus
    mode (Orca+A twice), as a player does to play; its speech must hold the
    board, the news and the box."""
    def application(name):
        return next((a for a in children(Atspi.get_desktop(0)) if a.get_name() == name), None)

    events, orca = reader(cleanup, "object:text-changed:insert", "object:state-changed:focused",
                          "object:children-changed:add")
    if orca:
        # Its log is written in blocks, so the test waits for Orca on the bus.
        pump_until("Orca on the accessibility bus", lambda: application("orca"), 60)
        time.sleep(1)
    spawn(cleanup, [CHROMIUM, "--no-sandbox", "--force-renderer-accessibility",
                    f"--user-data-dir={os.path.join(os.environ['HOME'], 'chromium')}", "--no-first-run",
                    "--disable-gpu", "--disable-background-networking", "--disable-component-update",
                    "--disable-sync", "--disable-default-apps", "--disable-extensions",
                    "--no-default-browser-check", "--window-size=900,700", "file://" + page])

    def focused(role, name):
        return any(e.type == "object:state-changed:focused" and e.detail == 1 and e.role == role
                   and e.name == name for e in events)

    def heard(text):
        return any(e.type == "object:text-changed:insert" and e.role == Atspi.Role.STATUS_BAR
                   and text in e.text for e in events)

    # The splash hands over after two seconds; the board takes the focus.
    pump_until("the board to take the focus", lambda: focused(Atspi.Role.LANDMARK, "Vantrel"), 30)
    chromium = pump_until("Chromium on the bus", lambda: application("Chromium"), 10)
    board = pump_until("the board's list", lambda: find(chromium, Atspi.Role.LIST, "Board"), 10)
    rows = children(board)
    check([r.get_role() for r in rows] == [Atspi.Role.LIST_ITEM] * 8,
          f"the board lists {[r.get_role_name() for r in rows]}")
    check_rows(rows)

    # With no window manager, the keyboard goes where X is told.
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--class", "chromium",
                    "windowfocus", "--sync"], check=True, timeout=20, capture_output=True)
    if orca:
        key("Insert+a", "Insert+a", delay=150)  # sticky focus mode: the keys reach the page
        time.sleep(0.5)
    key("Right", delay=150)
    pump_until("the cannon's column", lambda: heard("cannon column 9"), 5)
    pump_until("the first drop", lambda: heard("wave on row 2"), 5)
    alert = pump_until("the loss box", lambda: next(
        (e.data for e in events if e.type == "object:children-changed:add"
         and isinstance(e.data, Atspi.Accessible) and e.data.get_role() == Atspi.Role.ALERT
         and e.data.get_name() == TEXTS["kLossTitle"]), None), 25)
    check(fresh(alert).get_description() == TEXTS["kLossPrompt"],
          f"the loss box is described {alert.get_description()!r}")
    pump_until("the focus on its OK button", lambda: focused(Atspi.Role.PUSH_BUTTON, "OK"), 5)
    # A reader says a role by the name the page gives it, which changes
    # between releases ("push button", then "button").
    button = pump_until("the OK button", lambda: find(alert, Atspi.Role.PUSH_BUTTON, "OK"), 5)
    button_said = f"OK {button.get_localized_role_name()}"
    # A player hears the box out before answering it. Orca 48 lags the page,
    # and a box answered before its turn goes unsaid.
    orca_says(orca, "the loss box", button_said, timeout=15)
    key("Return", delay=150)
    pump_until("the new game", lambda: heard("new game"), 5)
    check(heard("wave on row 7"), "the drop to row 7 was not announced")
    print("the news region said: " + " | ".join(
        e.text for e in events if e.type == "object:text-changed:insert" and e.role == Atspi.Role.STATUS_BAR))
    if not orca:
        return orca_missing()
    # Orca speaks after the page, and its log follows in blocks.
    orca_says(orca, "the board, the news and the box", "main content Vantrel", "Focus mode is sticky",
              "cannon column 9", "wave on row 2", TEXTS["kLossPrompt"], button_said, "new game")
    print("Orca said:\n  " + "\n  ".join(orca_said()))
    check("Browse mode" not in orca_said(), "Orca left focus mode")


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    web = sys.argv[1] == "--web"
    absent = [CHROMIUM] if web and not os.access(CHROMIUM, os.X_OK) else []
    if not os.access(BUS_LAUNCHER, os.X_OK):
        absent.append(BUS_LAUNCHER + " (at-spi2-core)")
    if Atspi is None:
        absent.append("Debian's python3 with Atspi (python3-pyatspi, gir1.2-atspi-2.0)")
    if unavailable("dbus-daemon", "gdbus", "Xvfb", "xdotool", absent=absent):
        return SKIP

    def test(cleanup):
        """In a D-Bus session, home and X server of the test's own."""
        home = cleanup.enter_context(tempfile.TemporaryDirectory(prefix="vantrel-a11y-"))
        runtime = os.path.join(home, "runtime")
        bus = os.path.join(runtime, "bus")
        os.mkdir(runtime, 0o700)
        for name in ("AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                     "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "NO_AT_BRIDGE"):
            os.environ.pop(name, None)
        # The accessibility service keeps its settings in memory, so that the
        # test writes nothing outside its folder. Chromium and Orca join the
        # bus through the toolkit bridge that NO_AT_BRIDGE keeps off the rest.
        os.environ.update(HOME=home, XDG_RUNTIME_DIR=runtime, GSETTINGS_BACKEND="memory",
                          DBUS_SESSION_BUS_ADDRESS="unix:path=" + bus)
        if not web:
            os.environ["NO_AT_BRIDGE"] = "1"
        spawn(cleanup, ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + bus])
        wait_for("the session bus", lambda: os.path.exists(bus), 20)
        server, os.environ["DISPLAY"] = start_xvfb()
        cleanup.callback(stop_xvfb, server)
        spawn(cleanup, [BUS_LAUNCHER, "--launch-immediately"])
        pump_until("the accessibility service", lambda: "false" in is_enabled(), 20)
        if web:
            return page_heard(os.path.join(os.path.abspath(sys.argv[2]), "vantrel.html"), cleanup)
        return game_heard(os.path.abspath(sys.argv[1]), cleanup)
    return outcome(test)


if __name__ == "__main__":
    sys.exit(main())
