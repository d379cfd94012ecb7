# SPDX-License-Identifier: MIT
# The window as a screen reader meets it, under xvfb-run and dbus-run-session: names, states, extents and
# the status bar read from the accessibility tree, keys typed by xdotool. Usage: screen_reader_test.py CYCLOTRIM GEN
import atexit, os, re, subprocess, sys, time
try:
    import pyatspi
    from gi.repository import GLib
except ImportError:
    sys.exit(print("SKIP: needs python3-pyatspi and at-spi2-core") or 77)
NAMES = {"Start", "Clear", "Copy", "Cycles:", "Cycle count", "Time in seconds", "Clock in MHz", "Listing",
         "Register of loop WL0", "Register of loop WL1", "Register of loop WL2"}
LISTS = {"Register list of loop WL0", "Register list of loop WL1", "Register list of loop WL2", "Clock list"}
DONE = " Created %d lines of assembler code."
# An arrow key on the chosen one of Cycles and Time, a text typed into an entry and Enter: the count and status.
STARTS = [("Up", "Cycle count", "1000", "1000", DONE[1:] % 7),
          ("Down", "Time in seconds", "1ms", "4000", DONE[1:] % 7),
          ("Left", "Cycle count", "1000abc", "1000abc", 'Cycles read as 1000; "abc" ignored.' + DONE % 7),
          ("Right", "Clock in MHz", "7,3728", "7000", '"7,3728" is not a clock frequency: the decimal point is ".", as in 16MHz.'),
          ("Down", "Clock in MHz", "fast", "7000", '"fast" is not a clock frequency: give a number and a unit Hz, kHz or MHz, such as 16MHz.')]
failures, program, heard = [], None, []

def check(what, ok, seen=""):
    print(f"ok {what}" if ok else f"FAIL {what}: {seen!r}")
    failures.extend([] if ok else [what])
def poll(found, seconds=3):  # the first true value found() gives within the time
    for _ in range(seconds * 20):
        if value := found():
            return value
        time.sleep(0.05)
        while GLib.MainContext.default().iteration(False):  # the events a screen reader hears
            pass
def has(node, *states):
    return all(node.getState().contains(state) for state in (pyatspi.STATE_SHOWING, *states))
def showing(*states, node=None):  # the nodes showing, with `states`, outside the pickers' closed lists
    node = node or app
    if has(node, *states):
        yield node
    for child in node if node.getRoleName() != "menu" else []:
        yield from showing(*states, node=child)
def find(name, role="text", *states):  # any name for None
    return next(n for n in showing(*states) if n.getRoleName() == role and name in (None, n.name))
def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True, timeout=20).stdout
def started():  # again while the new X server turns its first client away
    global program
    if program is None or program.poll() is not None:
        env = {name: value for name, value in os.environ.items() if name != "NO_AT_BRIDGE"}
        program = subprocess.Popen([sys.argv[1]], env={**env, "LC_ALL": "C.UTF-8"}, stdout=subprocess.DEVNULL)
    return next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "cyclotrim" and a.childCount), None)

atexit.register(lambda: program.kill())
app = poll(started, 10) or sys.exit("FAIL: no cyclotrim on the accessibility bus")
window = xdotool("search", "--sync", "--onlyvisible", "--name", "^AVR Cyclotrim$").split()[0]
xdotool("windowfocus", "--sync", window)
controls = [n for n in showing() if n.getRoleName() == "combo box" or n.getState().contains(pyatspi.STATE_FOCUSABLE)]
names = [(n.getRoleName(), n.name) for n in controls]
check("every control named", all(name for _, name in names) and NAMES <= {name for _, name in names}, names)

# At the smallest size the window allows, every control lies inside it, and Tab reaches each.
hints = subprocess.check_output(["xprop", "-id", window, "WM_NORMAL_HINTS"], text=True)
size = re.search(r"minimum size: (\d+) by (\d+)", hints).groups()
xdotool("windowsize", "--sync", window, *size)
def outside():
    box = app[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    within = lambda e: box.x <= e.x <= e.x + e.width <= box.x + box.width and box.y <= e.y <= e.y + e.height <= box.y + box.height
    return [n.name for n in controls if (str(box.width), str(box.height)) != size or not has(n)
            or not within(n.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))]
check(f"every control inside the window at {size}", poll(lambda: not outside()), outside())
pyatspi.Registry.registerEventListener(lambda e: e.detail1 and heard.append(e.source.name), "object:state-changed:focused")
reached, focus = set(), set()
for _ in range(15):  # each Tab waits for the focus to move on
    xdotool("key", "Tab")
    focus = poll(lambda: (now := {(n.getRoleName(), n.name) for n in showing(pyatspi.STATE_FOCUSED)}) != focus and now) or focus
    reached |= {name for _, name in focus}
check("Tab reaches every control", NAMES <= reached, NAMES - reached)
check("every Tab stop heard by name", all(heard) and LISTS <= set(heard), heard)

for arrow, entry, text, count, status in STARTS:
    find(None, "radio button", pyatspi.STATE_CHECKED).queryComponent().grabFocus()
    xdotool("key", arrow)
    mode = find("Cycles:" if arrow in ("Up", "Left") else "Time:", "radio button")
    chosen = poll(lambda: has(mode, pyatspi.STATE_CHECKED, pyatspi.STATE_FOCUSED))
    find(entry).queryComponent().grabFocus()
    xdotool("key", "ctrl+a", "BackSpace")
    xdotool("type", "--delay", "30", text)
    xdotool("key", "Return")
    bar, cycles = find(None, "status bar"), find("Cycle count").queryText()
    check(f"{arrow} chooses {mode.name}, {text!r} in {entry}",
          chosen and poll(lambda: bar.name == status) and cycles.getText(0, -1) == count, (chosen, bar.name, cycles.getText(0, -1)))
# The table's window rows in Time mode, in order: the window writes the companion's count and listing, or nothing.
listing, entries = find("Listing").queryText(), [f"Register of loop WL{n}" for n in range(3)] + ["Clock in MHz", "Time in seconds"]
for row in (line.rstrip("\n").split("\t") for line in open(os.path.dirname(__file__) + "/../window_requests.tsv")):
    if row[-1] != "window":
        continue
    for entry, text in zip(entries, [*row[3:6], row[2], row[1]]):
        find(entry).queryComponent().grabFocus()
        xdotool("key", "ctrl+a", "BackSpace", *(["type", "--delay", "30", "--", text] if text else []))
    before, _ = listing.getText(0, -1), xdotool("key", "Return")
    out = subprocess.run([sys.argv[2], "-t", row[1], "-f", row[2], "-r", ",".join(row[3:6])], capture_output=True, text=True).stdout
    out = out[out.find(";<==="):]
    status = DONE[1:] % sum(line[:1] not in ("", ";") for line in out.split("\n")) if out else row[6]
    check(f"{row[1:6]} through the window", poll(lambda: bar.name == status) and listing.getText(0, -1) == before + out
          and (not out or cycles.getText(0, -1) == row[6]), (bar.name, cycles.getText(0, -1)))
sys.exit(1 if failures else 0)
