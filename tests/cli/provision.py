#!/usr/bin/python3
"""gpstracking-cli provision, --verify and --trace against gpstracking-unit-sim processes on
pseudo-terminals.

    provision.py --cli build/cli/gpstracking-cli --sim build/sim/gpstracking-unit-sim CASE
"""

import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fleet import main, run_cli  # noqa: E402

# The records of a configuration file the unit never gives back: the existing and the new
# password (records 29 and 30).
NOT_READ_BACK = {28, 29}


def records(path):
    with open(path, "rb") as f:
        return f.read().split(b"\r\n")


def template_from(cli, folder, port):
    """A configuration such as a unit in service holds, read from one of the units."""
    result = run_cli(cli, folder, "read-config", "template.cfg", "--port", port)
    assert result.returncode == 0, result
    return "template.cfg"


def four_units_from_a_template(cli, units, folder):
    ports = [units.start(f"unit{n}") for n in (1, 2)]
    ports.append(units.start("unit3", "--transcript", os.path.join(folder, "unit3.txt")))
    ports.append(units.start("unit4"))
    template = template_from(cli, folder, ports[0])
    # Captions with and without their colon, in any case, and window.control. Line 4 asks for an
    # interval the rules refuse.
    with open(os.path.join(folder, "units.csv"), "w") as f:
        f.write("port,Base Phone number 1,base phone number 2:,SMSC number,setup1.Text22\r\n")
        f.write(f"{ports[0]},+27820000001,+27830000001,+27831000000001,60\r\n")
        f.write(f"{ports[1]},+27820000002,,+27831000000002,120\r\n")
        f.write(f"{ports[2]},+27820000003,+27830000003,+27831000000003,20000\r\n")
        f.write(f"{ports[3]},+27820000004,\"+27830000004\",+27831000000004,\r\n")
    os.mkdir(os.path.join(folder, "kept"))
    result = run_cli(cli, folder, "provision", template, "--values", "units.csv", "--json",
                     "-o", "kept")
    assert result.returncode == 1, result
    outcomes = [json.loads(line) for line in result.stdout.splitlines()]
    assert [o["port"] for o in outcomes] == ports, outcomes
    refused = outcomes[2]
    assert refused["outcome"] == "failed" and refused["verified"] is None, refused
    assert refused["cause"].startswith("refused, line 4 of the values: "), refused
    assert "Invalid SMS tracking interval ONLINE" in refused["cause"], refused
    # Refused before its port opened: the unit heard nothing at all.
    with open(os.path.join(folder, "unit3.txt")) as f:
        assert not [line for line in f if line.startswith("pc ")], "unit3 was polled"
    for n, o in ((1, outcomes[0]), (2, outcomes[1]), (4, outcomes[3])):
        assert o["outcome"] == "ok" and o["verified"] is True and o["version"] == "2.14", o
        assert "verified" in o["cause"], o
        assert o["file"] == os.path.join("kept", f"template-unit{n}-v2.14.cfg"), o
        back = f"back{n}.cfg"
        read = run_cli(cli, folder, "read-config", back, "--port", o["port"])
        assert read.returncode == 0, read
        kept, given = records(os.path.join(folder, o["file"])), records(os.path.join(folder, back))
        assert len(kept) == len(given) == 72, (kept, given)
        differing = [i for i in range(len(kept)) if kept[i] != given[i]]
        assert set(differing) <= NOT_READ_BACK, (differing, o["file"])
        assert kept[2] == f'"+2782000000{n}"'.encode(), kept[2]
    assert sorted(os.listdir(os.path.join(folder, "kept"))) == [
        "template-unit1-v2.14.cfg", "template-unit2-v2.14.cfg", "template-unit4-v2.14.cfg"]


def kept_only_for_units_that_took_their_values(cli, units, folder):
    good = units.start("good")
    silent = units.start("silent", "--silent")
    faulty = units.start("faulty", "--store-wrong", "16")
    blocked = units.start("blocked")
    missing = os.path.join(folder, "nothing-here")
    template = template_from(cli, folder, good)
    # The good unit's terminal under its own name: one device, given on a later line.
    lines = [good, silent, faulty, missing, os.path.realpath(good), blocked]
    with open(os.path.join(folder, "units.csv"), "w") as f:
        f.write("port,Base phone number 1\r\n")
        f.writelines(f"{port},+2782000000{n}\r\n" for n, port in enumerate(lines))
    # A folder where the blocked unit's file would go.
    os.makedirs(os.path.join(folder, "kept", "template-blocked-v2.14.cfg"))
    result = run_cli(cli, folder, "provision", template, "--values", "units.csv", "--json",
                     "--wake-limit", "3", "-o", "kept")
    assert result.returncode == 1, result
    outcomes = [json.loads(line) for line in result.stdout.splitlines()]
    assert [o["port"] for o in outcomes] == lines, outcomes
    assert outcomes[0]["outcome"] == "ok" and outcomes[0]["verified"] is True, outcomes[0]
    causes = ["does not answer", "NOT verified", "port not available",
              f"refused, line 6 of the values: the port {lines[4]} is given on line 2 as {good}",
              "verified (unit version \"2.14\"); the file kept/template-blocked-v2.14.cfg cannot "
              "be kept: not a regular file"]
    for o, cause in zip(outcomes[1:], causes):
        assert o["outcome"] == "failed" and cause in o["cause"] and o["file"] == "", o
    # Only the unit that took its values and gave them back has a file that says so.
    assert sorted(os.listdir(os.path.join(folder, "kept"))) == [
        "template-blocked-v2.14.cfg", "template-good-v2.14.cfg"]
    assert outcomes[0]["file"] == os.path.join("kept", "template-good-v2.14.cfg"), outcomes[0]


def values_reach_the_unit_as_the_file_says(cli, units, folder):
    ports = [units.start("u1"), units.start("u2")]
    template = template_from(cli, folder, ports[0])
    # Base phone number 1 and the APN (records 3 and 16), as a spreadsheet saves them in UTF-8
    # and in Latin-1: a doubled quote is one, and each character is one byte in the unit.
    files = {
        "utf8.csv": ("port,Base phone number 1,setup1.Text21\r\n"
                     f'{ports[0]},"+2782""0001",café\r\n'
                     f"{ports[1]},+27820000002,{'é' * 20}\r\n").encode("utf-8"),
        "latin1.csv": f"port,setup1.Text21\r\n{ports[0]},Ça va\r\n".encode("latin-1"),
    }
    expected = {
        "utf8.csv": [(b'+2782"0001', b'"caf\xe9"'), (b'"+27820000002"', b'"' + b"\xe9" * 20 + b'"')],
        "latin1.csv": [(records(os.path.join(folder, template))[2], b'"\xc7a va"')],
    }
    for name, text in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(text)
        result = run_cli(cli, folder, "provision", template, "--values", name, "--json")
        assert result.returncode == 0, result
        for o, (phone, apn) in zip(map(json.loads, result.stdout.splitlines()), expected[name]):
            assert o["verified"] is True, o
            read = run_cli(cli, folder, "read-config", "back.cfg", "--port", o["port"])
            assert read.returncode == 0, read
            back, kept = records(os.path.join(folder, "back.cfg")), records(
                os.path.join(folder, o["file"]))
            assert (back[2], back[15]) == (kept[2], kept[15]) == (phone, apn), (name, back, kept)


def a_byte_stored_wrongly_is_named(cli, units, folder):
    good = units.start("good")
    template = template_from(cli, folder, good)
    # Image index 16 is the first byte of Base phone number 1.
    faulty = units.start("faulty", "--store-wrong", "16")
    result = run_cli(cli, folder, "write-config", template, "--verify", "--port", faulty)
    assert result.returncode == 1, result
    row = result.stdout.splitlines()[1]
    assert "FAILED" in row and "NOT verified" in row, row
    assert 'Configuration / Base phone number 1 "+27821234567" written, ",27821234567" read back' in row, row
    assert "Base phone number 2" not in row, row
    unproven = run_cli(cli, folder, "write-config", template, "--port", faulty)
    assert unproven.returncode == 0 and "verified" not in unproven.stdout, unproven


def crossed(transcript, trace):
    """Compares a trace with the unit's transcript of the same exchanges, direction by
    direction; gives the characters the trace masked, as the transcript has them, and the
    trace's opens."""
    sent = {"pc": [], "unit": []}
    with open(transcript) as f:
        for line in f:
            who, *rest = line.split()
            if who in sent:
                sent[who] += [rest[0][i:i + 2].upper() for i in range(0, len(rest[0]), 2)]
    traced = {"pc": [], "unit": []}
    opens = []
    with open(trace) as f:
        for line in f:
            fields = line.split()
            float(fields[0])  # the seconds
            if fields[1] in traced:
                assert fields[2] in ("poll", "password", "data"), line
                traced[fields[1]].append(fields[3])
            elif fields[1] == "open":
                opens.append(fields[2:])
    masked = {}
    for who in sent:
        assert len(traced[who]) == len(sent[who]), (who, len(traced[who]), len(sent[who]))
        for i, c in enumerate(traced[who]):
            assert c == "**" or c == sent[who][i], (who, i, c, sent[who][i])
        masked[who] = "".join(chr(int(sent[who][i], 16))
                              for i, c in enumerate(traced[who]) if c == "**")
    return masked, opens


def trace_holds_what_crossed_the_line(cli, units, folder):
    transcript = os.path.join(folder, "transcript.txt")
    port = units.start("unit1", "--transcript", transcript)
    result = run_cli(cli, folder, "read-config", "unit.cfg", "--port", port, "--trace",
                     "trace.txt")
    assert result.returncode == 0, result
    masked, opens = crossed(transcript, os.path.join(folder, "trace.txt"))
    assert opens == [[port, "9600,N,8,1"]], opens
    # The PC's password twice; the secret fields inside the unit's image, two digits a byte, in
    # the image's order: the Security ID code, the SIM PIN (none), the GPRS password and the
    # device password, each with its slot's unused bytes.
    secrets = (b"4815062937".hex() + "00ffffff" + b"guest".hex() + "ff" * 11 +
               b"7391".hex()).upper()
    assert masked == {"pc": "73917391", "unit": secrets}, masked

    # A write and its read-back in one trace: the image's password goes out in the first
    # exchange's data and comes back in the second's.
    written = os.path.join(folder, "written.txt")
    other = units.start("unit2", "--transcript", written)
    result = run_cli(cli, folder, "write-config", "unit.cfg", "--verify", "--port", other,
                     "--trace", "written-trace.txt")
    assert result.returncode == 0 and "verified" in result.stdout, result
    masked, opens = crossed(written, os.path.join(folder, "written-trace.txt"))
    assert opens == [[other, "9600,N,8,1"]] * 2, opens
    assert masked == {"pc": "73917391" + secrets + "73917391", "unit": secrets}, masked


CASES = {f.__name__: f for f in (four_units_from_a_template, a_byte_stored_wrongly_is_named,
                                 trace_holds_what_crossed_the_line,
                                 kept_only_for_units_that_took_their_values,
                                 values_reach_the_unit_as_the_file_says)}

if __name__ == "__main__":
    sys.exit(main(CASES))
