#!/usr/bin/python3
"""The program as a screen reader meets it: run on a private X server with its own D-Bus session,
AT-SPI bus and registry, against the controller simulator, and read and driven from outside the
process through AT-SPI only.

usage: test_screen_reader.py PROGRAM CONTROLLER_SIM
"""
import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from gi.repository import GLib

PROGRAM, SIM = sys.argv[1], sys.argv[2]
del sys.argv[1:3]

TIMEOUT = 20.0  # seconds any awaited condition may take under the sanitizers
PANELS = "0x02=Orv15:4,0x03=Orv18:1,0x06=Orv11:10"


class Stack:
    """Xvfb, a D-Bus session, the AT-SPI bus launcher and registry, the simulator and the program."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="orv-a11y-")
        self.procs = []
        self.logs = []
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("DBUS_", "AT_SPI", "QT_", "DISPLAY", "XDG_RUNTIME"))}
        self.env["XDG_RUNTIME_DIR"] = self.dir
        self.env["HOME"] = self.dir

    def start(self, args, log, env=None):
        out = open(os.path.join(self.dir, log), "wb")
        self.logs.append(out)
        p = subprocess.Popen(args, env=env or self.env, stdout=out, stderr=subprocess.STDOUT,
                             stdin=subprocess.DEVNULL)
        self.procs.append(p)
        return p

    def up(self):
        r, w = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                env=self.env, pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(xvfb)
        os.close(w)
        with os.fdopen(r) as f:
            self.env["DISPLAY"] = ":" + f.readline().strip()

        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env=self.env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.procs.append(bus)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()

        # --a11y=1 turns accessibility on for the whole session, so Qt's bridge starts.
        self.start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately", "--a11y=1"], "launcher.log")
        self.a11y = wait_for(self.a11y_address, "the accessibility bus")
        self.start(["/usr/libexec/at-spi2-registryd", "--use-gnome-session=0"], "registryd.log",
                   env=dict(self.env, AT_SPI_BUS_ADDRESS=self.a11y))
        # A program that starts before the registry is on the bus is never listed on the desktop.
        wait_for(self.registry_up, "the accessibility registry")

        self.sim_log = os.path.join(self.dir, "sim.log")
        self.start([SIM, "--port", "0", "--panels", PANELS], "sim.log")
        port = wait_for(lambda: re.search(r"listening on [\d.]+:(\d+)", read(self.sim_log)), "the simulator")[1]

        folder = os.path.join(self.dir, "program")
        os.mkdir(folder)
        program = os.path.join(folder, os.path.basename(PROGRAM))
        shutil.copy(PROGRAM, program)
        with open(program + ".INI", "w") as f:
            f.write("[TCPIP]\nAddress=127.0.0.1\nPort=%s\n" % port)
        self.program_path = program

    def start_program(self):
        # Qt finds the accessibility bus through the session bus; with AT_SPI_BUS_ADDRESS set it
        # connects but never registers.
        # Qt also reads whether accessibility is on from the session, which a loaded machine may
        # answer after Qt has asked; the program is told so itself.
        env = dict(self.env, QT_QPA_PLATFORM="xcb", ASAN_OPTIONS="detect_leaks=0", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.program = self.start([self.program_path], "program.log", env=env)

    def a11y_address(self):
        r = subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply=literal", "/org/a11y/bus",
                            "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True, text=True)
        return r.stdout.strip() if r.returncode == 0 and r.stdout.strip() else None

    def registry_up(self):
        r = subprocess.run(["dbus-send", "--bus=" + self.a11y, "--dest=org.freedesktop.DBus", "--print-reply=literal",
                            "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                            "string:org.a11y.atspi.Registry"], env=self.env, capture_output=True, text=True)
        return r.returncode == 0 and "true" in r.stdout

    def down(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
        for p in reversed(self.procs):
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        for out in self.logs + [p.stdout for p in self.procs if p.stdout]:
            out.close()
        shutil.rmtree(self.dir, ignore_errors=True)


def read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def wait_for(condition, what, timeout=TIMEOUT):
    """Runs the event loop until `condition` returns something true, and returns it."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        pump(0.05)


stack = Stack()
pyatspi = None
events = []  # (type, role, name, detail1, text) of every event heard, in order


def pump(seconds):
    """Hands AT-SPI's events to the listener; returns after the first, or after `seconds`."""
    context = GLib.MainContext.default()
    woken = []
    wake = GLib.timeout_add(int(seconds * 1000), lambda: woken.append(True))
    context.iteration(True)
    while context.pending():
        context.iteration(False)
    if not woken:
        GLib.source_remove(wake)


def heard(event):
    try:
        source = event.source
        role = source.getRoleName()
        # What a reader asking on a value event hears (Qt's event itself carries no value).
        text = display_text(source) if event.type.endswith("accessible-value") and role == "text" else None
        events.append((event.type, role, source.name, event.detail1, text))
    except Exception:  # an object gone before it was read
        pass


def setUpModule():
    global pyatspi
    try:
        stack.up()
        os.environ.update({k: stack.env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")})
        os.environ["AT_SPI_BUS_ADDRESS"] = stack.a11y  # the test's own client; the program finds the bus itself
        import pyatspi as atspi
        pyatspi = atspi
        # Qt sends only the events someone listens for: listen before the program starts sending.
        pyatspi.Registry.registerEventListener(heard, "object:state-changed",
                                               "object:property-change:accessible-value")
        stack.start_program()
        wait_for(lambda: app(), "the program on the accessibility bus")
    except BaseException:
        stack.down()
        raise


def tearDownModule():
    stack.down()


def app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == os.path.basename(PROGRAM):
            return a
    return None


def find(pred, root=None):
    root = root or app()
    stack_ = [root]
    while stack_:
        o = stack_.pop()
        if o is None:
            continue
        if pred(o):
            return o
        stack_.extend(o.getChildAtIndex(i) for i in range(o.childCount - 1, -1, -1))
    return None


def showing(o):
    return o.getState().contains(pyatspi.STATE_SHOWING)


def named(name, role=None, root=None):
    o = wait_for(lambda: find(lambda x: x.name == name and (role is None or x.getRoleName() == role) and showing(x),
                              root), "'%s' on screen" % name)
    return o


def actions(o):
    a = o.queryAction()
    return [a.getName(i) for i in range(a.nActions)]


def do(o, action="Press"):
    a = o.queryAction()
    a.doAction(actions(o).index(action))


def box(title):
    return named(title, "panel")


def select(panel):
    do(named("Select panel " + panel))
    return box(panel)


def announced(since):
    """The texts of the notifications shown since event number `since`."""
    return [e[2] for e in events[since:] if e[0] == "object:state-changed:showing" and e[1] == "notification"
            and e[3] == 1]


def await_announcement(since, text):
    wait_for(lambda: text in announced(since), "the announcement '%s' (heard: %s)" % (text, announced(since)))


def display_text(o):
    t = o.queryText()
    return t.getText(0, t.characterCount)


def key(name):
    keysyms = {"Tab": 0xFF09, "Right": 0xFF53, "Left": 0xFF51, "space": 0x20, "Return": 0xFF0D}
    pyatspi.Registry.generateKeyboardEvent(keysyms[name], None, pyatspi.KEY_SYM)


def focus_window(title_start):
    """Gives the program's window the keyboard (there is no window manager to do it)."""
    x = ctypes.cdll.LoadLibrary("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    ulong_p = ctypes.POINTER(ctypes.c_ulong)
    x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ulong_p, ulong_p, ctypes.POINTER(ulong_p),
                             ctypes.POINTER(ctypes.c_uint)]
    x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    x.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    d = x.XOpenDisplay(os.environ["DISPLAY"].encode())
    root, parent, children, n = ctypes.c_ulong(), ctypes.c_ulong(), ulong_p(), ctypes.c_uint()
    x.XQueryTree(d, x.XDefaultRootWindow(d), ctypes.byref(root), ctypes.byref(parent), ctypes.byref(children),
                 ctypes.byref(n))
    for i in range(n.value):
        name = ctypes.c_char_p()
        if x.XFetchName(d, children[i], ctypes.byref(name)) and name.value \
                and name.value.decode().startswith(title_start):
            x.XSetInputFocus(d, children[i], 2, 0)  # RevertToParent, CurrentTime
    x.XCloseDisplay(d)


def focused():
    """Name and role of the object that last took the focus."""
    for e in reversed(events):
        if e[0] == "object:state-changed:focused" and e[3] == 1:
            return e[2], e[1]
    return None


def sim_received(command):
    return ("RX " + command) in read(stack.sim_log)


class ScreenReader(unittest.TestCase):
    """Connect and scan through AT-SPI once; each test then selects the panel it needs."""

    @classmethod
    def setUpClass(cls):
        cls.connected_from = len(events)
        do(named("Connection", "push button"))
        do(named("Scan and update system", "push button"))
        for panel in ("Orv15 @ address 0x02", "Orv18 @ address 0x03", "Orv11 @ address 0x06"):
            named("Select panel " + panel)
        box("Orv15 @ address 0x02")

    def test_0_the_connection_is_heard(self):
        await_announcement(self.connected_from, "Connected to the server")

    def test_a_display_reads_as_the_text_it_shows(self):
        orv11 = select("Orv11 @ address 0x06")
        position = named("Position", root=orv11)
        self.assertEqual(display_text(position), "0A")
        self.assertIn("Value", pyatspi.listInterfaces(position))
        self.assertTrue(position.getState().contains(pyatspi.STATE_FOCUSABLE))

        since = len(events)
        do(named("Step up 1", root=orv11))
        wait_for(lambda: display_text(position) == "0B", "the display to show 0B")
        # The value event still comes, and a reader asking then hears the new text.
        wait_for(lambda: any(e[0] == "object:property-change:accessible-value" and e[2] == "Position"
                             for e in events[since:]), "the display's value event")
        await_announcement(since, "Position 0B")
        self.assertTrue(sim_received("#0x06 Set X:1=11"))

    def test_b_ports_are_announced_and_their_action_sends(self):
        orv15 = select("Orv15 @ address 0x02")
        port3 = named("Port 3", "check box", root=orv15)
        # One action, a press; no toggle that would mark the port without switching it.
        self.assertEqual([a for a in actions(port3) if a != "SetFocus"], ["Press"])
        since = len(events)
        do(port3)
        wait_for(lambda: sim_received("#0x02 Set X:1=3"), "the set command at the controller")
        await_announcement(since, "Port 3")
        wait_for(lambda: port3.getState().contains(pyatspi.STATE_CHECKED), "port 3 to read as in use")
        self.assertEqual(display_text(named("Port", root=orv15)), "3")

    def test_c_an_empty_port_label_has_a_name_of_its_own(self):
        orv18 = select("Orv18 @ address 0x03")
        labels = [orv18.getChildAtIndex(i) for i in range(orv18.childCount)]
        names = [o.name for o in labels if o is not None and o.getRoleName() == "label"]
        self.assertNotIn("Orv18 @ address 0x03", names)
        self.assertEqual(names.count("no label"), 8, names)

    def test_d_the_panel_is_used_from_the_keyboard(self):
        orv18 = select("Orv18 @ address 0x03")
        focus_window("Orvane")
        frame = app().getChildAtIndex(0)
        wait_for(lambda: frame.getState().contains(pyatspi.STATE_ACTIVE), "the window to be active")
        named("Panel name").queryComponent().grabFocus()
        wait_for(lambda: focused() == ("Panel name", "text"), "the focus on the panel name")
        key("Tab")
        wait_for(lambda: focused() == ("Port", "text"), "the focus on the display (%s)" % (focused(),))
        key("Tab")
        wait_for(lambda: focused() == ("Port 1", "check box"), "Tab into the ports (%s)" % (focused(),))
        key("Right")
        key("Right")
        wait_for(lambda: focused() == ("Port 3", "check box"), "Right to port 3 (%s)" % (focused(),))
        self.assertFalse(sim_received("#0x03 Set X:1=2"), "an arrow key switched the panel")
        since = len(events)
        key("space")
        wait_for(lambda: sim_received("#0x03 Set X:1=3"), "Space to switch to port 3")
        await_announcement(since, "Port 3")
        key("Left")
        wait_for(lambda: focused() == ("Port 2", "check box"), "Left to port 2")
        key("Return")
        wait_for(lambda: sim_received("#0x03 Set X:1=2"), "Enter to switch to port 2")
        # The ports are one stop: Tab leaves them.
        key("Tab")
        wait_for(lambda: focused() and not focused()[0].startswith("Port "), "Tab out of the ports")

    def test_e_display_changes_are_told_at_a_rate(self):
        orv11 = select("Orv11 @ address 0x06")
        position = named("Position", root=orv11)
        up = named("Step up 1", root=orv11)
        start = int(display_text(position), 16)
        since = len(events)
        presses = 12
        for _ in range(presses):
            do(up)
        final = "%02X" % min(255, start + presses)

        def told():
            return [e[4] for e in events[since:]
                    if e[0] == "object:property-change:accessible-value" and e[2] == "Position"]
        # Every press changes the display (and so may each reply); the last value is always told.
        wait_for(lambda: told() and told()[-1] == final, "the value event of %s (heard %s)" % (final, told()))
        self.assertLess(len(told()), presses)

    def test_f_a_disconnect_is_heard(self):
        since = len(events)
        do(named("Connection", "push button"))
        await_announcement(since, "Disconnected from the server")
        wait_for(lambda: not find(lambda x: x.name.startswith("Orv11 @") and showing(x)), "the boxes to go")


if __name__ == "__main__":
    unittest.main(verbosity=2, warnings="ignore")
