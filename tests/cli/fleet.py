#!/usr/bin/python3
"""End-to-end tests of gpstracking-cli: the real program against gpstracking-unit-sim
processes, each serving a unit on its own pseudo-terminal.

    fleet.py --cli build/cli/gpstracking-cli --sim build/sim/gpstracking-unit-sim CASE
"""

import argparse
import json
import os
import re
import resource
import subprocess
import sys
import tempfile
import time


class Units:
    """Simulated units on pseudo-terminals, reached through links in the case's folder."""

    def __init__(self, sim, folder):
        self.sim = sim
        self.folder = folder
        self.processes = []
        self.terminals = []

    def start(self, name, *args):
        link = os.path.join(self.folder, name)
        process = subprocess.Popen([self.sim, "--link", link, *args], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        process.stdout.readline()  # the terminal's path: the unit is serving
        self.processes.append(process)
        deadline = time.monotonic() + 10
        while not os.path.islink(link) and time.monotonic() < deadline:
            time.sleep(0.05)
        return link

    def silent(self, count):
        """`count` units that never answer, cheaply: pseudo-terminals held open here, nobody
        behind them; their devices' paths."""
        paths = []
        for _ in range(count):
            terminal, device = os.openpty()
            self.terminals.append(terminal)
            paths.append(os.ttyname(device))
            os.close(device)
        return paths

    def stop(self):
        for terminal in self.terminals:
            os.close(terminal)
        for process in self.processes:
            process.terminate()
        for process in self.processes:
            process.wait(timeout=10)


def run_cli(cli, folder, *args, files=None):
    """The program's result; with `files`, the process may open no more descriptors than that
    (ulimit -n)."""
    def limit():
        resource.setrlimit(resource.RLIMIT_NOFILE, (files, files))
    return subprocess.run([cli, *args], cwd=folder, capture_output=True, text=True, timeout=120,
                          preexec_fn=limit if files else None)


def port_options(ports):
    return [option for port in ports for option in ("--port", port)]


def fleet_of_four_with_a_silent_unit(cli, units, folder):
    ports = [units.start("unit1"), units.start("unit2"), units.start("unit3", "--silent"),
             units.start("unit4")]
    args = ["read-config", "unit.cfg", "--wake-limit", "4"]
    for port in ports:
        args += ["--port", port]
    result = run_cli(cli, folder, *args)
    assert result.returncode == 1, result
    rows = {line.split()[0]: line for line in result.stdout.splitlines()[1:]}
    assert set(rows) == set(ports), result.stdout
    for port in ports:
        failed = port.endswith("unit3")
        assert ("FAILED" in rows[port]) == failed, rows[port]
    assert "does not answer" in rows[ports[2]], rows[ports[2]]
    # One line on the error stream names the silent port and the cause.
    assert result.stderr.strip() == ports[2] + ": the unit does not answer (no reply to the " \
        "poll in 4 s): check the cable, the unit's power and the port", result.stderr
    saved = sorted(name for name in os.listdir(folder) if name.endswith(".cfg"))
    assert saved == ["unit-unit1.cfg", "unit-unit2.cfg", "unit-unit4.cfg"], saved
    contents = {open(os.path.join(folder, name), "rb").read() for name in saved}
    assert len(contents) == 1 and len(contents.pop().split(b"\r\n")) == 72


def paced_table_round_trip_in_json(cli, units, folder):
    ports = [units.start("unit1", "--baud-pacing"), units.start("unit2", "--baud-pacing")]
    args = ["read-table", "table.txt", "--json"]
    for port in ports:
        args += ["--port", port]
    result = run_cli(cli, folder, *args)
    assert result.returncode == 0, result
    outcomes = [json.loads(line) for line in result.stdout.splitlines()]
    assert [o["port"] for o in outcomes] == ports, outcomes
    for o in outcomes:
        assert o["outcome"] == "ok" and o["bytes"] >= 2399, o
        assert os.path.getsize(os.path.join(folder, o["file"])) > 1000, o
    written = run_cli(cli, folder, "write-table", outcomes[0]["file"], "--port", ports[1])
    assert written.returncode == 0 and "GPS location table written" in written.stdout, written


def missing_port_and_unwritable_file(cli, units, folder):
    port = units.start("unit1")
    missing = os.path.join(folder, "nothing-here")
    result = run_cli(cli, folder, "read-config", "/nonexistent/unit.cfg", "--port", port,
                     "--port", missing, "--json")
    assert result.returncode == 1, result
    outcomes = {o["port"]: o for o in map(json.loads, result.stdout.splitlines())}
    why = f"port not available: Device {missing} is not present: plug the adapter in or choose " \
        "another port."
    assert outcomes[missing]["cause"] == why, outcomes
    unwritable = outcomes[port]["file"]
    # Why, and where what was read is kept instead: a configuration file of its own.
    cause = outcomes[port]["cause"]
    said = f"read, but {unwritable} could not be saved: No such file or directory; what was " \
        f"read is kept in {folder}/tmp/gpstracking-unsaved-"
    assert cause.startswith(said) and cause.endswith(".cfg"), outcomes
    with open(cause[cause.rindex(" ") + 1:], "rb") as kept:
        assert len(kept.read().split(b"\r\n")) == 72
    assert sorted(result.stderr.splitlines()) == sorted(
        [f"{missing}: {why}", f"{port}: {cause}"]), result.stderr


def a_fleet_beyond_its_descriptor_limit(cli, units, folder):
    # Three units that answer, behind 57 that do not: under 40 descriptors they wait several
    # turns, longer than their own time limit, which counts only once they have started.
    answering = [units.start(f"unit{n}") for n in range(3)]
    ports = units.silent(57) + answering
    args = ["read-config", "unit.cfg", "--json", "--wake-limit", "2", "--time-limit", "6",
            *port_options(ports)]
    result = run_cli(cli, folder, *args, files=40)
    assert result.returncode == 1, result
    outcomes = [json.loads(line) for line in result.stdout.splitlines()]
    assert [o["port"] for o in outcomes] == ports, result
    for o in outcomes:
        expected = ("ok", "configuration read") if o["port"] in answering else \
            ("failed", "the unit does not answer")
        assert (o["outcome"], o["cause"][:len(expected[1])]) == expected, o
        assert 1 < o["at_once"] < 20, o
    assert all(o["seconds"] < 6 for o in outcomes), outcomes

    # Too few descriptors for even one unit: each says so, and the run still ends in a summary.
    result = run_cli(cli, folder, "read-config", "unit.cfg", *port_options(ports[:2]), files=9)
    assert result.returncode == 1, result
    rows = result.stdout.splitlines()[1:]
    assert len(rows) == 2 and all(re.search(
        r"FAILED .* not started: the process may open 9 files \(ulimit -n\) and one unit needs "
        r"\d+; raise the limit$", row) for row in rows), result


CASES = {f.__name__: f for f in (fleet_of_four_with_a_silent_unit,
                                 paced_table_round_trip_in_json,
                                 missing_port_and_unwritable_file,
                                 a_fleet_beyond_its_descriptor_limit)}


def main(cases):
    """Runs the case the command line names, from `cases`, on a folder of its own."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("case", nargs="?")
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        # What the program keeps in the temporary folder stays in the case's own.
        os.environ["TMPDIR"] = os.path.join(folder, "tmp")
        os.mkdir(os.environ["TMPDIR"])
        units = Units(options.sim, folder)
        try:
            cases[options.case](options.cli, units, folder)
        finally:
            units.stop()
    print(f"{options.case}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(CASES))
