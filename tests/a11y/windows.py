#!/usr/bin/python3
"""The windows of the real program as a screen reader or a desktop test tool sees them
through the accessibility interface (AT-SPI), under Xvfb: every field and button found by its
name with its role, the hidden fields out of sight, and texts typed and buttons pressed through
the interface doing what they do for a user.

    windows.py --app build/app/gpstracking --sim build/sim/gpstracking-unit-sim [CASE...]

It drives the program with the end-to-end tests' driver (tests/e2e/driver.py).
"""

import argparse
import os
import shutil
import sys
import tempfile
import time
import traceback

# No bytecode caches in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

import driver  # noqa: E402
from driver import Desktop, Failure, extents, wait_until  # noqa: E402
from run import Test  # noqa: E402

ALL = {}


def case(function):
    ALL[function.__name__] = function
    return function


def check(condition, message):
    if not condition:
        raise Failure(message)


def two(first, second):
    """A caption of two lines beside one field."""
    return first + "\n" + second


TEXT, LIST, BUTTON = "text", "combo box", "push button"

# The main menu's buttons, and whether each shows at startup.
MENU_BUTTONS = [
    ("Trying to Connect - Click this button to EXIT !", False),
    ("Connected - Uploading Configuration Data Please Wait !", False),
    ("Connected - Downloading Configuration Data Please Wait !", False),
    ("Connected - Uploading GPS Locations Please Wait !", False),
    ("Connected - Downloading Camera GPS Locations  Please Wait !", False),
    ("Connected - Uploading Camera GPS Locations Please Wait !", False),
    ("View/ Setup/ Select Configuration", True),
    ("View/ Setup/Select GPS Location Table", True),
    ("View/ Setup/ Select VOICE/ ADC Configuration", True),
    ("Select COM port", True),
    ("Help information", True),
    ("Download Configuration to GPS TRACKING system", True),
    ("Upload Configuration from GPS TRACKING system", True),
    ("Upload GPS locations from GPS TRACKING system", True),
    ("Download GPS Locations Table to GPS TRACKING system", True),
    ("Upload GPS Locations Table from GPS TRACKING system", True),
    ("EXIT", True),
]

SETUP1 = [
    # left column
    (LIST, "Enabled by:"),
    (TEXT, "Base phone number 1:"),
    (TEXT, "Base phone number 2:"),
    (TEXT, "Base phone number 3:"),
    (TEXT, "SMSC number:"),
    (LIST, "Credits left:"),
    (TEXT, "GEO fencing delay (1-240 sec):"),
    (TEXT, "GEO fencing sensitivity (1-240 Knots):"),
    (TEXT, "Vibration sensitivity (3-255):"),
    (LIST, "Alarm activation:"),
    (TEXT, "Alarm input delay time (1-240 sec):"),
    (TEXT, "Power failure delay time (0-240 sec):"),
    (TEXT, "GPS reading interval  (1-240 min):"),
    (LIST, "SOS function:"),
    (LIST, "Panic input:"),
    (LIST, "Status send every:"),
    (LIST, "Input voltage low trigger level:"),
    (LIST, "Input voltage high trigger level:"),
    (TEXT, two("Delay time input volt. low or high:", "(0- 255 seconds)")),
    (TEXT, "File Selected :"),
    # middle column
    (TEXT, "Speed Limit (0-183 km/h):"),
    (TEXT, two("Speed limit activation time:", "(0-255 sec)")),
    (LIST, two("GEO Fencing", "activation:")),
    (TEXT, "LAT1"),
    (LIST, "LAT1 hemisphere"),
    (TEXT, "LAT2"),
    (LIST, "LAT2 hemisphere"),
    (TEXT, "LONG1"),
    (LIST, "LONG1 hemisphere"),
    (TEXT, "LONG2"),
    (LIST, "LONG2 hemisphere"),
    (TEXT, two("Real Time track int. ONLINE(0-16383):", "(Realtime multiple times 4)")),
    (TEXT, two("Real Time track int. OFFLINE(0-16383):", "(Realtime multiple times 4)")),
    (LIST, " Working Mode:"),
    (LIST, "GPRS Mode: "),
    (TEXT, "Static IP addr. or Domain:"),
    (TEXT, "UDP destination port (0-65535):"),
    (TEXT, "TCP destination port (0-65535):"),
    (TEXT, "APN (access point Name) 32 Max:"),
    (TEXT, two("GPRS login name:", "(24 Max)")),
    (TEXT, "GPRS password  (16 Max):"),
    (LIST, two("Disconnect GPRS when", "message is send:")),
    # right column
    (TEXT, "OS upload port (0-65535):"),
    (TEXT, "Existing Password"),
    (TEXT, "New Password"),
    ("label", "Version number"),
    (BUTTON, "Click here to Check if configuration is valid"),
    (LIST, "Drive"),
    (BUTTON, "HELP"),
    ("list", "Folder"),
    ("list", "Files"),
    (BUTTON, "Save Configuration"),
    (BUTTON, "Load Configuration"),
    (BUTTON, "RETURN MAIN MENU"),
]

SETUP3 = [
    (LIST, two("Auto Pickup after (0-9) rings ", "(0 - Do not Auto Pickup Voice Call )")),
    (LIST, two("Send Location for", "Missed Phone Call:")),
    (TEXT, "ADC input trigger level (0-255) :"),
    (TEXT, two("ADC delay time (0-255 sec) :", "(0 = disabled )")),
    (LIST, "ADC trigger activation :"),
    (LIST, "AUX2 input function :"),
    (TEXT, two("AUX2 input delay  (0-255):", "(0 = disabled)")),
    (TEXT, two("Pulse Counter Prescale (2-65535):", "(0-1 = disabled)")),
    (LIST, "Read I-button ID:"),
    (TEXT, two("Panic Dial out number:", "(empty = no dial out)")),
    (BUTTON, "RETURN MAIN MENU"),
    (LIST, two("Send Custom message to Base ", "Phone Number 2 :")),
    (LIST, two("Send Panic, Alarm, GEO or Power loss", "activated to Base Phone Number 3:")),
    (LIST, two("Command received from Base3 ", "send back to Base1 :")),
    (LIST, two("Remove comma,points and other", "exclamation from GPRS data :")),
    (LIST, "Send data using SMS if GPRS fails  :"),
    (LIST, two("Enable commands from other Base", "Phone numbers:")),
    (TEXT, "Security ID code (10 Digits):"),
    (LIST, two("Realtime tracking using saved GPS", "locations (5 locations per message)")),
    (LIST, two("Disconnect GPRS when in sleep", "mode:")),
    (LIST, two("Stop real time tracking when", "roaming:")),
    (TEXT, two("SIM PIN Code(4 Digits):", "(empty = none)")),
    (LIST, "Select GSM Band:"),
    (LIST, "Serial Port Data:"),
]

SETUP2 = [
    ("table", "GPS Location Table :"),
    (BUTTON, "HELP"),
    (LIST, "Drive"),
    ("list", "Folder"),
    ("list", "Files"),
    (BUTTON, "Load GPS Table"),
    (BUTTON, "Save GPS Table"),
    (BUTTON, "RETURN MAIN MENU"),
    (TEXT, "File Selected :"),
]

# The track window's controls.
TRACK = [
    (BUTTON, "Open a GPS log"),
    (BUTTON, "Fit the picture"),
    (LIST, "Table quadrant without a log"),
    (BUTTON, "Export GPX"),
    (BUTTON, "Export KML"),
    (BUTTON, "Export GeoJSON"),
    (BUTTON, "Export PNG picture"),
    (TEXT, "Summary"),
    ("list", "Warnings"),
    ("table", "Positions"),
]

CONTROL_ROLES = ("text", "combo box", "list", "push button", "table")


def controls(node, inside_list=False):
    """Every control under `node`, with whether it lies inside a drop-down list."""
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        role = child.getRoleName()
        if role in CONTROL_ROLES:
            yield child, inside_list
        if role not in ("list", "table"):
            yield from controls(child, inside_list or role == "combo box")


def check_window(program, window, expected, hidden=()):
    """Each expected control is there by its name and role, showing, and no other control is
    (the parts of drop-down lists aside): the hidden fields are not exposed. The controls in
    `hidden` are there but do not show."""
    for role, name in expected:
        program.find(role, name, root=window, timeout=2)
    found = []
    for control, inside_list in controls(window):
        if inside_list:
            continue
        name, role = control.name, control.getRoleName()
        showing = driver.states(control).contains(driver.pyatspi.STATE_SHOWING)
        check(showing != ((role, name) in hidden), f"{role} {name!r} showing is {showing}")
        found.append((role, name))
    wanted = [(role, name) for role, name in expected if role in CONTROL_ROLES] + list(hidden)
    extra = [control for control in found if control not in wanted]
    missing = [control for control in wanted if control not in found]
    check(sorted(found) == sorted(wanted),
          f"{window.name!r}: controls not expected {extra}, not found {missing}")


def close_message(program, title, text, timeout=5):
    """The message box of this title and text; its OK button is the default one."""
    box = program.message(timeout)
    check((box.title, box.text) == (title, text), f"expected {title!r} / {text!r}, got {box}")
    ok = program.find(BUTTON, "OK", root=box.accessible)
    check(driver.states(ok).contains(driver.pyatspi.STATE_IS_DEFAULT), "OK is not the default")
    box.close()


def open_window(program, button, title):
    program.press(button)
    window = program.window(title)
    wait_until(lambda: program.is_showing("RETURN MAIN MENU"), 3, f"window {title!r}")
    return window


def file_lines(path):
    with open(path, "rb") as file:
        data = file.read()
    check(data.endswith(b"\r\n"), f"{path} does not end in CR LF")
    return data[:-2].decode("latin-1").split("\r\n")


@case
def main_menu(t):
    program = t.program(com1=t.path("no-such-device"))
    menu = program.main
    for caption, shown in MENU_BUTTONS:
        button = program.find(BUTTON, caption, root=menu, showing=False)
        check(driver.states(button).contains(driver.pyatspi.STATE_SHOWING) == shown,
              f"{caption!r} showing is not {shown}")
    program.find("label", "GPS tracking system configuration main menu :", root=menu)
    program.find("label", "COM1 Selected", root=menu)
    program.find("image", "Logo", root=menu)
    check(not program.is_showing("COM port", role="list"), "the port list shows at startup")
    program.press("Select COM port")
    program.find("list", "COM port", root=menu)

    program.press("Upload Configuration from GPS TRACKING system")
    close_message(program, "ERROR",
                  "COM: not available. Change the CommPort property to another port.\n"
                  f"Device {t.path('no-such-device')} is not present: plug the adapter in or "
                  "choose another port.")
    # The status line is read by its name and its text.
    status = program.text("Status", menu, role="label")
    check(status.startswith("Failed at "), f"status line {status!r}")
    program.exit()


@case
def configuration_windows(t):
    program = t.program(com1=t.path("no-such-device"))
    setup1 = open_window(program, "View/ Setup/ Select Configuration",
                         "View/ Setup/ Select Configuration")
    check_window(program, setup1, SETUP1)
    check(program.text("Version number", setup1, role="label") == "XXXX", "version text")

    # Save, change, load back: all through the interface.
    path = t.path("setup.cfg")
    program.set_text("File Selected :", path, setup1)
    program.set_text("APN (access point Name) 32 Max:", "apn.example", setup1)
    program.press("Save Configuration")
    close_message(program, "Saved", "Configuration has been Saved")
    lines = file_lines(path)
    check(len(lines) == 71, f"{len(lines)} records saved")
    check((lines[0], lines[15], lines[28]) == ('"XXXX"', '"apn.example"', '"7391"'),
          f"records 1, 16, 29: {lines[0]}, {lines[15]}, {lines[28]}")
    program.set_text("Existing Password", "1234", setup1)
    program.set_text("APN (access point Name) 32 Max:", "", setup1)
    program.press("Load Configuration")
    program.expect_no_message(0.5)
    for name, text in (("Existing Password", "7391"),
                       ("APN (access point Name) 32 Max:", "apn.example")):
        shown = program.text(name, setup1)
        check(shown == text, f"{name!r} holds {shown!r} after loading, not {text!r}")
    program.press("RETURN MAIN MENU")

    setup3 = open_window(program, "View/ Setup/ Select VOICE/ ADC Configuration",
                         "View/ Setup/ Select VOICE/ ADC Configuration")
    check_window(program, setup3, SETUP3)
    program.set_text("Security ID code (10 Digits):", "1122334455", setup3)
    program.press("RETURN MAIN MENU")

    setup1 = open_window(program, "View/ Setup/ Select Configuration",
                         "View/ Setup/ Select Configuration")
    program.press("Save Configuration")
    close_message(program, "Saved", "Configuration has been Saved")
    check(file_lines(path)[58] == '"1122334455"', f"record 59: {file_lines(path)[58]}")
    program.press("RETURN MAIN MENU")
    program.exit()


@case
def location_table_window(t):
    program = t.program(com1=t.path("no-such-device"))
    window = open_window(program, "View/ Setup/Select GPS Location Table", "GPS Location Table")
    check_window(program, window, SETUP2, hidden=[(TEXT, "Cell editor")])
    check(not program.is_showing("Cell editor", role=TEXT), "the edit box shows before an edit")

    table = program.find("table", "GPS Location Table :", root=window).queryTable()
    headings = [table.getColumnDescription(column) for column in range(table.nColumns)]
    check(headings == ["ID", "Latitude", "Longitude"], f"column headings {headings}")
    cells = program.table(window)
    check(cells == [[str(n), "255", "255"] for n in range(100)], f"table at startup {cells[:3]}")

    # A click on a cell opens the edit box over it; the entry is kept when a button is pressed.
    x, y, width, height = extents(table.getAccessibleAt(7, 1))
    driver.pyatspi.Registry.generateMouseEvent(x + width // 2, y + height // 2, "b1c")
    program.find(TEXT, "Cell editor", root=window).queryEditableText().setTextContents("32.0851")
    path = t.path("table.txt")
    program.set_text("File Selected :", path, window)
    program.press("Save GPS Table")
    close_message(program, "Saved", "Configuration has been Saved")
    check(file_lines(path)[7] == '"7","32.0851","255"', f"row 7 saved as {file_lines(path)[7]}")
    check(program.table(window)[7] == ["7", "32.0851", "255"], "row 7 in the grid")
    program.press("RETURN MAIN MENU")
    program.exit()


@case
def track_window(t):
    # Three positions, the second at 0,0: one warning and the jumps to it and back.
    path = t.path("drive.csv")
    with open(path, "wb") as file:
        for time_, lat, lon in (("08:00:00", "5130.0000", "00007.5000"),
                                ("08:00:30", "0000.0000", "00000.0000"),
                                ("08:01:00", "5130.0500", "00007.5000")):
            file.write(f'"15/03/24","{time_}","{lat}","N","{lon}","W","012.0","090.0"\r\n'
                       .encode())
    program = t.program(com1=t.path("no-such-device"), args=["--track", path])
    # The main menu's ways in: the links in the strip under the logo.
    program.find(BUTTON, "Open a GPS log...", root=program.main)
    window = program.window("GPS track - drive.csv")
    check_window(program, window, TRACK)
    summary = program.text("Summary", window)
    for line in ("Positions: 3", "First: 15/03/24 08:00:00", "Last: 15/03/24 08:01:00",
                 "Warnings: 3"):
        check(line in summary, f"{line!r} not in the summary {summary!r}")
    warnings = program.find("list", "Warnings", root=window)
    check(warnings.childCount == 3, f"{warnings.childCount} warnings listed")
    program.press("Fit the picture")
    program.exit()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--keep", action="store_true", help="keep every case's folder")
    parser.add_argument("names", nargs="*")
    options = parser.parse_args()
    unknown = [name for name in options.names if name not in ALL]
    if unknown:
        parser.error(f"unknown cases: {', '.join(unknown)}; known: {', '.join(ALL)}")

    # A private D-Bus session for the accessibility bus, gone when the run ends.
    if os.environ.get("GPSTRACKING_E2E_SESSION") != "1":
        os.environ["GPSTRACKING_E2E_SESSION"] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable,
                                       os.path.abspath(__file__), *sys.argv[1:]])

    failed = 0
    with Desktop() as desktop:
        for name in options.names or list(ALL):
            folder = tempfile.mkdtemp(prefix=f"gpstracking-a11y-{name}-")
            test = Test(os.path.abspath(options.app), os.path.abspath(options.sim), folder,
                        desktop)
            start = time.monotonic()
            problems = []
            try:
                ALL[name](test)
            except Failure as failure:
                problems.append(str(failure))
            except Exception:  # noqa: BLE001 - a fault of the case itself
                problems.append(traceback.format_exc())
            try:
                test.finish()
            except Failure as failure:
                problems.append(str(failure))
            took = time.monotonic() - start
            if problems:
                failed += 1
                print(f"FAIL {name} ({took:.1f} s), folder kept: {folder}")
                for problem in problems:
                    print("  " + problem.replace("\n", "\n  "))
            else:
                print(f"ok   {name} ({took:.1f} s)")
                if not options.keep:
                    shutil.rmtree(folder, ignore_errors=True)
            sys.stdout.flush()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
