#!/usr/bin/python3
"""Makes the screenshots of the main menu's status line in docs/: while polling a unit that does
not answer, during a GPS log upload, and after a cancel made with the keyboard.

    scripts/status_screenshots.py BUILD_FOLDER

It drives the real program under Xvfb through the accessibility interface, as the end-to-end
tests do (tests/e2e/driver.py), against the simulated unit on a pseudo-terminal.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(root, "tests", "e2e"))

import driver  # noqa: E402
from driver import Desktop, Program, Unit, wait_until  # noqa: E402

LOG_UPLOAD = "Upload GPS locations from GPS TRACKING system"


def shoot(program, name):
    """The main window as it shows now, into docs/NAME."""
    x, y, width, height = driver.extents(program.main)
    path = os.path.join(root, "docs", name)
    subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                    path], check=True)
    print(f"docs/{name} written")


def status(program):
    return program.text("Status", program.main, role="label")


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    app = os.path.join(build, "app", "gpstracking")
    sim = os.path.join(build, "sim", "gpstracking-unit-sim")
    driver.in_own_session(__file__, build)
    folder = tempfile.mkdtemp(prefix="gpstracking-screenshots-")
    with Desktop():
        silent = Unit(sim, folder, ["--silent"], "silent")
        env = {"LC_ALL": "en_GB.UTF-8", "LANG": "en_GB.UTF-8"}
        program = Program(app, folder, silent.link, env)
        program.press(LOG_UPLOAD)
        wait_until(lambda: "No answer" in status(program), 10, "the hint")
        shoot(program, "status-polling.png")
        driver.key(driver.KEY_ESCAPE)
        wait_until(lambda: status(program).startswith("Cancelled"), 5, "the cancel")
        shoot(program, "status-cancelled.png")
        silent.stop()

        with open(os.path.join(folder, "log.txt"), "w") as log:
            for n in range(400):
                log.write(f"101530{3204 + n % 1000:04d}5678{35270 + n % 1000:05d}6543"
                          f"{n % 4}01252700120508\n")
        unit = Unit(sim, folder, ["--log-file", os.path.join(folder, "log.txt")], "log")
        program.press(LOG_UPLOAD)
        wait_until(lambda: "positions saved" in status(program) and "/s" in status(program), 20,
                   "the upload under way")
        time.sleep(0.5)
        shoot(program, "status-log-upload.png")
        program.message(timeout=60).close()
        program.exit()
        unit.stop()
    shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
