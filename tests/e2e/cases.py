"""The end-to-end cases. Each takes a run.Test and raises driver.Failure on a fault."""

import os
import time

from driver import Failure, wait_until

ALL = {}


def case(function):
    ALL[function.__name__] = function
    return function


def check(condition, message):
    if not condition:
        raise Failure(message)


# Captions of the main menu.
CONNECTING = "Trying to Connect - Click this button to EXIT !"
CONFIG_UPLOAD = "Upload Configuration from GPS TRACKING system"
CONFIG_DOWNLOAD = "Download Configuration to GPS TRACKING system"
LOG_UPLOAD = "Upload GPS locations from GPS TRACKING system"
TABLE_UPLOAD = "Upload GPS Locations Table from GPS TRACKING system"
TABLE_DOWNLOAD = "Download GPS Locations Table to GPS TRACKING system"
PROGRESS = [
    CONNECTING,
    "Connected - Uploading Configuration Data Please Wait !",
    "Connected - Downloading Configuration Data Please Wait !",
    "Connected - Uploading GPS Locations Please Wait !",
    "Connected - Downloading Camera GPS Locations  Please Wait !",
    "Connected - Uploading Camera GPS Locations Please Wait !",
]
NOT_AVAILABLE = "COM: not available. Change the CommPort property to another port."


def no_progress_showing(program):
    showing = [caption for caption in PROGRESS if program.is_showing(caption)]
    check(not showing, f"still showing after the exchange: {showing}")


# --- the exchange ---------------------------------------------------------------------------


@case
def missing_port(t):
    program = t.program(com1=t.path("no-such-device"))
    program.press(CONFIG_UPLOAD)
    program.expect_message("ERROR", NOT_AVAILABLE, timeout=5)
    no_progress_showing(program)
    # Still answering: the same again.
    program.press(LOG_UPLOAD)
    program.expect_message("ERROR", NOT_AVAILABLE, timeout=5)
    check(not t.files(".csv"), "a GPS log file was made without a unit")
    program.exit()


@case
def cancel_while_polling(t):
    unit = t.unit("--silent")
    program = t.program(unit.link)
    program.press(LOG_UPLOAD)
    program.find("push button", CONNECTING, timeout=3)
    wait_until(lambda: unit.transcript().polls() >= 2, 4, "a second poll")
    program.press(CONNECTING)
    wait_until(lambda: not program.is_showing(CONNECTING), 2, "the cancel button to hide")
    polls = unit.transcript().polls()
    program.expect_no_message(1.5)
    transcript = unit.transcript()
    check(transcript.polls() == polls, "the program kept polling after the cancel")
    check(transcript.pc == b"O" * polls, f"sent more than polls: {transcript.pc!r}")
    check(not t.files(".csv"), "a GPS log file was made without a unit")
    program.exit()


@case
def wrong_password(t):
    unit = t.unit("--password", "1234")
    program = t.program(unit.link)
    program.press(LOG_UPLOAD)
    # The poll answer comes within a tick, the letter waits 1 to 2 ticks, the "p" up to 3.
    took = program.expect_message("Password Invalid !", "Invalid Password", timeout=10,
                                  at_least=3)
    transcript = unit.transcript()
    check(transcript.pc.endswith(b"7391\rL7391\r"), f"on the wire: {transcript.pc!r}")
    check(set(transcript.pc[:-len(b"7391\rL7391\r")]) == {ord("O")},
          f"before the password: {transcript.pc!r}")
    check(not transcript.exchanges, "the unit accepted")
    check(not t.files(".csv"), "a GPS log file was made without a unit")
    no_progress_showing(program)
    print(f"  Invalid Password after {took:.1f} s")
    program.exit()
