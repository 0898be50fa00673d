#!/usr/bin/python3
"""The program's windows as a screen reader hears them, through AT-SPI.

Prints one line per showing object: role, name, description and extents
(x y width height on the screen), tab separated; line breaks inside a name
become spaces, so every object is one line to grep. --within NAME keeps to
the showing part named NAME (a window, a panel), and --press NAME performs
the first action of the showing push button of that exact name instead of
printing.

Waits at most --wait seconds for the program, the part and the button;
ends with status 1 and says what was missing when one does not appear.
"""

import argparse
import sys
import time

import pyatspi

# Parts a --within name may belong to: not the menu items of the same name.
CONTAINERS = {pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW, pyatspi.ROLE_DIALOG, pyatspi.ROLE_FILLER,
              pyatspi.ROLE_PANEL}


def one_line(text):
    return " ".join((text or "").replace("\t", " ").splitlines())


def showing(obj):
    return obj is not None and obj.getState().contains(pyatspi.STATE_SHOWING)


def find_app(pid, name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if (app.get_process_id() == pid) if pid else (app.name == name):
                return app
        except Exception:  # an application that has just gone
            continue
    return None


def line_of(obj):
    e = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return "\t".join((obj.getRoleName(), one_line(obj.name), one_line(obj.description),
                      "%d %d %d %d" % (e.x, e.y, e.width, e.height)))


def walk(obj, within, out):
    """Appends (object, line) for obj and its showing descendants; with a
    name to keep within, only for that part's subtree."""
    inside = within is None or (obj.name == within and obj.getRole() in CONTAINERS)
    if inside:
        within = None
        out.append((obj, line_of(obj)))
    for child in obj:
        if showing(child):
            walk(child, within, out)


def read(app, within):
    out = []
    for window in app:
        if showing(window):
            walk(window, within, out)
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pid", type=int, default=0, help="the program's process (else found by --name)")
    parser.add_argument("--name", default="shurencho", help="the application's name")
    parser.add_argument("--within", metavar="NAME", help="only the showing window or panel of this name")
    parser.add_argument("--press", metavar="NAME", help="press the showing push button of this name")
    parser.add_argument("--wait", type=float, default=20, help="seconds to wait for what is asked")
    args = parser.parse_args()

    deadline = time.monotonic() + args.wait
    missing = "program"
    while True:
        app = find_app(args.pid, args.name)
        tree = []
        if app is not None:
            missing = "showing window" if args.within is None else "showing part named " + args.within
            try:
                tree = read(app, args.within)
            except Exception:  # a window changing while it was read: read again
                tree = []
        if tree and args.press is None:
            for _, line in tree:
                print(line)
            return
        if tree:
            missing = "showing push button named " + args.press
            buttons = [o for o, _ in tree if o.getRole() == pyatspi.ROLE_PUSH_BUTTON and o.name == args.press]
            if buttons:
                if not buttons[0].queryAction().doAction(0):
                    sys.exit("atspi_tree: the button %s refused its action" % args.press)
                return
        if time.monotonic() > deadline:
            sys.exit("atspi_tree: no %s on the accessibility bus within %g s" % (missing, args.wait))
        time.sleep(0.1)


if __name__ == "__main__":
    main()
