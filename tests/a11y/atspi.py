"""Reads the running client through the accessibility bus as a screen reader does: every
window's controls by name and role, and the text each label, box and status line shows."""
import os, re, subprocess, sys, time
import pyatspi
from gi.repository import GLib

out, client_pid, x11_hints = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "1"
failures = []


def wait(probe, what, seconds=15, fatal=True):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            found = probe()
        except Exception:
            found = None
        if found:
            return found
        time.sleep(0.1)
    if fatal:
        sys.exit("timed out waiting for " + what)
    failures.append("timed out waiting for " + what)


def nodes(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from nodes(child)


def shown(acc):
    """What the bus serves as the control's text: its name, or its Text interface."""
    try:
        text = acc.queryText()
        return acc.name + "\n" + text.getText(0, text.characterCount)
    except NotImplementedError:
        return acc.name


def app():
    return next(a for a in pyatspi.Registry.getDesktop(0) if a and a.get_process_id() == client_pid)


def window(caption):
    return wait(lambda: next(w for w in app() if w.name == caption and w.childCount), caption)


def press(root, role, name):
    acc = wait(lambda: next(n for n in nodes(root) if n.getRoleName() == role and n.name == name),
               role + " " + name)
    acc.queryAction().doAction(0)


def check(caption, controls):
    """controls: (role, name pattern, description) for every control that must be there."""
    found = [(n.getRoleName(), shown(n), n.description) for n in nodes(window(caption))]
    with open(os.path.join(out, "bus.txt"), "a") as log:
        log.write("== %s\n" % caption + "".join("%s | %r | %r\n" % f for f in found))
    for role, pattern, description in controls:
        if not any(r == role and re.search(pattern, text) and (description is None or d == description)
                   for r, text, d in found):
            failures.append("%s: no %s showing /%s/ (%s)" % (caption, role, pattern, description))


def pixels(caption, answer_text, colour):
    """Finds the box on a real screenshot and counts its pixels of the text's own colour."""
    box = next((n for n in nodes(window(caption)) if n.name.startswith(answer_text) or
                n.description in ("Answer", "Description") or n.name in ("Answer", "Description")), None)
    if box is None:
        return failures.append("%s: no answer box on the bus" % caption)
    e = box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    shot = os.path.join(out, caption.strip(".").replace(" ", "_") + ".png")
    subprocess.run(["/usr/bin/import", "-window", "root", shot], check=True)
    crop = subprocess.run(["/usr/bin/convert", shot, "-crop", "%dx%d+%d+%d" % (e.width - 4, e.height - 4, e.x + 2, e.y + 2),
                           "-depth", "8", "txt:-"], check=True, capture_output=True, text=True).stdout
    lit = sum(1 for line in crop.splitlines()[1:]
              if all(abs(int(v) - c) < 40 for v, c in zip(re.search(r"\((\d+),(\d+),(\d+)", line).groups(), colour)))
    if lit < 20:
        failures.append("%s: %d pixels of the text colour %s in the box on screen" % (caption, lit, colour))


# A changed text must reach the screen reader as an event, not only when it asks again.
changed = []
pyatspi.Registry.registerEventListener(lambda e: changed.append(e.source.name if e.source else ""),
                                       "object:property-change:accessible-name")


def hear(pattern, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if any(re.search(pattern, name) for name in changed):
            return
        GLib.MainContext.default().iteration(False) or time.sleep(0.02)
    failures.append("no change to /%s/ was announced" % pattern)

main = window("Brackmoor Chat v3.05")
hear(r"^\d{1,2}:\d\d:\d\d")
check("Brackmoor Chat v3.05", [
    ("text", r"Message", None), ("push button", r"^Send$", None), ("panel", r"Chatting Options", None),
    ("label", r"^\d{1,2}:\d\d:\d\d( ?[AP]M)?$", "Time"), ("label", r"\d", "Date"),
    ("label", r"^Not connected$", "Connection status"), ("image", r"banner", None)])
for menu, caption, prompt, answer in [
        ("How do I...", "How do I....", "How do I connect?", "You must first have a valid connection"),
        ("Battle.net Chat Commands", "Battle.net Chat Commands", "/whoami", "This will tell you your battle.net account")]:
    press(main, "menu item", menu)
    win = window(caption)
    field = wait(lambda: next(n for n in nodes(win) if n.getRoleName() == "text"), "edit field")
    field.queryEditableText().setTextContents(prompt)
    press(win, "push button", "Answer!")
    hear("^" + answer)
    wait(lambda: any(n.name.startswith(answer) for n in nodes(win)), "the answer on the bus", 5, fatal=False)
    check(caption, [("combo box", r".", None), ("push button", r"^Answer!$", None),
                    ("label", "^" + answer, "Description" if "Chat" in caption else "Answer")])
    pixels(caption, answer, (0, 192, 0))

press(main, "menu item", "LogIn")
login = window("Log In")
boxes = [n for n in nodes(login) if n.getRoleName() in ("text", "password text")]
secret = "zebu-Kiq7"
for box in boxes:
    if box.getRoleName() == "password text":
        subprocess.run(["xdotool", "search", "--name", "^Log In$", "windowactivate", "--sync"], timeout=10)
        box.queryComponent().grabFocus()
        subprocess.run(["xdotool", "type", "--delay", "20", secret], check=True, timeout=10)
    else:
        box.queryEditableText().setTextContents("someone")
check("Log In", [("text", r"someone", None), ("password text", r"^Password:\n\**$", None),
                 ("push button", r"^Connect$", None), ("push button", r"^Log On!$", None)])
if any(secret in shown(n) or "Kiq7" in shown(n) for n in nodes(login)):
    failures.append("Log In: the password is readable on the bus")
for menu, caption, controls in [
        ("About", "About Brackmoor Chat v3.05", [("link", r".", None), ("push button", "^Close$", None), ("label", r"Brackmoor Chat", None)]),
        ("System Requirements", "System Requirements", [("label", r"66Mhz Pentium", None), ("push button", "^Close$", None)]),
        ("IP Teller", "Your IP", [("text", r"Your IP", None), ("push button", "^Tell Me$", None)]),
        ("Channels", "Join Channel...", [("list", r"Channels", None), ("push button", "^Join$", None)])]:
    press(main, "menu item", menu)
    check(caption, controls)

# The help windows, like the connection windows, keep out of the taskbar; the main window does
# not. A build without the X11 code leaves it to the window type.
for caption, skips in [("How do I....", True), ("Battle.net Chat Commands", True),
                       ("System Requirements", True), ("Log In", True), ("Brackmoor Chat v3.05", False)][:x11_hints * 5]:
    state = subprocess.run(["xprop", "-name", caption, "_NET_WM_STATE"], capture_output=True,
                           text=True, timeout=10).stdout
    if ("_NET_WM_STATE_SKIP_TASKBAR" in state) != skips:
        failures.append("%s: taskbar state %r" % (caption, state.strip()))

print("\n".join(failures) or "every window serves its controls and their text")
sys.exit(1 if failures else 0)
