#!/usr/bin/python3
"""Makes the screenshots of what the program says about a configuration in docs/: a refused
download with its causes in the status line, the check with its list of every problem, the
status line after a load that failed halfway, and the configuration window at 1.5 times the
size on a 1280x1024 screen, with its scroll bars.

    scripts/problem_screenshots.py BUILD_FOLDER

It drives the real program under Xvfb through the accessibility interface, as the end-to-end
tests do (tests/e2e/driver.py).
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
from driver import Desktop, Program, wait_until  # noqa: E402

CONFIGURATION = "View/ Setup/ Select Configuration"
DOWNLOAD = "Download Configuration to GPS TRACKING system"
CHECK = "Click here to Check if configuration is valid"
RETURN = "RETURN MAIN MENU"


def shoot(boxes, name, scale=1.0):
    """The smallest part of the screen that holds every accessible in `boxes`, into docs/NAME.
    A program scaled by QT_SCALE_FACTOR gives its places unscaled: `scale` undoes that."""
    areas = [tuple(round(v * scale) for v in driver.extents(box)) for box in boxes]
    left = min(x for x, _, _, _ in areas)
    top = min(y for _, y, _, _ in areas)
    right = max(x + w for x, _, w, _ in areas)
    bottom = max(y + h for _, y, _, h in areas)
    path = os.path.join(root, "docs", name)
    subprocess.run(["import", "-window", "root", "-crop",
                    f"{right - left}x{bottom - top}+{left}+{top}", "+repage", path], check=True)
    print(f"docs/{name} written")


def close_boxes(program):
    """Presses OK on each box as it comes (the check shows one after another) until none
    comes for a second."""
    while True:
        try:
            boxes = wait_until(program.messages, 1, "a message box")
        except driver.Failure:
            return
        driver.press(program.find("push button", "OK", root=boxes[0].accessible))
        time.sleep(0.2)


def status(program):
    return program.text("Status", program.main, role="label")


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    app = os.path.join(build, "app", "gpstracking")
    driver.in_own_session(__file__, build)
    folder = tempfile.mkdtemp(prefix="gpstracking-screenshots-")
    env = {"LC_ALL": "en_GB.UTF-8", "LANG": "en_GB.UTF-8"}
    with Desktop():
        program = Program(app, folder, "/dev/null", env)
        # The fields as the program starts: a download is refused.
        program.press(DOWNLOAD)
        close_boxes(program)
        wait_until(lambda: status(program).startswith("Refused"), 5, "the refusal")
        shoot([program.main], "status-refused.png")

        # The check: every problem beside the window.
        program.press(CONFIGURATION)
        setup1 = program.window(CONFIGURATION)
        program.press(CHECK)
        close_boxes(program)
        problems = program.window("Configuration problems")
        time.sleep(0.3)
        shoot([setup1, problems], "check-problems.png")

        # A configuration file that ends after 40 records.
        short = os.path.join(folder, "short.cfg")
        with open(short, "wb") as out:
            out.write(b"".join(b'"%d"\r\n' % n for n in range(40)))
        program.set_text("File Selected :", short, root=setup1)
        program.press("Load Configuration")
        close_boxes(program)
        program.press(RETURN, timeout=5)
        wait_until(lambda: status(program).startswith("Loaded records"), 5, "the load's words")
        wait_until(lambda: not program.is_showing(CHECK), 5, "the configuration window to close")
        time.sleep(0.5)
        shoot([program.main], "status-failed-load.png")
        program.exit()

        # The configuration window on a screen too small for it at 1.5 times the size.
        large = Program(app, folder, "/dev/null", dict(env, QT_SCALE_FACTOR="1.5"))
        large.press(CONFIGURATION)
        setup1 = large.window(CONFIGURATION)
        time.sleep(0.5)
        shoot([setup1], "setup1-scaled.png", scale=1.5)
        large.press(RETURN)
        large.exit()
    shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
