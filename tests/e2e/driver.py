"""Drives the real gpstracking program as a technician would, through the desktop's
accessibility interface (AT-SPI), against the simulated tracking unit on a pseudo-terminal.

    with Desktop() as desktop:                      # Xvfb and the accessibility bus
        unit = Unit(sim_path, folder, ["--silent"])  # gpstracking-unit-sim as COM1
        program = Program(app_path, folder, desktop, com1=unit.link)
        program.press("Upload Configuration from GPS TRACKING system")
        box = program.message(timeout=10)           # Message(title, text)
        box.close()
        program.exit()

Controls are found by their accessible role and name: buttons by their captions, fields by the
caption labels the windows link to them. The whole process tree needs a private D-Bus session:
run the script through `dbus-run-session` (run.py re-executes itself that way).
"""

import os
import random
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

# Imported once the accessibility bus is up (Desktop.__enter__).
pyatspi = None


class Failure(AssertionError):
    pass


def wait_until(condition, timeout, what, interval=0.05):
    """Calls condition() until it returns something true, and returns that; Failure after
    `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def in_own_session(script, *args):
    """Runs `script` again under a D-Bus session of its own, once: the accessibility bus needs
    one. Returns in the run inside the session."""
    if os.environ.get("GPSTRACKING_E2E_SESSION") != "1":
        os.environ["GPSTRACKING_E2E_SESSION"] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable,
                                       os.path.abspath(script), *args])


class Desktop:
    """A private X display (Xvfb) and the accessibility bus on the current D-Bus session."""

    def __init__(self):
        self.processes = []
        self.runtime = None

    def __enter__(self):
        global pyatspi
        if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
            raise Failure("no D-Bus session: run under dbus-run-session")
        self.runtime = tempfile.mkdtemp(prefix="gpstracking-e2e-run-")
        os.chmod(self.runtime, 0o700)
        os.environ["XDG_RUNTIME_DIR"] = self.runtime
        os.environ["DISPLAY"] = ":" + str(self._start_xvfb())
        self.processes.append(subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        # The launcher registers the accessibility bus on the session bus.
        wait_until(self._bus_up, 10, "the accessibility bus")
        import pyatspi as module
        pyatspi = module
        return self

    def _start_xvfb(self):
        """Starts Xvfb on a free display and returns its number. Each display is claimed by
        the server's lock file, so runs side by side never share or disturb one."""
        log = open(os.path.join(self.runtime, "xvfb.log"), "wb")
        for _ in range(20):
            number = random.randrange(100, 1000)
            if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(
                    f"/tmp/.X11-unix/X{number}"):
                continue
            process = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=log)
            deadline = time.monotonic() + 10
            while process.poll() is None and time.monotonic() < deadline:
                probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                try:
                    probe.connect(f"/tmp/.X11-unix/X{number}")
                    self.processes.append(process)
                    return number
                except OSError:
                    time.sleep(0.05)
                finally:
                    probe.close()
            if process.poll() is None:
                process.kill()
                process.wait()
        raise Failure("Xvfb did not start")

    def health(self):
        """What is wrong with the display or the bus, if anything."""
        problems = []
        for process in self.processes:
            if process.poll() is not None:
                problems.append(f"{process.args[0]} ended with {process.returncode}")
        try:
            with open(os.path.join(self.runtime, "xvfb.log")) as log:
                tail = log.read()[-500:]
        except OSError:
            tail = ""
        if problems and tail:
            problems.append("Xvfb said: " + tail)
        return "; ".join(problems)

    @staticmethod
    def _bus_up():
        # Asked without starting anything: a call to the bus itself would have D-Bus start a
        # second launcher, and the two would race for the bus and for the display's note of it.
        result = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
             "string:org.a11y.Bus"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return result.returncode == 0 and b"boolean true" in result.stdout

    def __exit__(self, *exc):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        shutil.rmtree(self.runtime, ignore_errors=True)
        return False


class Exchange:
    """One operation as the simulated unit saw it."""

    def __init__(self, letter):
        self.letter = letter
        self.pc = b""      # what the PC sent after the unit's acceptance
        self.unit = b""    # what the unit sent from its acceptance on ("p" included)
        self.ended = False  # the unit finished the operation itself

    def __repr__(self):
        return f"Exchange({self.letter!r}, pc={len(self.pc)} bytes, unit={len(self.unit)} bytes)"


class Transcript:
    """What crossed the line, read from the simulated unit's --transcript file."""

    def __init__(self, path):
        self.pc = b""          # everything the PC sent
        self.unit = b""        # everything the unit sent
        self.exchanges = []    # each operation the unit accepted
        self.vanished = False
        try:
            with open(path) as file:
                lines = file.read().splitlines()
        except FileNotFoundError:
            lines = []
        current = None
        self.times = []  # (seconds, word, bytes or letter), line by line
        for line in lines:
            parts = line.split(" ")
            word, seconds = parts[0], float(parts[-1])
            rest = parts[1] if len(parts) == 3 else ""
            self.times.append((seconds, word, rest))
            if word == "pc":
                data = bytes.fromhex(rest)
                self.pc += data
                if current and not current.ended:
                    current.pc += data
                elif current:
                    current = None
            elif word == "unit":
                # The unit's last answer goes out after it has ended the operation.
                data = bytes.fromhex(rest)
                self.unit += data
                if current:
                    current.unit += data
            elif word == "accept":
                current = Exchange(rest)
                self.exchanges.append(current)
            elif word == "end" and current:
                current.ended = True

    def polls(self):
        return self.pc.count(b"O")


class Unit:
    """gpstracking-unit-sim on a pseudo-terminal, reached through the symlink `link`."""

    def __init__(self, sim, folder, args=(), name="unit"):
        self.link = os.path.join(folder, "com1")
        self.transcript_path = os.path.join(folder, f"{name}.transcript")
        self.stderr_path = os.path.join(folder, f"{name}.stderr")
        if os.path.lexists(self.link):
            os.unlink(self.link)
        self._stderr = open(self.stderr_path, "wb")
        self.process = subprocess.Popen(
            [sim, "--link", self.link, "--transcript", self.transcript_path, *args],
            stdout=subprocess.DEVNULL, stderr=self._stderr)
        wait_until(lambda: os.path.lexists(self.link) or self.process.poll() is not None, 5,
                   "the simulated unit's terminal")
        if self.process.poll() is not None:
            raise Failure(f"gpstracking-unit-sim {' '.join(args)} ended: {self.stderr()}")

    def transcript(self):
        return Transcript(self.transcript_path)

    def stderr(self):
        with open(self.stderr_path, "rb") as file:
            return file.read().decode("latin-1")

    def gone(self):
        return self.process.poll() is not None

    def stop(self):
        """Stops the unit; Failure when it had crashed or reported a sanitizer fault."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
                raise Failure("the simulated unit did not stop")
        self._stderr.close()
        if self.process.returncode != 0 or "Sanitizer" in self.stderr():
            raise Failure(f"the simulated unit ended with {self.process.returncode}: "
                          f"{self.stderr()}")


class Message:
    """A message box on the screen."""

    def __init__(self, program, accessible, title, text):
        self.program = program
        self.accessible = accessible
        self.title = title
        self.text = text

    def close(self):
        """Presses its OK button and waits until it has gone."""
        ok = self.program.find("push button", "OK", root=self.accessible)
        press(ok)
        wait_until(lambda: not self.program.messages(), 5, f"message {self.text!r} to close")

    def __repr__(self):
        return f"Message(title={self.title!r}, text={self.text!r})"


# Keys by their X keysyms.
KEY_TAB, KEY_RETURN, KEY_ESCAPE, KEY_SPACE = 0xFF09, 0xFF0D, 0xFF1B, 0x20


def key(keysym):
    """Presses and releases one key on the keyboard (the accessibility registry sends it through
    the X server), to whatever has the keyboard focus."""
    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)


def focused(accessible):
    return states(accessible).contains(pyatspi.STATE_FOCUSED)


def press(accessible):
    action = accessible.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click"):
            action.doAction(i)
            return
    action.doAction(0)


def states(accessible):
    return accessible.getState()


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


class Program:
    """The real gpstracking binary, in its own working folder, with COM1 set to `com1`."""

    def __init__(self, app, folder, com1, env=None, args=(), command=None):
        """`command`, when given, is what starts the program instead (a script that runs it)."""
        self.folder = folder
        environment = dict(os.environ)
        environment.update({
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "QT_QPA_PLATFORM": "xcb",
            "GPSTRACKING_COM1": com1,
            # The technician's unsaved edits are kept in the test's own folder.
            "XDG_STATE_HOME": os.path.join(folder, "state"),
        })
        environment.update(env or {})
        self.stderr_path = os.path.join(folder, "program.stderr")
        for attempt in (1, 2):
            self._stderr = open(self.stderr_path, "wb")
            self.process = subprocess.Popen(command or [app, *args], cwd=folder, env=environment,
                                            stdout=subprocess.DEVNULL, stderr=self._stderr)
            try:
                self.application = wait_until(self._find_application, 30,
                                              "the program on the accessibility bus")
                break
            except Failure:
                # Seen rarely with many X servers starting at once on a loaded machine: the
                # program cannot reach a display that is up. Once more, then it counts.
                if attempt == 2 or "could not connect to display" not in self.stderr():
                    raise
                print(f"  the program could not reach the display; starting it again")
                time.sleep(0.5)
        self.main = wait_until(lambda: self._window("GPS Trackingconfiguration menu"), 10,
                               "the main window")

    # --- finding things -------------------------------------------------------------------

    def _started(self, pid):
        """The program is the process started, or its child when a script started it."""
        if pid == self.process.pid:
            return True
        try:
            with open(f"/proc/{pid}/stat") as stat:
                return int(stat.read().rsplit(")", 1)[1].split()[1]) == self.process.pid
        except (OSError, ValueError, IndexError):
            return False

    def _find_application(self):
        self.check_alive()
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            try:
                candidate = desktop.getChildAtIndex(i)
                if candidate is not None and self._started(candidate.get_process_id()):
                    return candidate
            except Exception:
                continue
        return None

    def windows(self):
        result = []
        for i in range(self.application.childCount):
            child = self.application.getChildAtIndex(i)
            if child is not None:
                result.append(child)
        return result

    def _window(self, title_start):
        for window in self.windows():
            if (window.name or "").startswith(title_start):
                return window
        return None

    def window(self, title, timeout=5):
        """A top-level window of the program whose title starts with `title`."""
        return wait_until(lambda: self._window(title), timeout, f"window {title!r}")

    @staticmethod
    def _search(root, role, name, showing):
        stack = [root]
        while stack:
            node = stack.pop()
            if node is None:
                continue
            try:
                if node.getRoleName() == role and node.name == name and (
                        not showing or states(node).contains(pyatspi.STATE_SHOWING)):
                    return node
                # Lists and tables are searched only when asked for their own items.
                if role not in ("list item", "table cell") and node.getRoleName() in (
                        "list", "table", "tree table"):
                    continue
                stack.extend(node.getChildAtIndex(i) for i in range(node.childCount))
            except Exception:
                continue
        return None

    def find(self, role, name, root=None, timeout=5, showing=True):
        """The control of this role and accessible name (showing on the screen, unless
        `showing` is False), in `root` or in any window of the program."""
        def look():
            self.check_alive()
            for top in ([root] if root is not None else self.windows()):
                found = self._search(top, role, name, showing)
                if found is not None:
                    return found
            return None
        return wait_until(look, timeout, f"{role} {name!r}")

    def is_showing(self, name, role="push button"):
        self.check_alive()
        for top in self.windows():
            if self._search(top, role, name, True) is not None:
                return True
        return False

    def press(self, name, timeout=5):
        """Clicks the button of this caption."""
        press(self.find("push button", name, timeout=timeout))

    def set_text(self, name, text, root=None):
        """Types `text` into the field named `name`, replacing what it held."""
        field = self.find("text", name, root=root)
        field.queryEditableText().setTextContents(text)

    def field_beside(self, label, root, role="text"):
        """The showing field nearest to the right of (or else below) the label of this text:
        for fields whose caption is not linked to them."""
        caption = self.find("label", label, root=root)
        cx, cy, cw, ch = extents(caption)
        best = None
        stack = [root]
        while stack:
            node = stack.pop()
            try:
                if node.getRoleName() == role and states(node).contains(pyatspi.STATE_SHOWING):
                    x, y, w, h = extents(node)
                    if x >= cx + cw - 2 and abs((y + h / 2) - (cy + ch / 2)) < max(h, ch):
                        distance = x - (cx + cw)
                    elif y >= cy + ch - 2:
                        distance = 1000 + (y - cy - ch) + abs(x - cx)
                    else:
                        distance = None
                    if distance is not None and (best is None or distance < best[0]):
                        best = (distance, node)
                stack.extend(node.getChildAtIndex(i) for i in range(node.childCount))
            except Exception:
                continue
        if best is None:
            raise Failure(f"no {role} beside {label!r}")
        return best[1]

    def type_beside(self, label, text, root):
        self.field_beside(label, root).queryEditableText().setTextContents(text)

    def table(self, root, name="GPS Location Table :"):
        """The rows of the table of this name in `root`, as lists of cell texts."""
        table = self.find("table", name, root=root, showing=False).queryTable()
        return [[table.getAccessibleAt(row, column).name for column in range(table.nColumns)]
                for row in range(table.nRows)]

    def text(self, name, root=None, role="text"):
        field = self.find(role, name, root=root, showing=False)
        return field.queryText().getText(0, -1)

    # --- message boxes --------------------------------------------------------------------

    def messages(self):
        boxes = []
        for window in self.windows():
            try:
                if window.getRoleName() in ("alert", "dialog") and states(window).contains(
                        pyatspi.STATE_SHOWING):
                    labels = [window.getChildAtIndex(i) for i in range(window.childCount)]
                    texts = [label.name for label in labels
                             if label is not None and label.getRoleName() == "label" and label.name]
                    if window.getRoleName() == "alert":
                        boxes.append(Message(self, window, window.name, "\n".join(texts)))
            except Exception:
                continue
        return boxes

    def message(self, timeout):
        """Waits for a message box and returns it (still open)."""
        boxes = wait_until(self.messages, timeout, "a message box")
        if len(boxes) != 1:
            raise Failure(f"more than one message box: {boxes}")
        return boxes[0]

    def expect_message(self, title, text, timeout, at_least=0.0):
        """Waits for the message box of this title and text, checks it came no sooner than
        `at_least` seconds, closes it, and returns the seconds it took."""
        start = time.monotonic()
        box = self.message(timeout)
        took = time.monotonic() - start
        if (box.title, box.text) != (title, text):
            raise Failure(f"expected message {title!r} / {text!r}, got {box}")
        if took < at_least:
            raise Failure(f"message {text!r} came after {took:.1f} s, sooner than {at_least} s")
        box.close()
        return took

    def expect_no_message(self, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            boxes = self.messages()
            if boxes:
                raise Failure(f"unexpected message box {boxes[0]}")
            time.sleep(0.1)

    # --- the process ----------------------------------------------------------------------

    def stderr(self):
        with open(self.stderr_path, "rb") as file:
            return file.read().decode("latin-1")

    def cpu_seconds(self):
        """Processor time the program has used so far."""
        with open(f"/proc/{self.process.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def check_alive(self):
        if self.process.poll() is not None:
            display = os.environ.get("DISPLAY", "")
            socket_path = f"/tmp/.X11-unix/X{display.lstrip(':')}"
            probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            try:
                probe.connect(socket_path)
                reachable = "reachable"
            except OSError as error:
                reachable = f"unreachable ({error})"
            finally:
                probe.close()
            raise Failure(f"the program ended with {self.process.returncode} (display {display} "
                          f"{reachable}):\n{self.stderr()}")

    def exit(self):
        """Clicks EXIT; Failure unless the program then ends cleanly."""
        self.press("EXIT")
        try:
            code = self.process.wait(20)
        except subprocess.TimeoutExpired:
            self.kill()
            raise Failure("the program did not end after EXIT")
        self.check_clean(code)

    def check_clean(self, code):
        output = self.stderr()
        if code != 0 or re.search(r"Sanitizer|runtime error:", output):
            raise Failure(f"the program ended with {code}:\n{output}")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
