#!/usr/bin/python3
# press: presses the button of accessible name NAME in the WebKitGTK window whose title holds
# TITLE, through the desktop's accessibility bus (AT-SPI), as a screen reader's user would:
# WebKitWebDriver gives no accessible name. Exit status 1 when there is no such button.
#
#   press.py TITLE NAME      (Debian's python3, with python3-pyatspi, on the session's bus)
import sys

import pyatspi


def buttons(node):
    """Every push button below `node`."""
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        if child.getRoleName() == 'push button':
            yield child
        yield from buttons(child)


title, name = sys.argv[1], sys.argv[2]
for app in pyatspi.Registry.getDesktop(0):
    for window in app or []:
        if window is not None and title in window.name:
            for button in buttons(window):
                if button.name == name and button.getState().contains(pyatspi.STATE_VISIBLE):
                    button.queryAction().doAction(0)
                    sys.exit(0)
print(f'press: no button named {name} in a window titled {title}', file=sys.stderr)
sys.exit(1)
