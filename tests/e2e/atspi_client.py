#!/usr/bin/python3
"""A small AT-SPI client for the end-to-end tests: reads and drives an application's accessible
objects over the accessibility bus, as a screen reader or a UI-automation tool does.

Run it with /usr/bin/python3 (Debian's pyatspi belongs to that interpreter).

  atspi_client.py tree APP                    the accessible tree, one object a line
  atspi_client.py press APP ROLE NAME         does the object's press/click/toggle action
  atspi_client.py set-value APP ROLE NAME V   sets the current value (value interface)
  atspi_client.py focus APP ROLE NAME         gives the object the keyboard focus
  atspi_client.py grab-focus APP ROLE NAME    the same through Component.GrabFocus alone; fails
                                              when it answers false
  atspi_client.py read APP ROLE NAME          prints the object's text (its text interface) and
                                              the names of the objects it is labelled by:
                                              text="..." labelled-by="..."
  atspi_client.py wait APP ROLE NAME [SECS]   waits (default 10 s) until the object is there

Each command but tree takes "--in ROLE NAME" at its end: the object is looked for only below
the first object so named (a dialog's "Cancel" rather than the main window's).
APP is the application's accessible name. ROLE is a role name as `tree` prints it ("push
button", "list item"), or "*" for any role. A tree line reads
  <indent>role "name" [states] [value=V [min..max]]
with the states among checked, selected, pressed, focused, enabled, showing, focusable.
Exit status: 0 done, 1 not found (or the object cannot do it), 2 usage.
"""

import os
import signal
import sys
import time

USAGE = __doc__.strip()

try:
    import pyatspi
except ImportError as error:  # not Debian's interpreter, or python3-pyatspi missing
    sys.stderr.write("atspi_client: %s (run it with /usr/bin/python3)\n" % error)
    sys.exit(2)

STATES = (
    ("checked", pyatspi.STATE_CHECKED),
    ("selected", pyatspi.STATE_SELECTED),
    ("pressed", pyatspi.STATE_PRESSED),
    ("focused", pyatspi.STATE_FOCUSED),
    ("enabled", pyatspi.STATE_ENABLED),
    ("showing", pyatspi.STATE_SHOWING),
    ("focusable", pyatspi.STATE_FOCUSABLE),
)
PRESS_ACTIONS = ("press", "click", "toggle")
FOCUS_ACTIONS = ("setfocus", "set focus", "focus")
# Deeper than any window of the program; a guard against a tree that loops.
MAX_DEPTH = 40


def quoted(text):
    text = text or ""
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n")


def number(value):
    return str(int(value)) if float(value).is_integer() else "%g" % value


def children(accessible):
    try:
        count = accessible.childCount
    except Exception:
        return []
    found = []
    for index in range(count):
        try:
            child = accessible.getChildAtIndex(index)
        except Exception:
            child = None
        if child is not None:
            found.append(child)
    return found


def value_of(accessible):
    try:
        value = accessible.queryValue()
    except NotImplementedError:
        return None
    except Exception:
        return None
    return "value=%s [%s..%s]" % (
        number(value.currentValue), number(value.minimumValue), number(value.maximumValue))


def describe(accessible):
    try:
        role = accessible.getRoleName()
        name = accessible.name
        state = accessible.getState()
    except Exception as error:
        return "<gone: %s>" % error
    parts = [role, quoted(name)]
    parts += [word for word, code in STATES if state.contains(code)]
    value = value_of(accessible)
    if value:
        parts.append(value)
    return " ".join(parts)


def walk(accessible, depth=0):
    """Yields (depth, accessible) depth first, the object before its children."""
    yield depth, accessible
    if depth >= MAX_DEPTH:
        return
    for child in children(accessible):
        yield from walk(child, depth + 1)


def accessibility_bus_reachable():
    """Whether the accessibility bus can be found (libatspi aborts the process when not)."""
    if os.environ.get("AT_SPI_BUS_ADDRESS"):
        return True
    try:
        from gi.repository import Gio, GLib
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                          GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 5000, None)
        return True
    except Exception:
        return False


def find_application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for application in children(desktop):
        try:
            if application.name == name:
                return application
        except Exception:
            continue
    return None


def find_object(application, role, name, scope=None):
    if scope is not None:
        application = find_object(application, scope[0], scope[1])
        if application is None:
            return None
    for _, accessible in walk(application):
        try:
            if (role == "*" or accessible.getRoleName() == role) and accessible.name == name:
                return accessible
        except Exception:
            continue
    return None


def do_named_action(accessible, wanted):
    try:
        action = accessible.queryAction()
    except NotImplementedError:
        return False
    for index in range(action.nActions):
        if action.getName(index).lower() in wanted:
            action.doAction(index)
            return True
    return False


def command_tree(application):
    for depth, accessible in walk(application):
        print("  " * depth + describe(accessible))
    return 0


def command_press(target):
    if do_named_action(target, PRESS_ACTIONS):
        return 0
    sys.stderr.write("atspi_client: %s has no press, click or toggle action\n" % describe(target))
    return 1


def command_set_value(target, text):
    try:
        wanted = float(text)
    except ValueError:
        sys.stderr.write("atspi_client: %r is not a number\n" % text)
        return 2
    try:
        value = target.queryValue()
    except NotImplementedError:
        sys.stderr.write("atspi_client: %s has no value\n" % describe(target))
        return 1
    try:
        value.currentValue = wanted
    except Exception as error:
        sys.stderr.write("atspi_client: %s refused the value: %s\n" % (describe(target), error))
        return 1
    return 0


def command_focus(target):
    try:
        if target.queryComponent().grabFocus():
            return 0
    except NotImplementedError:
        pass
    if do_named_action(target, FOCUS_ACTIONS):
        return 0
    sys.stderr.write("atspi_client: %s cannot take the focus\n" % describe(target))
    return 1


def command_grab_focus(target):
    try:
        if target.queryComponent().grabFocus():
            return 0
    except NotImplementedError:
        pass
    sys.stderr.write("atspi_client: GrabFocus on %s answered false\n" % describe(target))
    return 1


def command_read(target):
    try:
        text_iface = target.queryText()
        text = text_iface.getText(0, text_iface.characterCount)
    except NotImplementedError:
        text = ""
    labels = []
    try:
        for relation in target.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                for index in range(relation.getNTargets()):
                    labels.append(relation.getTarget(index).name)
    except Exception as error:
        sys.stderr.write("atspi_client: the relations of %s: %s\n" % (describe(target), error))
        return 1
    print("text=%s labelled-by=%s" % (quoted(text), quoted(",".join(labels))))
    return 0


def usage():
    sys.stderr.write(USAGE + "\n")
    return 2


def main(argv):
    if len(argv) < 2:
        return usage()
    command, arguments = argv[1], argv[2:]
    scope = None
    if command != "tree" and len(arguments) >= 3 and arguments[-3] == "--in":
        scope = (arguments[-2], arguments[-1])
        arguments = arguments[:-3]
    expected = {"tree": (1, 1), "press": (3, 3), "set-value": (4, 4), "focus": (3, 3),
                "grab-focus": (3, 3), "read": (3, 3), "wait": (3, 4)}
    if command not in expected or not expected[command][0] <= len(arguments) <= expected[command][1]:
        return usage()

    if not accessibility_bus_reachable():
        sys.stderr.write("atspi_client: no accessibility bus (is at-spi-bus-launcher running on "
                         "this session bus?)\n")
        return 1

    if command == "wait":
        try:
            seconds = float(arguments[3]) if len(arguments) > 3 else 10.0
        except ValueError:
            return usage()
        deadline = time.monotonic() + seconds
        while True:
            application = find_application(arguments[0])
            if application is not None and find_object(application, arguments[1], arguments[2],
                                                       scope) is not None:
                return 0
            if time.monotonic() >= deadline:
                sys.stderr.write("atspi_client: no %s %s in %s after %g s\n" % (
                    arguments[1], quoted(arguments[2]), arguments[0], seconds))
                return 1
            time.sleep(0.1)

    application = find_application(arguments[0])
    if application is None:
        sys.stderr.write("atspi_client: no application %s on the accessibility bus\n"
                         % quoted(arguments[0]))
        return 1
    if command == "tree":
        return command_tree(application)
    target = find_object(application, arguments[1], arguments[2], scope)
    if target is None:
        sys.stderr.write("atspi_client: no %s %s in %s\n" % (
            arguments[1], quoted(arguments[2]), arguments[0]))
        return 1
    if command == "press":
        return command_press(target)
    if command == "set-value":
        return command_set_value(target, arguments[3])
    if command == "grab-focus":
        return command_grab_focus(target)
    if command == "read":
        return command_read(target)
    return command_focus(target)


if __name__ == "__main__":
    # A reader that stops early (grep -q) ends the tree quietly.
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    sys.exit(main(sys.argv))
