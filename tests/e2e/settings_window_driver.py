#!/usr/bin/python3
"""Drives the notifier's settings window as a screen reader would: by the
names the accessibility bus shows. Arguments: the application name, then the
account's name, server address, user name and password. It prints "ready"
once it listens; the caller then opens the tray menu. Exits 0 when the
account was added and its check is shown in the table; otherwise says on
standard error what was not found.

With "--open" and a name from OPENERS after the application name, it opens
that box or dialog instead, prints "open" once it is up and exits 0.

With "--imap" after the application name, then the account's name, server,
security, folder, user name and password, it adds an IMAP account, choosing
from the dialog's lists with the mouse as a user would; it prints "filled"
when the dialog is filled in and presses "Set" once a line comes on standard
input.

With "--figures", the application name, the Quick Bar's count and a line of
the new-mail popup instead, it reads the two figures the windows exist to
show and exits 0 once both were heard (the popup when it announced itself).

With "--notice" and a text after the application name, it opens the settings
window and exits 0 once a line of that text shows in it."""

import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

TIMEOUT = 30


def dump(node, depth=0):
    """The tree under `node` as roles and names, for a failure report."""
    if node is None or depth > 12:
        return ""
    try:
        text = "  " * depth + node.getRoleName() + " '" + node.name + "'\n"
        for child in node:
            text += dump(child, depth + 1)
    except Exception:
        return ""
    return text


def wait_for(what, find):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        # Windows that open after the first look (the tray menu, the
        # dialog) are not in a tree read earlier.
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None:
                app.clearCache()
        while GLib.MainContext.default().iteration(False):
            pass
        try:
            found = find()
        except Exception:  # the tree changes while it is walked
            found = None
        if found is not None:
            return found
        time.sleep(0.25)
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None]
    sys.exit("not found: " + what + "\n" + "".join(dump(a) for a in apps))


def descendant(root, name, roles=None):
    def matches(node):
        return (node is not None and node.name == name and
                (roles is None or node.getRole() in roles))
    return pyatspi.findDescendant(root, matches, breadth_first=True)


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == name:
            return app
    return None


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "click", "activate", "toggle"):
            action.doAction(i)
            return
    action.doAction(0)


# Popup menus are not children of their application: they are seen in the
# events they raise when they open.
popups = []


def heard(event):
    if event.source is not None and event.source not in popups:
        popups.append(event.source)


WINDOWS = (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW, pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT,
           pyatspi.ROLE_FILE_CHOOSER)
BOXES = (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT)

# What --open opens: the button pressed in the settings window, the account
# dialog's four boxes when the button is the dialog's (None: the dialog is
# not used), the advanced options' check box to tick first, and the title of
# the box or dialog that then shows.
OPENERS = {
    "no name": ("Set", ("", "pop.example.org", "anna", "pw"), None, "Orvane"),
    "no address": ("Set", ("New", "", "anna", "pw"), None, "Orvane"),
    "no username": ("Set", ("New", "pop.example.org", "", "pw"), None, "Orvane"),
    "no password": ("Set", ("New", "pop.example.org", "anna", ""), None, "Orvane"),
    "duplicate": ("Set", ("acct", "pop.example.org", "anna", "pw"), None, "Orvane"),
    "sound file": ("Browse for a sound file", ("New", "pop.example.org", "anna", "pw"),
                   "Use custom sound for this account", "Choose Wave File"),
    "remove": ("Remove Account", None, None, "Remove Account"),
    "e-mail program": ("Browse for the e-mail program", None, None,
                       "Choose Favorite E-Mail Program"),
    "wave file": ("Browse for the wave file", None, None, "Choose Wave File"),
    "licence": ("License", None, None, "Orvane License"),
}


def open_settings(app):
    item = wait_for("menu item Orvane Settings", lambda: next(
        (found for found in (descendant(menu, "Orvane Settings") for menu in popups)
         if found is not None), None))
    press(item)
    return wait_for("window Orvane - Settings",
                    lambda: descendant(app, "Orvane - Settings", WINDOWS))


def open_dialog(app, window, values):
    press(wait_for("Add Account", lambda: descendant(window, "Add Account",
                                                     (pyatspi.ROLE_PUSH_BUTTON,))))
    dialog = wait_for("the account dialog", lambda: descendant(
        app, "Account Information - Add Account", WINDOWS))
    for label, value in zip(("Name", "Server Address", "Username", "Password"), values):
        box = wait_for("box " + label, lambda: descendant(dialog, label, BOXES))
        box.queryEditableText().setTextContents(value)
    return dialog


def click(node):
    """A real click in the middle of `node`, as a user's mouse would."""
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)


def labelled(root, caption):
    """The control the label `caption` names: a list is named by its
    current entry, and by its label only through this relation."""
    label = descendant(root, caption, (pyatspi.ROLE_LABEL,))
    if label is None:
        return None
    for relation in label.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABEL_FOR:
            return relation.getTarget(0)
    return None


def choose(dialog, label, text):
    """Opens the list named `label` and clicks its entry `text`."""
    combo = wait_for("list " + label, lambda: labelled(dialog, label + ":"))
    click(combo)

    def shown_entry():
        entry = pyatspi.findDescendant(combo, lambda node: node is not None and
                                       node.name == text and node.getRole() !=
                                       pyatspi.ROLE_COMBO_BOX)
        if entry is not None and entry.getState().contains(pyatspi.STATE_SHOWING):
            return entry
        return None
    click(wait_for("entry " + text + " of " + label, shown_entry))


def add_imap(app, values):
    account, server, security, folder, user, password = values
    window = open_settings(app)
    dialog = open_dialog(app, window, (account, server, user, password))
    choose(dialog, "Type of Account", "IMAP")
    choose(dialog, "Security", security)
    box = wait_for("box Folder", lambda: descendant(dialog, "Folder", BOXES))
    box.queryEditableText().setTextContents(folder)
    print("filled", flush=True)
    sys.stdin.readline()
    press(wait_for("Set", lambda: descendant(dialog, "Set", (pyatspi.ROLE_PUSH_BUTTON,))))
    wait_for("row " + account, lambda: descendant(window, account) if descendant(
        app, "Account Information - Add Account") is None else None)
    return 0


def open_box(app, what):
    button, values, tick, title = OPENERS[what]
    window = open_settings(app)
    parent = window
    if values is not None:
        parent = open_dialog(app, window, values)
    if tick is not None:
        press(wait_for("Show Advanced Options", lambda: descendant(parent,
                                                                   "Show Advanced Options")))
        press(wait_for(tick, lambda: descendant(parent, tick)))
    press(wait_for(button, lambda: descendant(parent, button, (pyatspi.ROLE_PUSH_BUTTON,))))
    wait_for("the box " + title, lambda: descendant(app, title, WINDOWS))
    print("open", flush=True)
    return 0


def text_of(node):
    """What a screen reader reads from a node: its name, its description
    and its text."""
    said = [node.name or "", node.description or ""]
    try:
        text = node.queryText()
        said.append(text.getText(0, text.characterCount))
    except NotImplementedError:
        pass
    return "\n".join(said)


def figures(app_name, count, line):
    announced = []
    pyatspi.Registry.registerEventListener(
        lambda event: announced.append(event.source), "window:create",
        "object:state-changed:showing")
    print("ready", flush=True)
    app = wait_for("application " + app_name, lambda: application(app_name))
    wait_for("the count " + count, lambda: pyatspi.findDescendant(
        app, lambda node: node is not None and node.name == "Number of New Messages" and
        count in text_of(node).split("\n")))
    popup = wait_for("the popup announced", lambda: next(
        (node for node in announced
         if node is not None and node.getRole() == pyatspi.ROLE_NOTIFICATION), None))
    wait_for("the popup's line " + line, lambda: pyatspi.findDescendant(
        popup, lambda node: node is not None and node.name == "Accounts with new mail" and
        line in text_of(node).split("\n")))
    return 0


def main():
    if sys.argv[1] == "--figures":
        return figures(*sys.argv[2:5])
    pyatspi.Registry.registerEventListener(
        heard, "window:create", "object:state-changed:showing", "focus:",
        "object:state-changed:focused", "object:children-changed")
    print("ready", flush=True)
    app_name = sys.argv[1]
    app = wait_for("application " + app_name, lambda: application(app_name))
    if sys.argv[2] == "--open":
        return open_box(app, sys.argv[3])
    if sys.argv[2] == "--imap":
        return add_imap(app, sys.argv[3:9])
    if sys.argv[2] == "--notice":
        window = open_settings(app)
        wait_for("the line " + sys.argv[3], lambda: descendant(window, sys.argv[3]))
        return 0
    account, address, user, password = sys.argv[2:6]

    window = open_settings(app)
    dialog = open_dialog(app, window, (account, address, user, password))
    # The test's server speaks in clear.
    choose(dialog, "Security", "None - password sent unencrypted")
    press(wait_for("Set", lambda: descendant(dialog, "Set", (pyatspi.ROLE_PUSH_BUTTON,))))

    wait_for("row " + account, lambda: descendant(window, account) if descendant(
        app, "Account Information - Add Account") is None else None)
    press(wait_for("Check All", lambda: descendant(window, "Check All",
                                                   (pyatspi.ROLE_PUSH_BUTTON,))))

    def checked():
        return pyatspi.findDescendant(
            window, lambda node: node is not None and node.name.endswith("Messages Found"))
    wait_for("a row telling the messages found", checked)
    return 0


if __name__ == "__main__":
    sys.exit(main())
