"""The client as a screen reader reads it: controls, texts, announced changes, the masked
password, answers on a screenshot. Usage: atspi.py CLIENT OUTDIR X11HINTS"""
import atexit, contextlib, os, re, subprocess, sys, time
import pyatspi
from gi.repository import Gio, GLib

client, out, x11_hints = sys.argv[1], sys.argv[2], sys.argv[3] == "1"
failures, changed = [], []


def wait(probe, what, seconds=15, fatal=True):
    deadline = time.time() + seconds
    while time.time() < deadline:
        while GLib.MainContext.default().iteration(False):
            pass  # delivers the events that have come in
        with contextlib.suppress(Exception):  # a control may go while it is looked at
            if found := probe():
                return found
        time.sleep(0.05)
    (sys.exit if fatal else failures.append)("timed out waiting for " + what)


def registered_events():
    """What the registry answers a client that asks which events someone listens to."""
    call = lambda bus, name, path, method: bus.call_sync(name, path, name, method, None, None, 0, -1).unpack()[0]
    address = call(Gio.bus_get_sync(Gio.BusType.SESSION), "org.a11y.Bus", "/org/a11y/bus", "GetAddress")
    flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
    bus = Gio.DBusConnection.new_for_address_sync(address, flags)
    return str(call(bus, "org.a11y.atspi.Registry", "/org/a11y/atspi/registry", "GetRegisteredEvents"))


# The client asks the registry which events are listened to once, as it starts.
pyatspi.Registry.registerEventListener(lambda e: changed.append(e.source.name if e.source else ""),
                                       "object:property-change:accessible-name")
wait(lambda: re.search("accessible-?name", registered_events(), re.I), "the registry to know the listener")
wait(lambda: "window" in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                        capture_output=True, text=True).stdout, "the window manager")
with open(os.path.join(out, "client.log"), "w") as log:
    process = subprocess.Popen([client], stdout=log, stderr=subprocess.STDOUT,
                               env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb"))
atexit.register(lambda: process.poll() is None and (process.terminate(), process.wait(10)))


nodes = lambda acc: pyatspi.findAllDescendants(acc, lambda n: True)


def shown(acc):
    """What the bus serves as the control's text: its name, or its Text interface."""
    try:
        text = acc.queryText()
        return acc.name + "\n" + text.getText(0, text.characterCount)
    except NotImplementedError:
        return acc.name


def window(caption):
    app = lambda: next(a for a in pyatspi.Registry.getDesktop(0) if a and a.get_process_id() == process.pid)
    return wait(lambda: next(w for w in app() if w.name == caption and w.childCount), caption)


find = lambda root, test, what: wait(lambda: next(n for n in nodes(root) if test(n)), what)


def press(root, role, name):
    find(root, lambda n: n.getRoleName() == role and n.name == name, role + " " + name).queryAction().doAction(0)


def hear(pattern):  # an accessible-name change announced
    wait(lambda: any(re.search(pattern, name) for name in changed), "an announced change to /%s/" % pattern, 10, False)


def check(caption, controls):
    """controls: (role, pattern of the shown text, description or None) that must be there."""
    found = [(n.getRoleName(), shown(n), n.description) for n in nodes(window(caption))]
    with open(os.path.join(out, "bus.txt"), "a") as log:
        log.write("== %s\n" % caption + "".join("%s | %r | %r\n" % f for f in found))
    for role, pattern, description in controls:
        if not any(r == role and re.search(pattern, t) and description in (None, d) for r, t, d in found):
            failures.append("%s: no %s showing /%s/ (%s)" % (caption, role, pattern, description))


def pixels(caption, box, colour):
    """Counts the pixels of the text's colour on the screen inside the box's extents on the bus."""
    e = box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    shot = os.path.join(out, caption.strip(".").replace(" ", "_") + ".ppm")
    crop = "%dx%d+%d+%d" % (e.width - 4, e.height - 4, e.x + 2, e.y + 2)
    subprocess.run(["/usr/bin/import", "-window", "root", "-crop", crop, "-depth", "8", shot], check=True)
    rgb = open(shot, "rb").read().split(b"\n", 3)[3]  # after the header: magic, size, maximum
    lit = sum(all(abs(v - c) < 40 for v, c in zip(rgb[i:i + 3], colour)) for i in range(0, len(rgb), 3))
    if lit < 20:
        failures.append("%s: %d pixels of the text colour %s in the box on screen" % (caption, lit, colour))


main = window("Brackmoor Chat v3.05")
hear(r"^\d{1,2}:\d\d:\d\d")
check("Brackmoor Chat v3.05", [
    ("text", r"Message", None), ("push button", r"^Send$", None), ("panel", r"Chatting Options", None),
    ("label", r"^\d{1,2}:\d\d:\d\d( ?[AP]M)?$", "Time"), ("label", r"\d", "Date"),
    ("label", r"^Not connected$", "Connection status"), ("image", r"banner", None)])
for menu, caption, prompt, answer, label in [
        ("How do I...", "How do I....", "How do I connect?", "You must first have a valid connection", "Answer"),
        ("Battle.net Chat Commands", "Battle.net Chat Commands", "/whoami", "This will tell you your battle.net account", "Description")]:
    press(main, "menu item", menu)
    win = window(caption)
    find(win, lambda n: n.getRoleName() == "text", "edit field").queryEditableText().setTextContents(prompt)
    press(win, "push button", "Answer!")
    hear("^" + answer)
    box = find(win, lambda n: n.name.startswith(answer), "the answer on the bus")
    check(caption, [("combo box", r".", None), ("push button", r"^Answer!$", None), ("label", "^" + answer, label)])
    pixels(caption, box, (0, 192, 0))

press(main, "menu item", "LogIn")
login = window("Log In")
secret = "zebu-Kiq7"
find(login, lambda n: n.getRoleName() == "text", "the user-name box").queryEditableText().setTextContents("someone")
box = find(login, lambda n: n.getRoleName() == "password text", "the password box")
subprocess.run(["xdotool", "search", "--name", "^Log In$", "windowactivate", "--sync"], timeout=10)
box.queryComponent().grabFocus()
subprocess.run(["xdotool", "type", "--delay", "20", secret], check=True, timeout=10)
wait(lambda: box.queryText().characterCount == len(secret), "the typed password", 10, False)
check("Log In", [("text", r"someone", None), ("password text", r"^Password:\n\**$", None),
                 ("push button", r"^Connect$", None), ("push button", r"^Log On!$", None)])
if any("Kiq7" in shown(n) for n in nodes(login)):
    failures.append("Log In: the password is readable on the bus")
for menu, caption, controls in [
        ("About", "About Brackmoor Chat v3.05", [("link", r".", None), ("push button", "^Close$", None), ("label", r"Brackmoor Chat", None)]),
        ("System Requirements", "System Requirements", [("label", r"66Mhz Pentium", None), ("push button", "^Close$", None)]),
        ("IP Teller", "Your IP", [("text", r"Your IP", None), ("push button", "^Tell Me$", None)]),
        ("Channels", "Join Channel...", [("list", r"Channels", None), ("push button", "^Join$", None)])]:
    press(main, "menu item", menu)
    check(caption, controls)

# Only the main window is in the taskbar.
for caption in ["How do I....", "System Requirements", "Log In", "Brackmoor Chat v3.05"][:x11_hints * 4]:
    state = subprocess.run(["xprop", "-name", caption, "_NET_WM_STATE"], capture_output=True, text=True, timeout=10).stdout
    if ("_NET_WM_STATE_SKIP_TASKBAR" in state) != (caption != "Brackmoor Chat v3.05"):
        failures.append("%s: taskbar state %r" % (caption, state.strip()))

print("\n".join(failures) or "every window serves its controls and their text")
sys.exit(1 if failures else 0)
