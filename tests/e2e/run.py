#!/usr/bin/python3
"""End-to-end tests of the gpstracking program: the real binary under Xvfb, driven through the
accessibility interface, talking through a real pseudo-terminal to gpstracking-unit-sim.

    run.py --app build/app/gpstracking --sim build/sim/gpstracking-unit-sim [--keep] [CASE...]

Without CASE every case runs. Each case gets a new working folder (kept with --keep or when the
case fails), a new simulated unit and a new program.
"""

import argparse
import os
import shutil
import sys
import tempfile
import time
import traceback

# No bytecode caches in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import cases  # noqa: E402
from driver import Desktop, Failure, Program, Unit  # noqa: E402


class Test:
    """What a case works with: its folder, and starters for the unit and the program."""

    def __init__(self, app, sim, folder, desktop):
        self.app = app
        self.sim = sim
        self.folder = folder
        self.desktop = desktop
        self.units = []
        self.programs = []

    def unit(self, *args, name=None):
        unit = Unit(self.sim, self.folder, list(args), name or f"unit{len(self.units) + 1}")
        self.units.append(unit)
        return unit

    def program(self, com1, env=None, args=(), command=None):
        program = Program(self.app, self.folder, com1, env, args, command)
        self.programs.append(program)
        return program

    def path(self, name):
        return os.path.join(self.folder, name)

    def files(self, suffix):
        return sorted(name for name in os.listdir(self.folder) if name.endswith(suffix))

    def finish(self):
        """Stops what is still running; Failure when a unit or the program crashed."""
        problems = []
        for program in self.programs:
            if program.process.poll() is None:
                program.kill()
                problems.append("the program was still running at the end of the case")
            else:
                try:
                    program.check_clean(program.process.returncode)
                except Failure as failure:
                    problems.append(str(failure))
        for unit in self.units:
            try:
                unit.stop()
            except Failure as failure:
                problems.append(str(failure))
        if problems:
            raise Failure("\n".join(problems))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app")
    parser.add_argument("--sim")
    parser.add_argument("--keep", action="store_true", help="keep every case's folder")
    parser.add_argument("--list", action="store_true", help="print the cases' names")
    parser.add_argument("names", nargs="*")
    options = parser.parse_args()
    if options.list:
        print(";".join(cases.ALL))
        return 0
    if not options.app or not options.sim:
        parser.error("--app and --sim are needed")

    # A private D-Bus session for the accessibility bus, gone when the run ends.
    if os.environ.get("GPSTRACKING_E2E_SESSION") != "1":
        os.environ["GPSTRACKING_E2E_SESSION"] = "1"
        os.execvp("dbus-run-session",
                  ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__),
                   *sys.argv[1:]])

    names = options.names or list(cases.ALL)
    unknown = [name for name in names if name not in cases.ALL]
    if unknown:
        parser.error(f"unknown cases: {', '.join(unknown)}; known: {', '.join(cases.ALL)}")

    passed = failed = 0
    with Desktop() as desktop:
        for name in names:
            folder = tempfile.mkdtemp(prefix=f"gpstracking-e2e-{name}-")
            test = Test(os.path.abspath(options.app), os.path.abspath(options.sim), folder,
                        desktop)
            start = time.monotonic()
            problems = []
            try:
                cases.ALL[name](test)
            except Failure as failure:
                problems.append(str(failure))
            except Exception:  # noqa: BLE001 - a fault of the case itself
                problems.append(traceback.format_exc())
            try:
                test.finish()
            except Failure as failure:
                problems.append(str(failure))
            if problems:
                if desktop.health():
                    problems.append("desktop: " + desktop.health())
                failed += 1
                print(f"FAIL {name} ({time.monotonic() - start:.1f} s), folder kept: {folder}")
                for problem in problems:
                    print("  " + problem.replace("\n", "\n  "))
                sys.stdout.flush()
                continue
            passed += 1
            print(f"ok   {name} ({time.monotonic() - start:.1f} s)")
            if not options.keep:
                shutil.rmtree(folder, ignore_errors=True)
            sys.stdout.flush()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
