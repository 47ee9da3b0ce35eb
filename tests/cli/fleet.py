#!/usr/bin/python3
"""End-to-end tests of gpstracking-cli: the real program against gpstracking-unit-sim
processes, each serving a unit on its own pseudo-terminal.

    fleet.py --cli build/cli/gpstracking-cli --sim build/sim/gpstracking-unit-sim CASE
"""

import argparse
import json
import os
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

    def stop(self):
        for process in self.processes:
            process.terminate()
        for process in self.processes:
            process.wait(timeout=10)


def run_cli(cli, folder, *args):
    return subprocess.run([cli, *args], cwd=folder, capture_output=True, text=True, timeout=120)


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
        "poll in 4 s)", result.stderr
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
    assert outcomes[port]["cause"] == f"read, but {unwritable} could not be saved", outcomes
    assert sorted(result.stderr.splitlines()) == sorted(
        [f"{missing}: {why}", f"{port}: read, but {unwritable} could not be saved"]), result.stderr


CASES = {f.__name__: f for f in (fleet_of_four_with_a_silent_unit,
                                 paced_table_round_trip_in_json,
                                 missing_port_and_unwritable_file)}


def main(cases):
    """Runs the case the command line names, from `cases`, on a folder of its own."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("case", nargs="?")
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        units = Units(options.sim, folder)
        try:
            cases[options.case](options.cli, units, folder)
        finally:
            units.stop()
    print(f"{options.case}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(CASES))
