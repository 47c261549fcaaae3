"""dogtail for the end-to-end tests' scripts (a11y_session.sh's dogtail_script): imports dogtail
quietly, with waits long enough for a loaded machine, and finds the program's application.

  from zel_dogtail import app, find, press, wait_for, wait_gone, fail
  press(find("push button", "Apply"))

`app` is the application named by ZEL_DOGTAIL_APP. `find` and `wait_for` search by role and
name (dogtail's own search, so what dogtail users can find); `fail` ends the script with status 1
and the message.
"""

import os
import sys
import time

from dogtail.config import config

config.logDebugToFile = False
config.logDebugToStdOut = False
config.searchShowingOnly = False
# dogtail's own retries, for searches made through its API: thirty seconds in all.
config.searchBackoffDuration = 0.5
config.searchCutoffCount = 60
config.actionDelay = 0.2
config.defaultDelay = 0.2

from dogtail import predicate, tree  # noqa: E402  (after the configuration)

APP_NAME = os.environ.get("ZEL_DOGTAIL_APP", "ZEL_GMouse")


def fail(message):
    sys.stderr.write("dogtail: %s\n" % message)
    sys.exit(1)


def _application():
    try:
        return tree.root.application(APP_NAME)
    except tree.SearchError:
        fail("no application %r on the accessibility bus" % APP_NAME)


app = _application()


def find(role, name, within=None, retry=True):
    """The first object below `within` (the application) with the role and the name."""
    scope = within if within is not None else app
    try:
        return scope.findChild(predicate.GenericPredicate(name=name, roleName=role),
                               retry=retry, requireResult=True)
    except tree.SearchError:
        if not retry:
            return None
        fail("no %s %r" % (role, name))


def press(node):
    """Does the object's press, click or toggle action (AT-SPI's names: "Press", "Toggle")."""
    for name in node.actions:
        if name.lower() in ("press", "click", "toggle"):
            node.doActionNamed(name)
            return
    fail("%s has no press action (it has %s)" % (node, sorted(node.actions)))


def wait_for(condition, seconds=30, what="the condition"):
    """Waits until condition() is true (checked every 50 ms); fails after `seconds`."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            if condition():
                return
        except Exception:  # an object that went away meanwhile
            pass
        if time.monotonic() >= deadline:
            fail("%s did not happen within %g s" % (what, seconds))
        time.sleep(0.05)


def wait_gone(role, name, seconds=30):
    wait_for(lambda: find(role, name, retry=False) is None, seconds,
             "the %s %r going away" % (role, name))
