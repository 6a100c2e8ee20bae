#!/usr/bin/python3
"""Reads the Kestro Setup window as a screen reader does, from the desktop
accessibility bus: every named control with its role, value, description and
states, the lamp grid's children, and the lamp events heard for a while.

Run inside tools/a11y-session, which starts the bus and the window."""
import sys
import time

import pyatspi
from gi.repository import GLib

APP = sys.argv[1] if len(sys.argv) > 1 else "kestro-demo"
LISTEN_SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 4.0


def find_app():
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == APP:
                return app
        time.sleep(0.1)
    sys.exit(f"{APP} is not on the accessibility bus")


def value_of(node):
    try:
        text = node.queryText()
        return text.getText(0, min(text.characterCount, 40))
    except NotImplementedError:
        return ""


def states(node):
    wanted = ("showing", "focusable", "focused", "enabled", "checked", "pressed")
    have = node.getState()
    return ",".join(s for s in wanted
                    if have.contains(getattr(pyatspi, "STATE_" + s.upper())))


def labelled_by(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return relation.getTarget(0).name
    return ""


def walk(node, depth=0):
    role = node.getRoleName()
    if node.name == "Button lamps":
        lit = [c.name for c in node if c.getState().contains(pyatspi.STATE_CHECKED)]
        first = node[0]
        print(f"{'  ' * depth}{role} '{node.name}': {node.childCount} children, "
              f"first '{first.name}' ({first.getRoleName()}; {states(first)}), lit now: {lit}")
        return
    if role in ("list", "list item", "menu") and depth > 6:
        return
    line = f"{'  ' * depth}{role} '{node.name}'"
    extra = [x for x in (f"value '{value_of(node)}'" if value_of(node) else "",
                         f"labelled by '{labelled_by(node)}'" if labelled_by(node) else "",
                         f"description '{node.description}'" if node.description else "",
                         states(node)) if x]
    print(line + (" - " + "; ".join(extra) if extra else ""))
    for child in node:
        if child is not None:
            walk(child, depth + 1)


def listen():
    heard = []

    def on_event(event):
        if event.source.getRoleName() in ("push button", "toggle button") and \
                event.source.name.startswith("Button "):
            heard.append(f"{event.source.name} {'lit' if event.detail1 else 'out'}")

    pyatspi.Registry.registerEventListener(on_event, "object:state-changed:checked")
    GLib.timeout_add(int(LISTEN_SECONDS * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
    print(f"lamp events in {LISTEN_SECONDS:g} s: {len(heard)}; first: {heard[:8]}")


app = find_app()
walk(app)
listen()
