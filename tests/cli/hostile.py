#!/usr/bin/python3
"""gpstracking-cli against what goes wrong around it: noise on the line during an upload, fleet
ports whose names map to one file,
one device given under two names, a full disk under every kind of output, standard output that
takes nothing, names the picture must not follow or mangle, a log far larger than the program's
other files. Each case runs the real program, as a user's shell would.

    hostile.py --cli build/cli/gpstracking-cli --sim build/sim/gpstracking-unit-sim CASE
"""

import json
import os
import resource
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fleet import Units, main  # noqa: E402

LOG_LINE = '"15/03/24","07:58:{:02d}","51{:02d}.{:04d}","N","000{:02d}.5000","W","012.0","075.0"\r\n'


def write_log(path, positions):
    with open(path, "w", newline="") as file:
        for i in range(positions):
            file.write(LOG_LINE.format(i % 60, i % 60, i % 10000, (i * 7) % 60))


def run(cli, folder, *args, disk_bytes=None, stdout=subprocess.PIPE):
    """Runs the program in the folder; with disk_bytes, no file it writes may grow past that many
    bytes, which it meets as a full disk meets it: a write that fails part way."""

    def full_disk():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (disk_bytes, disk_bytes))

    return subprocess.run([cli, *args], cwd=folder, stdout=stdout, stderr=subprocess.PIPE,
                          timeout=120, preexec_fn=full_disk if disk_bytes else None)


def listing(folder):
    return sorted(os.listdir(folder))


def colliding_fleet_names(cli, units, folder):
    os.makedirs(os.path.join(folder, "x", "a-b"))
    os.makedirs(os.path.join(folder, "x", "a", "b"))
    ports = [units.start("x/a-b/u"), units.start("x/a/b/u")]
    result = run(cli, folder, "read-config", "unit.cfg", "--port", ports[0], "--port", ports[1])
    assert result.returncode == 0, result
    saved = [name for name in listing(folder) if name.endswith(".cfg")]
    assert len(saved) == 2, (saved, result.stdout)


def same_device_twice(cli, units, folder):
    port = units.start("u")
    # The same path with a doubled separator, and the terminal the link leads to.
    for other in (folder + "//u", os.path.realpath(port)):
        result = run(cli, folder, "read-config", "unit.cfg", "--port", port, "--port", other)
        assert result.returncode == 2, result
        assert b"are one device" in result.stderr, result.stderr
        assert not any(name.endswith(".cfg") for name in listing(folder)), listing(folder)


def fleet_logs_carry_their_ports(cli, units, folder):
    ports = [units.start("u1"), units.start("u2")]
    result = run(cli, folder, "read-log", folder, "--port", ports[0], "--port", ports[1])
    assert result.returncode == 0, result
    logs = [name for name in listing(folder) if name.endswith(".csv")]
    assert [name[:3] for name in logs] == ["u1_", "u2_"], logs


def full_disk_under_every_output(cli, units, folder):
    log = os.path.join(folder, "log.csv")
    write_log(log, 200)
    port = units.start("u")
    outputs = [
        ("track.png", ["plot", log, "-o"]),
        ("track.svg", ["plot", log, "-o"]),
        ("track.gpx", ["export", log, "--gpx", "-o"]),
        ("track.kml", ["export", log, "--kml", "-o"]),
        ("track.geojson", ["export", log, "--geojson", "-o"]),
        ("unit.cfg", ["read-config", "--port", port]),
        ("table.txt", ["read-table", "--port", port]),
    ]
    old = b"the old file, which must stay whole\n" * 4000
    for name, args in outputs:
        path = os.path.join(folder, name)
        with open(path, "wb") as file:
            file.write(old)
        before = listing(folder)
        args = args[:1] + [path] + args[1:] if args[0].startswith("read-") else args + [path]
        result = run(cli, folder, *args, disk_bytes=256)
        assert result.returncode == 1, (name, result)
        if not args[0].startswith("read-"):
            assert b": File too large" in result.stderr, (name, result.stderr)
        with open(path, "rb") as file:
            assert file.read() == old, name
        assert listing(folder) == before, (name, listing(folder))


def standard_output_that_takes_nothing(cli, units, folder):
    log = os.path.join(folder, "log.csv")
    write_log(log, 10)
    for args in (["export", log, "--geojson"], ["--help"]):
        with open("/dev/full", "wb") as full:
            result = run(cli, folder, *args, stdout=full)
        assert result.returncode == 1, (args, result)
        assert b"standard output: No space left on device" in result.stderr, result.stderr


def picture_names(cli, units, folder):
    log = os.path.join(folder, "log.csv")
    write_log(log, 20)
    null_link = os.path.join(folder, "null.png")
    os.symlink("/dev/null", null_link)
    dangling = os.path.join(folder, "dangling.png")
    os.symlink(os.path.join(folder, "target.png"), dangling)
    for link, why in ((null_link, b"not a regular file"), (dangling, b"No such file or directory")):
        result = run(cli, folder, "plot", log, "-o", link)
        assert result.returncode == 1, (link, result)
        assert b"cannot write " + link.encode() + b": " + why in result.stderr, result.stderr
    assert not os.path.exists(os.path.join(folder, "target.png"))
    # A name in Latin-1, as an older system wrote it: the picture gets exactly that name.
    latin1 = os.path.join(folder.encode(), b"caf\xe9.png")
    result = subprocess.run([cli, "plot", log, "-o", latin1], capture_output=True, timeout=120)
    assert result.returncode == 0, result
    with open(latin1, "rb") as file:
        assert file.read(8) == b"\x89PNG\r\n\x1a\n"


def noisy_uploads_are_never_ok(cli, units, folder):
    # Noise on the line from the 200th character on: what arrived is counted as damaged, the
    # unit's outcome is FAILED, and no file is written.
    for command, name in (("read-config", "unit.cfg"), ("read-table", "table.txt")):
        port = units.start("noisy-" + command, "--hostile", "noise:data:200", "--seed", "5")
        result = run(cli, folder, command, name, "--port", port)
        assert result.returncode == 1, result
        assert b"FAILED" in result.stdout and b" damaged character" in result.stdout, result
        assert not os.path.exists(os.path.join(folder, name)), listing(folder)


def a_log_cut_short_is_never_ok(cli, units, folder):
    # A damaged character that reads as the end mark "E" inside the second record: the unit's
    # log goes on, the file holds one line. Beside a whole log the run says status 3, not 0.
    record = "101530" "32045678" "035276543" "0" "0125" "2700" "120508"
    logs = {"whole": [record] * 3, "cut": [record, record[:29] + "E" + record[30:], record]}
    for name, records in logs.items():
        with open(os.path.join(folder, name + ".log"), "w") as file:
            file.write("\n".join(records) + "\n")
    whole, cut = (units.start(name, "--log-file", os.path.join(folder, name + ".log"))
                  for name in logs)
    os.makedirs(os.path.join(folder, "logs"))
    result = run(cli, folder, "read-log", "logs", "--port", whole, "--port", cut, "--json")
    assert result.returncode == 3, result
    outcomes = {o["port"]: o for o in map(json.loads, result.stdout.splitlines())}
    assert outcomes[whole]["outcome"] == "ok", outcomes
    assert outcomes[cut]["outcome"] == "warning", outcomes
    assert outcomes[cut]["cause"].endswith("the log ended inside a record and may be "
                                           "incomplete"), outcomes
    with open(os.path.join(folder, outcomes[cut]["file"]), "rb") as file:
        assert file.read().count(b"\r\n") == 1
    result = run(cli, folder, "read-log", "logs", "--port", cut)
    assert result.returncode == 3 and b"warning" in result.stdout, result


def a_log_of_seven_megabytes(cli, units, folder):
    log = os.path.join(folder, "log.csv")
    write_log(log, 100000)
    assert os.path.getsize(log) > 7000000
    out = os.path.join(folder, "log.geojson")
    result = run(cli, folder, "export", log, "--geojson", "-o", out)
    assert result.returncode == 0, result
    with open(out, encoding="utf-8") as file:
        track = json.load(file, parse_constant=lambda name: sys.exit(f"{name} in the GeoJSON"))
    assert len(track["features"][0]["geometry"]["coordinates"]) == 100000
    result = run(cli, folder, "plot", log, "-o", os.path.join(folder, "log.png"))
    assert result.returncode == 0, result


CASES = {f.__name__: f for f in (colliding_fleet_names, same_device_twice,
                                 fleet_logs_carry_their_ports, full_disk_under_every_output,
                                 standard_output_that_takes_nothing, picture_names,
                                 noisy_uploads_are_never_ok, a_log_cut_short_is_never_ok,
                                 a_log_of_seven_megabytes)}


if __name__ == "__main__":
    sys.exit(main(CASES))
