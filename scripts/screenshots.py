#!/usr/bin/python3
"""Takes the README's pictures of every window: the real program under Xvfb on the simulated
unit, driven through the accessibility interface like the end-to-end tests.

    screenshots.py --app build/app/gpstracking --sim build/sim/gpstracking-unit-sim --out docs
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from driver import Desktop, Program, Unit, wait_until  # noqa: E402


def x_window(title):
    """The X window id of the top-level window titled exactly `title` (or starting with it)."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    for line in tree.splitlines():
        match = re.match(r'\s*(0x[0-9a-f]+) "(.*)": \(', line)
        if match and match.group(2).startswith(title):
            return match.group(1)
    return None


def shoot(title, path):
    window = wait_until(lambda: x_window(title), 5, f"the window {title!r}")
    time.sleep(0.6)  # let it finish painting
    subprocess.run(["import", "-window", window, path], check=True)
    print(f"{path} written")


def editing_window(program, button, out, name):
    before = {w.name for w in program.windows() if w.name}
    program.press(button)
    window = wait_until(lambda: next((w for w in program.windows() if w.name and w.name not in before
                                      and program.is_showing("RETURN MAIN MENU")), None),
                        5, f"the window of {button!r}")
    shoot(window.name, os.path.join(out, name))
    program.press("RETURN MAIN MENU")
    wait_until(lambda: not program.is_showing("RETURN MAIN MENU"), 5, "the main menu")


# Fixed locations near the demo unit's drive (the table holds no hemisphere) and a GEO fencing
# area around its start, for the track window's picture.
TABLE_NEAR_THE_DRIVE = {1: ("51.5100", "0.1000"), 2: ("51.5550", "0.3700"),
                        3: ("51.6000", "0.9000"), 4: ("51.5800", "1.1500")}


def track_window(program, folder, out):
    """A GPS log uploaded, a table and a GEO fencing area loaded, then "Show track"."""
    table = os.path.join(folder, "table.txt")
    with open(table, "wb") as file:
        for row in range(100):
            lat, lon = TABLE_NEAR_THE_DRIVE.get(row, ("255", "255"))
            file.write(f'"{row}","{lat}","{lon}"\r\n'.encode())
    program.press("View/ Setup/Select GPS Location Table")
    window = program.window("GPS Location Table")
    program.set_text("File Selected :", table, window)
    program.press("Load GPS Table")
    program.press("RETURN MAIN MENU")
    # The area: records 19 to 26 of a saved configuration are its corners and hemispheres.
    configuration = os.path.join(folder, "area.cfg")
    program.press("View/ Setup/ Select Configuration")
    window = program.window("View/ Setup/ Select Configuration")
    program.set_text("File Selected :", configuration, window)
    program.press("Save Configuration")
    program.message(5).close()
    with open(configuration, "rb") as file:
        records = file.read().split(b"\r\n")
    records[18:26] = [b'"51.4700"', b"0", b'"51.5600"', b"0", b'"0.0200"', b"1", b'"0.2400"', b"1"]
    with open(configuration, "wb") as file:
        file.write(b"\r\n".join(records))
    program.press("Load Configuration")
    program.press("RETURN MAIN MENU")
    program.press("Upload GPS locations from GPS TRACKING system")
    program.message(timeout=60).close()
    program.press("Show track")
    program.window("GPS track")
    shoot("GPS track", os.path.join(out, "track-window.png"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable,
                                       os.path.abspath(__file__), *sys.argv[1:]])
    out = os.path.abspath(args.out)
    with tempfile.TemporaryDirectory() as folder, Desktop():
        unit = Unit(os.path.abspath(args.sim), folder)
        program = Program(os.path.abspath(args.app), folder, unit.link)
        shoot("GPS Trackingconfiguration menu", os.path.join(out, "main-menu.png"))
        editing_window(program, "View/ Setup/ Select Configuration", out, "setup1.png")
        editing_window(program, "View/ Setup/ Select VOICE/ ADC Configuration", out, "setup3.png")
        editing_window(program, "View/ Setup/Select GPS Location Table", out, "setup2.png")
        program.press("Upload Configuration from GPS TRACKING system")
        box = program.message(timeout=30)
        shoot(box.title, os.path.join(out, "message-box.png"))
        box.close()
        track_window(program, folder, out)
        # The port list, with the simulated unit present behind COM1.
        program.press("Select COM port")
        shoot("GPS Trackingconfiguration menu", os.path.join(out, "port-list.png"))
        program.kill()
        unit.stop()


if __name__ == "__main__":
    main()
