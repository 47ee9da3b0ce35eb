"""The end-to-end cases. Each takes a run.Test and raises driver.Failure on a fault."""

import os
import re
import time

import driver
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


def not_present(path):
    """The missing-port box's second line for a device that is not there."""
    return (f"{NOT_AVAILABLE}\nDevice {path} is not present: plug the adapter in or choose "
            "another port.")


def status(program):
    """What the main menu's status line says now."""
    return program.text("Status", program.main, role="label")


@case
def missing_port(t):
    program = t.program(com1=t.path("no-such-device"))
    program.press(CONFIG_UPLOAD)
    program.expect_message("ERROR", not_present(t.path("no-such-device")), timeout=5)
    no_progress_showing(program)
    # Still answering: the same again.
    program.press(LOG_UPLOAD)
    program.expect_message("ERROR", not_present(t.path("no-such-device")), timeout=5)
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
                                  at_least=2.5)
    transcript = unit.transcript()
    check(transcript.pc.endswith(b"7391\rL7391\r"), f"on the wire: {transcript.pc!r}")
    check(set(transcript.pc[:-len(b"7391\rL7391\r")]) == {ord("O")},
          f"before the password: {transcript.pc!r}")
    check(not transcript.exchanges, "the unit accepted")
    check(not t.files(".csv"), "a GPS log file was made without a unit")
    no_progress_showing(program)
    print(f"  Invalid Password after {took:.1f} s")

    # The technician types the unit's password into the configuration window and tries again.
    program.press(CONFIG_WINDOW_BUTTON)
    window = program.window(CONFIG_WINDOW)
    program.set_text("Existing Password", "1234", window)
    program.press("RETURN MAIN MENU")
    program.press(LOG_UPLOAD)
    box = program.message(timeout=30)
    check(box.title == "Saved" and box.text.endswith(" GPS locations Saved !"), f"{box}")
    box.close()
    check(unit.transcript().pc.count(b"1234\rL1234\r") == 1, "the new password was not sent")
    program.exit()


# --- GPS log upload -------------------------------------------------------------------------

LOG_PROGRESS = "Connected - Uploading GPS Locations Please Wait !"
LATITUDE_LETTERS = {"0": "N", "1": "S", "2": "N", "3": "S"}
LONGITUDE_LETTERS = {"0": "E", "1": "E", "2": "W", "3": "W"}


def sample_log(count):
    """Records as the unit holds them (positions 1 to 38): the first with a hemisphere code that
    names no hemisphere, then every code in turn, now and then another bad one."""
    records = []
    for n in range(count):
        code = "7" if n == 0 else "9" if n % 11 == 5 else "0123"[n % 4]
        seconds = 10 * 3600 + 15 * 60 + 30 + 30 * n
        records.append(
            f"{seconds // 3600:02d}{seconds // 60 % 60:02d}{seconds % 60:02d}"
            f"{3204 + n:04d}{(5678 + 37 * n) % 10000:04d}"
            f"{3527 + n:05d}{(6543 + 91 * n) % 10000:04d}"
            f"{code}{(125 + n) % 10000:04d}{(2700 + 3 * n) % 10000:04d}"
            f"12{5 + n % 3:02d}08")
        assert len(records[-1]) == 38
    return records


def csv_lines(records, letters=("", "")):
    """The log file lines for these records (bytes, as the unit sent them), CR LF each."""
    lines = []
    for record in records:
        r = record if isinstance(record, bytes) else record.encode("latin-1")
        code = chr(r[23])
        if code in LATITUDE_LETTERS:
            letters = (LATITUDE_LETTERS[code], LONGITUDE_LETTERS[code])
        fields = [r[32:34] + b"/" + r[34:36] + b"/" + r[36:38],
                  r[0:2] + b":" + r[2:4] + b":" + r[4:6],
                  r[6:10] + b"." + r[10:14], letters[0].encode(),
                  r[14:19] + b"." + r[19:23], letters[1].encode(),
                  r[24:27] + b"." + r[27:28], r[28:31] + b"." + r[31:32]]
        lines.append(b",".join(b'"' + f + b'"' if f else b"" for f in fields) + b"\r\n")
    return lines


def write_log(t, records, name="unit-log.txt"):
    with open(t.path(name), "w") as file:
        file.write("\n".join(records) + "\n")
    return t.path(name)


def log_file(t):
    """The one GPS log file in the working folder: its name and its bytes."""
    names = t.files(".csv")
    check(len(names) == 1, f"expected one GPS log file, found {names}")
    with open(t.path(names[0]), "rb") as file:
        return names[0], file.read()


def check_log_name(name, started, ended):
    """Day-month-year and the time the upload started (en_GB short forms), '/' and ':'
    replaced."""
    match = re.fullmatch(r"(\d\d)-(\d\d)-(\d{4})L_(\d\d)\.(\d\d)\.(\d\d)\.csv", name)
    check(match, f"GPS log file name {name!r}")
    day, month, year, hour, minute, second = map(int, match.groups())
    stamp = time.mktime((year, month, day, hour, minute, second, 0, 0, -1))
    check(started - 1 <= stamp <= ended + 1, f"GPS log file name {name!r} is not the start time")


# The program writes the GPS log file name in the PC's regional date and time format.
REGION = {"LC_ALL": "en_GB.UTF-8", "LANG": "en_GB.UTF-8"}


@case
def log_upload(t):
    records = sample_log(40)
    unit = t.unit("--log-file", write_log(t, records))
    program = t.program(unit.link, env=REGION)
    started = time.time()
    program.press(LOG_UPLOAD)
    took = program.expect_message("Saved", "40 GPS locations Saved !", timeout=30)
    name, data = log_file(t)
    check_log_name(name, started, started + 8)
    expected = b"".join(csv_lines(records))
    check(data == expected, f"GPS log file differs:\n{data[:400]!r}\nexpected\n{expected[:400]!r}")
    exchange, = unit.transcript().exchanges
    check(exchange.letter == "L", f"operation {exchange.letter}")
    check(exchange.pc == (b"N" * 37 + b"1") * 40 + b"N1", f"acknowledgements {exchange.pc[:100]!r}")
    check(not program.is_showing("Locations Downloaded :", role="label"), "Label4 still shown")
    no_progress_showing(program)
    print(f"  40 records in {took:.1f} s after the click")
    program.exit()


# --- GPS location table ---------------------------------------------------------------------

TABLE_WINDOW_BUTTON = "View/ Setup/Select GPS Location Table"
TABLE_WINDOW = "GPS Location Table"


def table_values():
    """Latitude and longitude texts for the 100 rows: the awkward ones first, each within the
    table's rules (a latitude up to 90, a longitude up to 180, 255 for none, four decimals)."""
    rows = [("32.0851", "115.5"), ("7", "0.5"), ("89.9999", "255"), ("0", "179.9999"),
            ("255", "12.3456"), ("90", "180")]
    for row in range(len(rows), 100):
        rows.append((f"{row % 90}.{(row * 37) % 10000:04d}",
                     f"{(row * 7) % 180}.{(row * 53) % 10000:04d}"))
    return rows


def coordinate_bytes(text):
    """Whole degrees cut off, then digits 5-6 and 7-8 of the value as "000.0000"."""
    value = float(text)
    formatted = f"{value:08.4f}"
    return [int(value), int(formatted[4:6]), int(formatted[6:8])]


def coordinate_text(whole, first, second):
    """A coordinate's three bytes as the table shows them after an upload."""
    return "255" if whole == 255 else f"{whole}.{first:02d}{second:02d}"


def hex_bytes(digits):
    check(re.fullmatch(rb"[0-9A-F]*", digits) and len(digits) % 2 == 0,
          f"not upper-case hex digit pairs: {digits[:80]!r}")
    return list(bytes.fromhex(digits.decode()))


def load_table_file(t, program, rows):
    """Writes a table file and loads it through the table window, as a user would."""
    path = t.path("table.txt")
    with open(path, "wb") as file:
        for n, (latitude, longitude) in enumerate(rows):
            file.write(f'"{n}","{latitude}","{longitude}"\r\n'.encode())
    program.press(TABLE_WINDOW_BUTTON)
    window = program.window(TABLE_WINDOW)
    program.type_beside("File Selected :", path, window)
    program.press("Load GPS Table")
    program.expect_no_message(0.5)
    return window


def table_texts(program):
    program.press(TABLE_WINDOW_BUTTON)
    window = program.window(TABLE_WINDOW)
    wait_until(lambda: program.is_showing("RETURN MAIN MENU"), 3, "the table window")
    cells = program.table(window)
    program.press("RETURN MAIN MENU")
    return cells


@case
def table_download_and_upload(t):
    rows = table_values()
    unit = t.unit()
    program = t.program(unit.link)
    load_table_file(t, program, rows)
    program.press("RETURN MAIN MENU")

    program.press(TABLE_DOWNLOAD)
    program.expect_message("Download", "Download succesful !", timeout=30)
    no_progress_showing(program)
    download, = unit.transcript().exchanges
    check(download.letter == "O", f"operation {download.letter}")
    sent = hex_bytes(download.pc)
    expected = [b for latitude, longitude in rows
                for b in coordinate_bytes(latitude) + coordinate_bytes(longitude)]
    check(sent[:600] == expected, "table bytes on the wire differ: "
          f"{[(i, a, b) for i, (a, b) in enumerate(zip(sent, expected)) if a != b][:5]}")
    # The unit counts 200 entries: the 100 rows, then empty padding.
    check(len(sent) == 1200 and set(sent[600:]) == {0}, f"padding {len(sent)} {set(sent[600:])}")
    check(download.unit == b"p" + b"N" * 1200, f"acknowledgements {download.unit[:20]!r}")

    # The unit sends back the table it took.
    program.press(TABLE_UPLOAD)
    program.expect_message("Upload", "Upload succesful !", timeout=30)
    no_progress_showing(program)
    upload = unit.transcript().exchanges[1]
    check(upload.letter == "C" and upload.pc == b"N" * 1199, f"upload acknowledgements")
    received = hex_bytes(upload.unit[1:])
    check(received == sent[:600], "the unit sent back another table")
    cells = table_texts(program)
    for n, (latitude, longitude) in enumerate(rows):
        want = [str(n), coordinate_text(*coordinate_bytes(latitude)),
                coordinate_text(*coordinate_bytes(longitude))]
        check(cells[n] == want, f"row {n}: {cells[n]}, expected {want}")
    program.exit()


# --- configuration --------------------------------------------------------------------------

CONFIG_WINDOW_BUTTON = "View/ Setup/ Select Configuration"
CONFIG_WINDOW = "View/ Setup/ Select Configuration"
APN = "APN (access point Name) 32 Max:"
GPRS_LOGIN = "GPRS login name:\n(24 Max)"
GPRS_PASSWORD = "GPRS password  (16 Max):"
# Filled texts: the characters of the slot up to the first byte 255.
FILLED = {APN: (224, 256), GPRS_LOGIN: (168, 192), GPRS_PASSWORD: (192, 208)}


def filled_text(image, field):
    first, end = FILLED[field]
    slot = bytes(image[first:end])
    return slot.split(b"\xff")[0].decode("latin-1")


def config_upload_parts(exchange):
    """The image bytes and the version text the unit sent in a configuration upload."""
    data = exchange.unit
    check(data[:1] == b"p", f"unit began with {data[:5]!r}")
    check(len(data) == 1 + 736 + 4, f"the unit sent {len(data)} characters")
    return hex_bytes(data[1:737]), data[737:].decode("latin-1")


def version_text(program, window):
    """The version text the configuration window shows beside "Version number : V"."""
    label = program.field_beside("Version number : V", window, role="label")
    try:
        return label.queryText().getText(0, -1)
    except NotImplementedError:
        return label.name


def open_config(program):
    program.press(CONFIG_WINDOW_BUTTON)
    window = program.window(CONFIG_WINDOW)
    wait_until(lambda: program.is_showing("RETURN MAIN MENU"), 3, "the configuration window")
    return window


def config_upload(program, unit):
    program.press(CONFIG_UPLOAD)
    program.expect_message("Upload", "Upload complete", timeout=30)
    no_progress_showing(program)
    exchange = unit.transcript().exchanges[-1]
    check(exchange.letter == "U", f"operation {exchange.letter}")
    check(exchange.pc == b"1" * 736, f"answers {exchange.pc[:20]!r}... ({len(exchange.pc)})")
    return config_upload_parts(exchange)


@case
def configuration_upload_and_download(t):
    unit = t.unit()
    program = t.program(unit.link)
    window = open_config(program)
    check(version_text(program, window) == "XXXX", "version text before any upload")
    program.press("RETURN MAIN MENU")

    image, version = config_upload(program, unit)
    window = open_config(program)
    shown = version_text(program, window)
    check(shown == version, f"version text {shown!r}, the unit sent {version!r}")
    for field in FILLED:
        check(program.text(field, window) == filled_text(image, field),
              f"{field!r} shows {program.text(field, window)!r}")
    check(program.text("Existing Password", window) == "7391", "the password was changed")

    # Edit, send back, and read again: the unit keeps what it was sent.
    program.set_text(APN, "e2e.example", window)
    program.press("RETURN MAIN MENU")
    program.press(CONFIG_DOWNLOAD)
    program.expect_message("Download", "Download succesful !", timeout=30)
    no_progress_showing(program)
    download = unit.transcript().exchanges[-1]
    check(download.letter == "D", f"operation {download.letter}")
    sent = hex_bytes(download.pc)
    check(len(sent) == 369, f"{len(sent)} bytes downloaded")
    check(filled_text(sent, APN) == "e2e.example" and set(sent[224 + 11:256]) == {255},
          f"APN slot sent as {bytes(sent[224:256])!r}")
    for field in (GPRS_LOGIN, GPRS_PASSWORD):
        first, end = FILLED[field]
        check(sent[first:end] == image[first:end], f"{field!r} changed on the way")
    check(download.unit == b"pOK", f"the unit answered {download.unit!r}")

    image2, _ = config_upload(program, unit)
    check(image2 == sent[:368], "the unit sent back another image than it was given")
    window = open_config(program)
    check(program.text(APN, window) == "e2e.example", "APN after the second upload")
    program.press("RETURN MAIN MENU")
    program.exit()


@case
def edits_survive_a_kill(t):
    """An edit is kept a moment after it is typed: a program killed then offers it back in the
    status line at its next start, and Restore puts it into the window again."""
    unit = t.unit()
    program = t.program(unit.link)
    window = open_config(program)
    program.set_text(APN, "kept.example", window)
    wait_until(lambda: os.path.exists(t.path("state/gpstracking/unsaved-configuration.cfg")), 5,
               "the edit kept on disk")
    program.kill()
    t.programs.remove(program)
    program = t.program(unit.link)
    wait_until(lambda: status(program).startswith("Unsaved edits from "), 10,
               "the kept edits offered back")
    check(status(program).endswith(" were kept:"), f"the status line says {status(program)!r}")
    program.press("Restore")
    window = open_config(program)
    check(program.text(APN, window) == "kept.example", f"APN restored as {program.text(APN, window)!r}")
    program.press("RETURN MAIN MENU")
    program.exit()


@case
def demo_from_the_source_folder(t):
    """The README's first command: what `make demo` runs once the two programs are built opens
    the program with the simulated unit on COM1, from the source folder, and every transfer
    works."""
    root = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    build = os.path.relpath(os.path.dirname(os.path.dirname(t.app)), root)
    program = t.program("", command=[os.path.join(root, "scripts", "demo.sh"), build])
    program.press(CONFIG_UPLOAD)
    program.expect_message("Upload", "Upload complete", timeout=30)
    program.exit()


# --- an interrupted transfer ----------------------------------------------------------------
# A transfer stopped midway leaves the unit in the middle of it: the GPS log upload by its
# cancel button, the other transfers by EXIT (the window has no other way out of them). The
# same unit gives the old exchange up after its silence, and the next exchange, started at once,
# gets through.


def under_way(unit, letter, characters):
    """The unit is in the data of an exchange `letter` and has heard this many characters."""
    exchanges = unit.transcript().exchanges
    return bool(exchanges) and exchanges[-1].letter == letter and \
        len(exchanges[-1].pc) >= characters and not exchanges[-1].ended


def exit_midway(t, program, unit, button, letter):
    """Starts a transfer, leaves the program by EXIT in its data and starts the program again."""
    program.press(button)
    wait_until(lambda: under_way(unit, letter, 40), 20, f"the transfer {letter} under way")
    program.exit()
    check(not unit.transcript().exchanges[-1].ended, f"the transfer {letter} ended before EXIT")
    return t.program(unit.link)


@case
def interrupted_transfers_then_whole(t):
    records = sample_log(200)
    # A short silence keeps the case short (the PC pauses up to 2 s in a handshake); the
    # unit's own time is the command line's to try.
    unit = t.unit("--log-file", write_log(t, records), "--baud-pacing", "--silence-limit", "3")
    program = t.program(unit.link)
    upload = ("Upload", "Upload complete")
    download = ("Download", "Download succesful !")
    table_upload = ("Upload", "Upload succesful !")
    # Each transfer, then what runs at once after it; a download needs an upload first, since
    # the new start of the program holds nothing to send.
    steps = [(CONFIG_UPLOAD, "U", [(CONFIG_UPLOAD, upload)]),
             (CONFIG_DOWNLOAD, "D", [(CONFIG_UPLOAD, upload), (CONFIG_DOWNLOAD, download)]),
             (TABLE_UPLOAD, "C", [(TABLE_UPLOAD, table_upload)]),
             (TABLE_DOWNLOAD, "O", [(TABLE_UPLOAD, table_upload), (TABLE_DOWNLOAD, download)])]
    for button, letter, after in steps:
        program = exit_midway(t, program, unit, button, letter)
        for again, box in after:
            program.press(again)
            program.expect_message(*box, timeout=30)

    program.press(LOG_UPLOAD)
    wait_until(lambda: under_way(unit, "L", 38 * 3), 20, "the GPS log upload under way")
    program.press(PROGRESS[3])
    wait_until(lambda: not program.is_showing(PROGRESS[3]), 3, "the cancel")
    check(not unit.transcript().exchanges[-1].ended, "the GPS log upload ended before the cancel")
    second_log_upload(t, program, unit, records)
    program.exit()


# --- a hostile unit -------------------------------------------------------------------------
# In every case the program ends the exchange with a message of its own within its time-outs,
# keeps running, keeps the GPS log lines completed before the fault, and answers a second
# exchange with a unit that behaves (the first one switched off and on again). Every fault at
# every stage is run in memory by test_session (tests/test_hostile.cpp); here are those that
# need the real program: a unit that leaves the terminal, a flood through the terminal, the
# processor while waiting, and what the windows hold after nonsense.

LOG_TIMED_OUT = ("Invalid download !", "Error GPS Data download !")


def check_idle_while_gone(program, seconds=2.0):
    """A program waiting out its time-out after the unit has gone keeps the processor idle."""
    before, start = program.cpu_seconds(), time.monotonic()
    time.sleep(seconds)
    share = (program.cpu_seconds() - before) / (time.monotonic() - start)
    check(share < 0.25, f"the program used {share:.0%} of a processor waiting for a lost unit")


def fresh_unit(t, old, *args):
    """Switches the unit off and on: a new, well-behaved unit on the same terminal path."""
    old.stop()
    return t.unit(*args)


def second_log_upload(t, program, unit, records):
    """A log upload that must work; returns the new log file's bytes."""
    before = set(t.files(".csv"))
    program.press(LOG_UPLOAD)
    program.expect_message("Saved", f"{len(records)} GPS locations Saved !", timeout=30)
    new = sorted(set(t.files(".csv")) - before)
    check(len(new) == 1, f"new GPS log files: {new}")
    with open(t.path(new[0]), "rb") as file:
        data = file.read()
    check(data == b"".join(csv_lines(records)), "the second GPS log file differs")
    no_progress_showing(program)


@case
def hostile_wake_flood(t):
    # The unit starts its answer, then floods the line with random bytes and falls silent.
    unit = t.unit("--hostile", "flood:wake:3", "--seed", "11")
    program = t.program(unit.link, env=REGION)
    program.press(LOG_UPLOAD)
    wait_until(lambda: unit.transcript().polls() >= 3, 6, "the poll to go on")
    check(len(unit.transcript().unit) > 4000, "the unit did not flood")
    program.expect_no_message(0.1)
    program.press(CONNECTING)
    wait_until(lambda: not program.is_showing(CONNECTING), 2, "the cancel button to hide")
    polls = unit.transcript().polls()
    program.expect_no_message(1.2)
    check(unit.transcript().polls() == polls, "the program kept polling after the cancel")

    records = sample_log(5)
    unit = fresh_unit(t, unit, "--log-file", write_log(t, records))
    second_log_upload(t, program, unit, records)
    program.exit()


@case
def hostile_log_vanish(t):
    # The unit leaves the line in the middle of the fourth record.
    records = sample_log(40)
    unit = t.unit("--log-file", write_log(t, records), "--hostile", f"vanish:data:{38 * 3 + 10}")
    program = t.program(unit.link, env=REGION)
    start = time.monotonic()
    program.press(LOG_UPLOAD)
    wait_until(unit.gone, 10, "the unit to leave the line")
    gone = time.monotonic()
    check_idle_while_gone(program)
    program.expect_message(*LOG_TIMED_OUT, timeout=12)
    took = time.monotonic() - gone
    check(6.5 <= took <= 10, f"time-out {took:.1f} s after the unit left")
    name, data = log_file(t)
    check(data == b"".join(csv_lines(records[:3])), f"lines kept: {data!r}")
    no_progress_showing(program)
    print(f"  'Error GPS Data download !' {took:.1f} s after the unit left, "
          f"{time.monotonic() - start:.1f} s after the click")

    unit = fresh_unit(t, unit, "--log-file", write_log(t, records))
    second_log_upload(t, program, unit, records)
    program.exit()


@case
def hostile_log_flood(t):
    # After two records the unit pours out random bytes without waiting for any answer.
    records = sample_log(40)
    unit = t.unit("--log-file", write_log(t, records), "--hostile", f"flood:data:{38 * 2}",
                  "--seed", "3")
    program = t.program(unit.link, env=REGION)
    program.press(LOG_UPLOAD)
    box = program.message(timeout=25)
    # Random bytes that came as records are left out and counted on a second line.
    saved = box.title == "Saved" and re.fullmatch(
        r"\d+ GPS locations Saved !(\n\d+ damaged records? (was|were) left out .*)?", box.text,
        re.DOTALL)
    check(saved or (box.title, box.text) == LOG_TIMED_OUT, f"message {box}")
    box.close()
    name, data = log_file(t)
    check(data.startswith(b"".join(csv_lines(records[:2]))), "the two good records were lost")
    no_progress_showing(program)

    unit = fresh_unit(t, unit, "--log-file", write_log(t, records))
    second_log_upload(t, program, unit, records)
    program.exit()


@case
def hostile_config_upload_nul(t):
    # NUL for every digit and for the version text: nothing of it reaches the windows, the
    # upload says it failed and why; the next upload puts everything right.
    unit = t.unit("--hostile", "nul:data")
    program = t.program(unit.link)
    window = open_config(program)
    before = {field: program.text(field, window) for field in FILLED}
    version_before = version_text(program, window)
    program.press("RETURN MAIN MENU")
    program.press(CONFIG_UPLOAD)
    program.expect_message("Invalid download !", "Error download !\n740 damaged characters "
                           "arrived (not hexadecimal digits); nothing garbled was kept. Check the "
                           "cable and upload again.", timeout=30)
    window = open_config(program)
    check(version_text(program, window) == version_before, "version text after a garbled upload")
    for field in FILLED:
        check(program.text(field, window) == before[field], f"{field!r} after a garbled upload")
    program.press("RETURN MAIN MENU")

    unit = fresh_unit(t, unit)
    image, version = config_upload(program, unit)
    window = open_config(program)
    check(version_text(program, window) == version,
          "version text after the second upload")
    for field in FILLED:
        check(program.text(field, window) == filled_text(image, field), f"{field!r}")
    program.press("RETURN MAIN MENU")
    program.exit()


@case
def hostile_config_download_flood(t):
    # Random bytes pour in where the unit's "OK" should come.
    unit = t.unit()
    program = t.program(unit.link)
    config_upload(program, unit)
    unit = fresh_unit(t, unit, "--hostile", "flood:data", "--seed", "9")
    program.press(CONFIG_DOWNLOAD)
    box = program.message(timeout=20)
    check((box.title, box.text) in [("Download", "Download succesful !"),
                                    ("Invalid download !", "Error download !")], f"{box}")
    box.close()
    no_progress_showing(program)

    unit = fresh_unit(t, unit)
    program.press(CONFIG_DOWNLOAD)
    program.expect_message("Download", "Download succesful !", timeout=20)
    program.exit()


@case
def hostile_table_upload_high(t):
    # Every digit of the table with its top bit set: no cell takes any of it, and the upload
    # says it failed and why.
    unit = t.unit("--hostile", "high:data")
    program = t.program(unit.link)
    before = table_texts(program)
    program.press(TABLE_UPLOAD)
    program.expect_message("Invalid upload !", "Error upload !\n1200 damaged characters arrived "
                           "(not hexadecimal digits); nothing garbled was kept. Check the cable "
                           "and upload again.", timeout=30)
    check(table_texts(program) == before, "cells changed by a garbled upload")

    unit = fresh_unit(t, unit)
    program.press(TABLE_UPLOAD)
    program.expect_message("Upload", "Upload succesful !", timeout=30)
    digits = unit.transcript().exchanges[-1].unit[1:]
    received = hex_bytes(digits)
    cells = table_texts(program)
    for n in range(100):
        want = [str(n), coordinate_text(*received[6 * n:6 * n + 3]),
                coordinate_text(*received[6 * n + 3:6 * n + 6])]
        check(cells[n] == want, f"row {n}: {cells[n]}, expected {want}")
    program.exit()


@case
def hostile_table_download_vanish(t):
    # The unit leaves the line after 150 of its acknowledgements.
    unit = t.unit("--hostile", "vanish:data:150")
    program = t.program(unit.link)
    program.press(TABLE_DOWNLOAD)
    wait_until(unit.gone, 15, "the unit to leave the line")
    gone = time.monotonic()
    check_idle_while_gone(program)
    program.expect_message("Invalid download !", "Error download !", timeout=12)
    took = time.monotonic() - gone
    check(6.5 <= took <= 10, f"time-out {took:.1f} s after the unit left")
    no_progress_showing(program)

    unit = fresh_unit(t, unit)
    program.press(TABLE_DOWNLOAD)
    program.expect_message("Download", "Download succesful !", timeout=30)
    program.exit()


@case
def help_and_a_transfer(t):
    """What a technician does first: help shows the text, and a configuration upload works."""
    viewer = t.path("viewer")
    os.makedirs(viewer)
    opened = t.path("opened")
    # The desktop's text viewer, as the program finds it on PATH: it notes what it was given.
    with open(os.path.join(viewer, "xdg-open"), "w") as stub:
        stub.write(f'#!/bin/sh\nprintf "%s" "$1" > "{opened}"\n')
    os.chmod(os.path.join(viewer, "xdg-open"), 0o755)
    unit = t.unit()
    program = t.program(unit.link, env={"PATH": viewer + os.pathsep + os.environ["PATH"]})
    program.press("Help information")
    wait_until(lambda: os.path.exists(opened) and os.path.getsize(opened) > 0, 5,
               "the help text handed to the viewer")
    with open(opened) as f:
        help_file = f.read()
    check(os.path.basename(help_file) == "info.txt", f"help opened {help_file!r}")
    check(os.path.isfile(help_file) and os.path.getsize(help_file) > 0,
          f"the help text {help_file!r} is not there")
    config_upload(program, unit)
    program.exit()


# --- the keyboard alone ---------------------------------------------------------------------


def tab_to(program, caption):
    """Presses Tab until the button of this caption has the keyboard focus."""
    button = program.find("push button", caption)
    for _ in range(30):
        if driver.focused(button):
            return button
        driver.key(driver.KEY_TAB)
        time.sleep(0.1)
    raise Failure(f"Tab never reached {caption!r}")


@case
def keyboard_only(t):
    # A technician without a mouse: every step by keys, the focus always where it can be seen
    # and never on EXIT while the program polls.
    unit = t.unit("--silent")
    program = t.program(unit.link, env=REGION)
    start = tab_to(program, LOG_UPLOAD)
    for key, stop in ((driver.KEY_SPACE, driver.KEY_SPACE), (driver.KEY_RETURN, driver.KEY_ESCAPE)):
        driver.key(key)
        connecting = program.find("push button", CONNECTING, timeout=3)
        wait_until(lambda: driver.focused(connecting), 3, "the focus on the cancel button")
        wait_until(lambda: unit.transcript().polls() >= 2, 4, "a second poll")
        wait_until(lambda: "polls sent" in status(program), 3, "the polls on the status line")
        driver.key(stop)
        wait_until(lambda: not program.is_showing(CONNECTING), 3, "the cancel")
        wait_until(lambda: driver.focused(start), 3, "the focus back on the starting button")
        check(status(program).startswith("Cancelled at "), f"status {status(program)!r}")
        polls = unit.transcript().polls()
        program.expect_no_message(1.2)
        check(unit.transcript().polls() == polls, "the program kept polling after the cancel")

    # A unit that answers: the upload, its box closed with Enter, from the same button.
    records = sample_log(5)
    unit = fresh_unit(t, unit, "--log-file", write_log(t, records))
    driver.key(driver.KEY_SPACE)
    box = program.message(timeout=30)
    check((box.title, box.text) == ("Saved", "5 GPS locations Saved !"), f"{box}")
    driver.key(driver.KEY_RETURN)
    wait_until(lambda: not program.messages(), 5, "the box to close on Enter")
    name, data = log_file(t)
    check(data == b"".join(csv_lines(records)), "GPS log file differs")
    wait_until(lambda: driver.focused(start), 3, "the focus back on the starting button")
    said = status(program)
    check(said.startswith("Done at ") and said.endswith(f" File: {t.path(name)}"),
          f"status {said!r}")

    tab_to(program, "EXIT")
    driver.key(driver.KEY_SPACE)
    try:
        code = program.process.wait(20)
    except Exception:
        raise Failure("EXIT from the keyboard did not end the program")
    program.check_clean(code)


# --- a unit that comes back -----------------------------------------------------------------


@case
def reconnect_while_polling(t):
    # The unit leaves the line at the first poll (a USB adapter pulled) and comes back on the
    # same path: the program reaches it at a later poll, without cancel and retry.
    unit = t.unit("--hostile", "vanish:wake")
    program = t.program(unit.link, env=REGION)
    program.press(LOG_UPLOAD)
    wait_until(unit.gone, 5, "the unit to leave the line")
    wait_until(lambda: "device lost" in status(program), 5, "the status line to say so")
    check(program.is_showing(CONNECTING), "the program stopped trying")
    check_idle_while_gone(program, 1.5)
    records = sample_log(5)
    unit = fresh_unit(t, unit, "--log-file", write_log(t, records))
    program.expect_message("Saved", "5 GPS locations Saved !", timeout=10)
    name, data = log_file(t)
    check(data == b"".join(csv_lines(records)), "GPS log file differs")
    no_progress_showing(program)
    program.exit()
