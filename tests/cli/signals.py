#!/usr/bin/python3
"""gpstracking-cli stopped by Ctrl-C (SIGINT), SIGTERM or SIGHUP in the middle of its exchanges:
every unit is cancelled, those still waiting for their turn too, the summary says so and what was
kept, the status is a shell's for the signal, no log file is left that looks like a log and is
not, and the simulated unit answers the next exchange.

    signals.py --cli build/cli/gpstracking-cli --sim build/sim/gpstracking-unit-sim CASE
"""

import os
import re
import resource
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fleet import Units, main, port_options, run_cli  # noqa: E402

# A whole line of a GPS log file.
WHOLE_LINE = re.compile(rb'"\d\d/\d\d/\d\d","\d\d:\d\d:\d\d","\d{4}\.\d{4}","[NS]",'
                        rb'"\d{5}\.\d{4}","[EW]","\d{3}\.\d","\d{3}\.\d"\r\n')


def unit_log(folder, count):
    """A log file for the simulated unit: `count` records, one fix every 30 s."""
    path = os.path.join(folder, "unit-log.txt")
    with open(path, "w") as file:
        for n in range(count):
            seconds = 8 * 3600 + 30 * n
            file.write(f"{seconds // 3600:02d}{seconds // 60 % 60:02d}{seconds % 60:02d}"
                       f"{5130 + n % 20:04d}{n % 10000:04d}{120 + n % 50:05d}{n * 7 % 10000:04d}"
                       f"0{n % 900:04d}{n % 3600:04d}150324\n")
    return path


def transcript(folder, name):
    """The lines the unit's --transcript has so far, each split in words."""
    try:
        with open(os.path.join(folder, name + ".transcript")) as file:
            return [line.split() for line in file.read().splitlines()]
    except FileNotFoundError:
        return []


def data_lines(folder, name, since=0):
    """How many pieces crossed the line since the unit last accepted a password, after the
    transcript's first `since` lines (-1: none)."""
    lines = transcript(folder, name)[since:]
    accepted = [i for i, words in enumerate(lines) if words[0] == "accept"]
    return len(lines) - accepted[-1] - 1 if accepted else -1


def wait_for(condition, what, timeout=30):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError(f"no {what} in {timeout} s")
        time.sleep(0.02)


def start_unit(units, folder, name, *args):
    return units.start(name, "--transcript", os.path.join(folder, name + ".transcript"), *args)


def interrupted(cli, folder, args, ready, how=signal.SIGINT, preexec_fn=None):
    """Runs the program until `ready()`, then sends it the signal; its result."""
    process = subprocess.Popen([cli, *args], cwd=folder, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, preexec_fn=preexec_fn)
    try:
        wait_for(lambda: ready() or process.poll() is not None, "moment to interrupt")
        assert process.poll() is None, process.communicate()
        process.send_signal(how)
        out, err = process.communicate(timeout=30)
    finally:
        if process.poll() is None:
            process.kill()
    return process.returncode, out.decode(), err.decode()


def summary_rows(out):
    return {line.split()[0]: line for line in out.splitlines()[1:]}


def sigint_to_a_fleet_mid_log_upload(cli, units, folder):
    log = unit_log(folder, 3000)
    # Ctrl-C, and the terminal closed under the run.
    for how, expected in ((signal.SIGINT, 130), (signal.SIGHUP, 129)):
        logs = os.path.join(folder, how.name)
        os.mkdir(logs)
        names = [f"{how.name}-unit{n}" for n in range(3)]
        ports = [start_unit(units, folder, name, "--log-file", log, "--baud-pacing")
                 for name in names]
        # Each unit has sent some records whole and is in the middle of the next ones.
        status, out, err = interrupted(
            cli, folder, ["read-log", logs, *port_options(ports)],
            lambda: all(data_lines(folder, n) > 8 * 38 for n in names), how)
        assert status == expected, (how, status, out, err)
        whole_lines_kept(ports, logs, out)


def whole_lines_kept(ports, logs, out):
    rows = summary_rows(out)
    assert set(rows) == set(ports), out
    files = sorted(name for name in os.listdir(logs) if name.endswith(".csv"))
    assert len(files) == 3, files
    for port in ports:
        row = rows[port]
        kept = re.search(r"cancelled during the GPS log; (\d+) whole lines kept in (\S+)", row)
        assert row.split()[1] == "cancelled" and kept, row
        with open(kept.group(2), "rb") as file:
            lines = file.read().split(b"\r\n")
        assert lines.pop() == b"", "the last line is cut short"
        assert len(lines) == int(kept.group(1)) > 0, (len(lines), row)
        assert all(WHOLE_LINE.fullmatch(line + b"\r\n") for line in lines), lines


def sigterm_before_the_first_position(cli, units, folder):
    port = start_unit(units, folder, "unit1", "--log-file", unit_log(folder, 20))
    # The unit pauses a second after its acceptance before the first character of the log.
    status, out, err = interrupted(cli, folder, ["read-log", "--port", port],
                                   lambda: data_lines(folder, "unit1") >= 0, signal.SIGTERM)
    assert status == 143, (status, out, err)
    row = summary_rows(out)[port]
    assert "cancelled during the GPS log before its first position; no file kept" in row, row
    assert not [name for name in os.listdir(folder) if name.endswith(".csv")], os.listdir(folder)


def every_transfer_interrupted_then_whole(cli, units, folder):
    port = start_unit(units, folder, "unit1", "--log-file", unit_log(folder, 400),
                      "--baud-pacing")
    for command, file in (("read-config", "unit.cfg"), ("write-config", "unit.cfg"),
                          ("read-log", None), ("read-table", "table.txt"),
                          ("write-table", "table.txt")):
        args = [command, *([file] if file else []), "--port", port]
        since = len(transcript(folder, "unit1"))
        status, out, err = interrupted(cli, folder, args,
                                       lambda: data_lines(folder, "unit1", since) > 40)
        # A configuration download heeds the cancel only once its last digit is out.
        said = ("all digits sent; the unit's confirmation was not awaited",) \
            if command == "write-config" else \
            ("cancelled during the data transfer", "cancelled during the GPS log")
        assert status == 130 and any(words in out for words in said), \
            (command, status, out, err)
        # The same unit, at once: it gives up the interrupted exchange and answers again.
        result = run_cli(cli, folder, *args)
        assert result.returncode == 0, (command, result)


def a_second_ctrl_c_ends_at_once(cli, units, folder):
    port = start_unit(units, folder, "unit1")
    assert run_cli(cli, folder, "read-config", "unit.cfg", "--port", port).returncode == 0
    # A configuration download heeds a cancel only after its last digit, two seconds on.
    since = len(transcript(folder, "unit1"))
    process = subprocess.Popen([cli, "write-config", "unit.cfg", "--port", port], cwd=folder,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        wait_for(lambda: data_lines(folder, "unit1", since) > 40, "download under way")
        process.send_signal(signal.SIGINT)
        wait_for(lambda: b"once more ends at once" in os.read(process.stderr.fileno(), 4096),
                 "word of the cancel")
        process.send_signal(signal.SIGINT)
        out, err = process.communicate(timeout=30)
    finally:
        if process.poll() is None:
            process.kill()
    assert process.returncode == 130 and out == b"", (process.returncode, out, err)
    sent = sum(len(bytes.fromhex(words[1])) for words in transcript(folder, "unit1")[since:]
               if words[0] == "pc")
    assert sent < 738, f"the download ran to its end: {sent} characters"


def a_hangup_under_nohup_changes_nothing(cli, units, folder):
    port = start_unit(units, folder, "unit1")
    # Started with SIGHUP ignored, as nohup starts a program: the run goes on to its end.
    status, out, err = interrupted(
        cli, folder, ["read-config", "unit.cfg", "--port", port],
        lambda: data_lines(folder, "unit1") > 40, signal.SIGHUP,
        lambda: signal.signal(signal.SIGHUP, signal.SIG_IGN))
    assert status == 0 and summary_rows(out)[port].split()[1] == "ok", (status, out, err)


def a_hangup_with_the_terminal_gone(cli, units, folder):
    port = start_unit(units, folder, "unit1")
    terminal, device = os.openpty()
    since = len(transcript(folder, "unit1"))
    process = subprocess.Popen([cli, "read-config", "unit.cfg", "--port", port], cwd=folder,
                               stdout=device, stderr=device)
    os.close(device)
    try:
        wait_for(lambda: data_lines(folder, "unit1", since) > 40, "upload under way")
        # The terminal closes, then the hangup comes: the summary has nowhere to go.
        os.close(terminal)
        process.send_signal(signal.SIGHUP)
        process.wait(timeout=30)
    finally:
        if process.poll() is None:
            process.kill()
    assert process.returncode == 129, process.returncode


def polled(terminals):
    """A test of whether every one of the pseudo-terminals has heard a poll yet. Until the
    program opens its end, reading one fails: no one is there."""
    heard = set()

    def test():
        for terminal in set(terminals) - heard:
            os.set_blocking(terminal, False)
            try:
                if b"O" in os.read(terminal, 64):
                    heard.add(terminal)
            except OSError:
                pass
        return len(heard) == len(terminals)
    return test


def a_waiting_unit_is_cancelled_unopened(cli, units, folder):
    # Under 40 descriptors a few units run at once; the simulated unit, last of 30, waits.
    silent = units.silent(29)
    port = start_unit(units, folder, "unit1")
    first = units.terminals[:3]
    status, out, err = interrupted(
        cli, folder, ["read-config", "unit.cfg", "--wake-limit", "30",
                      *port_options([*silent, port])],
        polled(first), signal.SIGTERM,
        lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (40, 40)))
    assert status == 143, (status, out, err)
    rows = summary_rows(out)
    assert rows[port].split()[1:4] == ["cancelled", "0", "0.0"] and rows[port].endswith(
        "cancelled before its turn; its port was never opened"), rows[port]
    assert all(rows[p].split()[1] == "cancelled" for p in silent), out
    assert re.search(r"^at most \d of 30 units ran at once: the process may open 40 files "
                     r"\(ulimit -n\)$", out, re.M), out
    assert transcript(folder, "unit1") == [], "the waiting unit was polled"


CASES = {f.__name__: f for f in (sigint_to_a_fleet_mid_log_upload,
                                 sigterm_before_the_first_position,
                                 every_transfer_interrupted_then_whole,
                                 a_second_ctrl_c_ends_at_once,
                                 a_hangup_under_nohup_changes_nothing,
                                 a_hangup_with_the_terminal_gone,
                                 a_waiting_unit_is_cancelled_unopened)}


if __name__ == "__main__":
    sys.exit(main(CASES))
