#!/usr/bin/python3
"""A bare WebKitGTK view the size of a phone's screen, for WebKitWebDriver to
drive in place of MiniBrowser, whose window is never narrower than 447 px:
390 x 844 CSS pixels, three device pixels each, with touch points.
WebKitWebDriver starts it with --automation (and tells WebKit where to meet
it through the environment)."""

import os

os.environ["GDK_SCALE"] = "3"

import gi  # noqa: E402

gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import Gtk, WebKit2  # noqa: E402

# A virtual X server has no touch screen: the page is told of touch points
# as a phone's browser tells it.
TOUCH = "Object.defineProperty(Navigator.prototype, 'maxTouchPoints', { get: () => 5 });"

context = WebKit2.WebContext.get_default()
context.set_automation_allowed(True)
window = Gtk.Window(default_width=390, default_height=844, resizable=False)
window.connect("destroy", Gtk.main_quit)


def new_view(session):
    content = WebKit2.UserContentManager()
    content.add_script(WebKit2.UserScript(TOUCH, WebKit2.UserContentInjectedFrames.ALL_FRAMES,
                                          WebKit2.UserScriptInjectionTime.START, None, None))
    view = WebKit2.WebView(web_context=context, user_content_manager=content,
                           is_controlled_by_automation=True)
    # The driver closes the page at the end of its session.
    view.connect("close", lambda _: window.destroy())
    window.add(view)
    window.show_all()
    return view


def automation_started(context, session):
    info = WebKit2.ApplicationInfo()
    info.set_name("vantrel-phone")
    info.set_version(1, 0, 0)
    session.set_application_info(info)
    session.connect("create-web-view", new_view)


context.connect("automation-started", automation_started)
Gtk.main()
