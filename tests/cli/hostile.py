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
import stat
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


def private_device(folder, name, minor):
    """A memory device (1: null 3, zero 5, full 7) made in the test's own folder, or None when
    this user cannot make one. Tests never aim at the machine's own /dev entries: should the
    guard under test break, a save through the path replaces only this node."""
    path = os.path.join(folder, name)
    try:
        os.mknod(path, 0o600 | stat.S_IFCHR, os.makedev(1, minor))
    except PermissionError:
        return None
    return path


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
    full_device = private_device(folder, "full", 7)
    if full_device is None:
        return
    for args in (["export", log, "--geojson"], ["--help"]):
        with open(full_device, "wb") as full:
            result = run(cli, folder, *args, stdout=full)
        assert result.returncode == 1, (args, result)
        assert b"standard output: No space left on device" in result.stderr, result.stderr


def picture_names(cli, units, folder):
    log = os.path.join(folder, "log.csv")
    write_log(log, 20)
    null_link = os.path.join(folder, "null.png")
    # A link to a device (the test's own; a FIFO when it cannot make one).
    device = private_device(folder, "null", 3)
    if device is None:
        device = os.path.join(folder, "null")
        os.mkfifo(device)
    os.symlink(device, null_link)
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


def refused_before_any_port_opens(cli, units, folder):
    """A trace that is a file the command reads or writes, a FIFO or a device as the trace, a COM
    name with blanks, a table the unit cannot hold: each is refused with its reason, and the unit
    hears nothing, no file changes."""
    heard = os.path.join(folder, "heard.txt")
    port = units.start("u", "--transcript", heard)
    assert run(cli, folder, "read-config", "unit.cfg", "--port", port).returncode == 0
    os.symlink("unit.cfg", os.path.join(folder, "link.cfg"))
    os.mkfifo(os.path.join(folder, "fifo"))
    with open(os.path.join(folder, "table.txt"), "w", newline="") as table:
        table.writelines(f'"{row}","{120 if row == 0 else 255}","255"\r\n' for row in range(100))
    with_port = ["--port", port]
    rows = [
        (["write-config", "unit.cfg", "--trace", "unit.cfg"] + with_port, 2,
         b"the trace unit.cfg cannot be written: it is also unit.cfg, which the run reads"),
        (["write-config", "unit.cfg", "--trace", "link.cfg"] + with_port, 2, b"it is also unit.cfg"),
        (["read-config", "x.cfg", "--trace", "./x.cfg"] + with_port, 2, b"it is also x.cfg"),
        (["read-config", "x.cfg", "--trace", "fifo"] + with_port, 2,
         b"the trace fifo cannot be written: it is a FIFO, not a regular file"),
        (["read-config", "x.cfg", "--trace", folder] + with_port, 2, b"it is a folder"),
        (["read-config", "x.cfg", "--port", "COM3\n"], 2, b'"COM3\\n" is not a COM port'),
        (["write-table", "table.txt"] + with_port, 1,
         b'nothing sent: row 0 latitude "120": outside 0 to 90'),
    ]
    # A device node of the test's own (a full device), when the test may make one.
    if os.geteuid() == 0:
        try:
            os.mknod(os.path.join(folder, "full"), 0o600 | stat.S_IFCHR, os.makedev(1, 7))
            rows.append((["read-config", "x.cfg", "--trace", "full"] + with_port, 2,
                         b"the trace full cannot be written: it is a device, not a regular file"))
        except PermissionError:
            pass
    with open(os.path.join(folder, "unit.cfg"), "rb") as file:
        configuration = file.read()
    for args, status, said in rows:
        before = os.path.getsize(heard)
        result = run(cli, folder, *args)
        assert result.returncode == status, (args, result)
        assert said in result.stderr, (args, result.stderr)
        assert os.path.getsize(heard) == before, args
        assert not os.path.exists(os.path.join(folder, "x.cfg")), args
        with open(os.path.join(folder, "unit.cfg"), "rb") as file:
            assert file.read() == configuration, args


def a_port_that_is_no_terminal(cli, units, folder):
    # COM3 pointed at a file, and at a device node of the test's own (as /dev/zero) when the
    # test may make one: absent from ports, and said to be no serial device.
    targets = [os.path.join(folder, "unit.cfg")]
    open(targets[0], "w").close()
    if os.geteuid() == 0:
        try:
            os.mknod(os.path.join(folder, "zero"), 0o600 | stat.S_IFCHR, os.makedev(1, 5))
            targets.append(os.path.join(folder, "zero"))
        except PermissionError:
            pass
    for target in targets:
        os.environ["GPSTRACKING_COM3"] = target
        listed = run(cli, folder, "ports")
        com3 = listed.stdout.splitlines()[2].split()
        assert com3 == [b"COM3", target.encode(), b"absent", b"not", b"a", b"serial", b"device"], com3
    del os.environ["GPSTRACKING_COM3"]


def a_trace_on_a_full_disk(cli, units, folder):
    # The table file fits, its trace does not: the run fails and says why, in the summary too.
    port = units.start("u")
    result = run(cli, folder, "read-table", "table.txt", "--port", port, "--trace", "trace.txt",
                 disk_bytes=8192)
    assert result.returncode == 1, result
    assert b"the trace trace.txt cannot be written: File too large" in result.stderr, result
    row = result.stdout.splitlines()[1]
    assert b"FAILED" in row and b"trace.txt cannot be written" in row, row


CASES = {f.__name__: f for f in (colliding_fleet_names, same_device_twice,
                                 fleet_logs_carry_their_ports, full_disk_under_every_output,
                                 standard_output_that_takes_nothing, picture_names,
                                 noisy_uploads_are_never_ok, a_log_cut_short_is_never_ok,
                                 a_log_of_seven_megabytes, refused_before_any_port_opens,
                                 a_port_that_is_no_terminal, a_trace_on_a_full_disk)}


if __name__ == "__main__":
    sys.exit(main(CASES))
