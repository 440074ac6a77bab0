#!/usr/bin/env python3
"""Runs two zspack builds on the same tunes and command lines and compares all they do.

Each case is one tune from make_random_tunes, placed in a scratch folder under the input
name of its command line, with a stand-in ACME.exe beside it (one that exits 0, one that
fails or is killed, one that cannot be started, or none at all), now and then a folder
where a generated file should go or stale generated files, and now and then a console
that takes no text. Both binaries run in their own copy of that folder, with standard
input from /dev/null; their standard output, standard error, exit code, both generated
files and the folder's listing afterwards must be identical byte for byte.

Usually started through scripts/differential.sh, which finds or builds the tune tool.
Exits 0 when every case is identical, 1 on any difference, 2 on a usage error.
"""

import argparse
import collections
import concurrent.futures
import difflib
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

GENERATED = ("the_defines.a", "the_data.a")
FAIL_CODES = [1, 2, 7, 255]
RUN_TIME_LIMIT = 60  # seconds per process; a hang is a result like any other

# The stand-in assemblers: each says how it was called, so a change in the arguments
# shows as a console difference.
ASSEMBLER_OK = b"#!/bin/sh\necho \"[stand-in assembler: $*]\"\nexit 0\n"
ASSEMBLER_FAILS = b"#!/bin/sh\necho \"[stand-in assembler: $*]\"\nexit %d\n"
ASSEMBLER_KILLED = b"#!/bin/sh\necho \"[stand-in assembler: $*]\"\nkill -9 $$\n"


def random_switch(rng):
    """One switch as a musician might type it, in either case; now and then a broken one."""
    hex_digits = "0123456789abcdefABCDEF"
    digits = "".join(rng.choice(hex_digits) for _ in range(4))
    if rng.random() < 0.04:
        return rng.choice(["-s", "-s7", "-s/", "-a2OO0", "-a12", "-a", "-ag000", "-p"]).encode("latin-1")
    kind = rng.random()
    if kind < 0.30:
        choices = ["-s%d" % rng.randint(0, 4)] * 8 + ["-S%d" % rng.randint(0, 4), "-s2x"]
    elif kind < 0.55:
        choices = ["-a" + digits] * 8 + ["-A" + digits, "-a" + digits + "7"]
    elif kind < 0.70:
        choices = ["-c", "-c", "-C", "-crunch"]
    elif kind < 0.88:
        choices = ["-p%d" % rng.randint(0, 3)] * 8 + ["-P1", "-p9", "-pA", "-p\xff"]
    else:
        choices = ["-x", "-1", "-", "--", "-zz", "-\xe9", "-v9"]
    return rng.choice(choices).encode("latin-1")


INPUT_NAMES = [b"tune.prg"] * 12 + [
    b"my tune.prg",
    b"back\\slash.prg",
    b"sub dir/tune 1.prg",
    b"./tune.prg",
    b"T\xfcne.prg",
    b"tab\tin name.prg",
    b"quote\"d.prg",
    b"n" * 200 + b".prg",
]
# The last two are refused: a double quote or a control character would break the string
# that the defines file puts the name in.
OUTPUT_NAMES = [b"out"] * 40 + [
    b"my tune",
    b"C:\\music\\tune",
    b"tune.sid",
    b"",
    b"x" * 300,
    b"\xfcmlaut",
    b"-c",
    b"out.prg",
    b"bad\"quote",
    b"tab\tname",
]


def random_command_line(rng):
    """The arguments and the name the tune is placed under (None: no tune placed)."""
    name = rng.choice(INPUT_NAMES)
    output = rng.choice(OUTPUT_NAMES)
    switches = [random_switch(rng) for _ in range(rng.choice([0, 0, 1, 1, 1, 2, 2, 3, 4]))]
    shape = rng.random()
    if shape < 0.86:
        return switches + [name, output], name
    if shape < 0.90:
        # Everything after the input name is the output name and beyond, switch or not.
        return switches + [name, output, rng.choice([b"-s1", b"extra", b"-a0000"])], name
    if shape < 0.92:
        # Exactly two arguments: no switch scan, so a name that starts with "-" is a file.
        dashed = rng.choice([b"-s1", b"-c", b"-a2000"])
        return [dashed, output], dashed
    if shape < 0.95:
        return switches + [name], name  # no output name
    if shape < 0.96:
        return [random_switch(rng) for _ in range(rng.randint(3, 4))], name  # no input name
    if shape < 0.97:
        return switches + [b"", output], name  # an empty input name
    if shape < 0.98:
        return switches + [b"missing.prg", output], name  # no such file
    if shape < 0.985:
        return [name], name  # too few arguments
    if shape < 0.99:
        return [], name
    return switches + [b"sub", output], None  # the input is a folder


def random_case(index, tune, rng):
    args, placed = random_command_line(rng)
    setup = rng.random()
    return {
        "index": index,
        "tune": tune,
        "args": args,
        "placed": placed,
        "assembler": rng.choices(["ok", "missing", "fails", "killed", "not-executable"], [80, 8, 8, 2, 2])[0],
        "fail_code": rng.choice(FAIL_CODES),
        # A folder where a generated file goes, or stale files to be replaced.
        "setup": "defines-folder" if setup < 0.02 else "data-folder" if setup < 0.04
        else "stale" if setup < 0.08 else "plain",
        # Now and then a console that takes no text: the run ends with a runtime error.
        "console": "full" if rng.random() < 0.02 else "captured",
    }


def assembler_name(case):
    return "fails %d" % case["fail_code"] if case["assembler"] == "fails" else case["assembler"]


def write_assemblers(folder):
    """Every stand-in assembler, written once before any run starts: a case links one into
    its folder, since a program file that some process still has open for writing cannot
    be started ("text file busy"), and another thread may fork while a copy is written."""
    os.makedirs(folder)
    paths = {}
    for name, script, mode in [
        ("ok", ASSEMBLER_OK, 0o755),
        ("not-executable", ASSEMBLER_OK, 0o644),
        ("killed", ASSEMBLER_KILLED, 0o755),
    ] + [("fails %d" % code, ASSEMBLER_FAILS % code, 0o755) for code in FAIL_CODES]:
        path = os.path.join(folder, name.replace(" ", "-").encode())
        with open(path, "wb") as out:
            out.write(script)
        os.chmod(path, mode)
        paths[name] = path
    return paths


def prepare(case, folder, assemblers):
    os.makedirs(folder)
    os.makedirs(os.path.join(folder, b"sub"))
    if case["placed"] is not None:
        target = os.path.join(folder, case["placed"])
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(case["tune"], target)
    if case["assembler"] != "missing":
        os.link(assemblers[assembler_name(case)], os.path.join(folder, b"ACME.exe"))
    if case["setup"] == "defines-folder":
        os.makedirs(os.path.join(folder, b"the_defines.a"))
    elif case["setup"] == "data-folder":
        os.makedirs(os.path.join(folder, b"the_data.a"))
    elif case["setup"] == "stale":
        for name in GENERATED:
            with open(os.path.join(folder, name.encode()), "wb") as out:
                out.write(b"stale contents that must be replaced\r\n" * 100)


def listing(folder):
    entries = []
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        for name in sorted(dirs) + sorted(files):
            path = os.path.join(root, name)
            entries.append(os.path.relpath(path, folder) + (b"/" if os.path.isdir(path) else b""))
    return b"\n".join(entries) + b"\n"


def generated(folder, name):
    path = os.path.join(folder, name.encode())
    if os.path.isdir(path):
        return b"<a folder>"
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def run_one(binary, case, folder, assemblers):
    prepare(case, folder, assemblers)
    try:
        with open(os.devnull if case["console"] == "captured" else "/dev/full", "wb") as full:
            done = subprocess.run([binary] + case["args"], cwd=folder, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE if case["console"] == "captured" else full,
                                  stderr=subprocess.PIPE, timeout=RUN_TIME_LIMIT)
        exit_code = done.returncode
        out, err = done.stdout or b"", done.stderr
    except subprocess.TimeoutExpired as hang:
        exit_code, out, err = "hung for %d s" % RUN_TIME_LIMIT, hang.stdout or b"", hang.stderr or b""
    result = {"exit code": exit_code, "stdout": out, "stderr": err}
    for name in GENERATED:
        result[name] = generated(folder, name)
    result["folder afterwards"] = listing(folder)
    return result


def run_case(case, binaries, scratch, assemblers, keep):
    base = os.path.join(scratch, b"%04d" % case["index"])
    results = [run_one(binary, case, os.path.join(base, side), assemblers)
               for side, binary in zip((b"ref", b"new"), binaries)]
    differences = [field for field in results[0] if results[0][field] != results[1][field]]
    if not keep and not differences:
        shutil.rmtree(base, ignore_errors=True)
    return case, results, differences


def show_value(value):
    if value is None:
        return ["(no file)"]
    if isinstance(value, int) or isinstance(value, str):
        return [str(value)]
    return value.decode("latin-1").replace("\r", "\\r").split("\n")


def describe(case, results, differences, scratch):
    args = " ".join(repr(a.decode("latin-1")) for a in case["args"])
    print("--- case %d: zspack %s" % (case["index"], args))
    print("    tune %s, assembler %s, setup %s, console %s; folders kept in %s" % (
        case["tune"].decode(), case["assembler"], case["setup"], case["console"],
        os.path.join(scratch, b"%04d" % case["index"]).decode("latin-1")))
    for field in differences:
        print("    %s differs:" % field)
        diff = list(difflib.unified_diff(show_value(results[0][field]), show_value(results[1][field]),
                                         "ref", "new", lineterm="", n=1))
        for line in diff[:24]:
            print("      " + line)
        if len(diff) > 24:
            print("      ... %d more diff lines" % (len(diff) - 24))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("ref", help="the reference zspack binary")
    parser.add_argument("new", help="the zspack binary to compare with it")
    parser.add_argument("count", nargs="?", type=int, default=2000, help="number of tunes (default 2000)")
    parser.add_argument("--tunes-tool", required=True, help="path of make_random_tunes")
    parser.add_argument("--seed", type=int, default=1, help="seed of the tunes and command lines (default 1)")
    parser.add_argument("--jobs", type=int, default=2, help="cases run at once (default 2)")
    parser.add_argument("--show", type=int, default=5, help="differences shown in detail (default 5)")
    parser.add_argument("--keep", action="store_true", help="keep every scratch folder, not only differing ones")
    parser.add_argument("--scratch-parent", help="where the scratch folder is made (default: the system's temp)")
    options = parser.parse_args()
    binaries = [os.fsencode(os.path.abspath(b)) for b in (options.ref, options.new)]
    for binary in binaries + [options.tunes_tool]:
        if not os.access(binary, os.X_OK):
            print("differential: %s is not an executable" % os.fsdecode(binary), file=sys.stderr)
            return 2

    started = time.monotonic()
    scratch = tempfile.mkdtemp(prefix="zspack-differential-", dir=options.scratch_parent).encode()
    tunes = os.path.join(scratch, b"tunes")
    os.makedirs(tunes)
    subprocess.run([options.tunes_tool, tunes, str(options.count), str(options.seed)], check=True)
    assemblers = write_assemblers(os.path.join(scratch, b"assemblers"))
    rng = random.Random(options.seed)
    cases = [random_case(i, os.path.join(tunes, b"%04d.prg" % i), rng) for i in range(options.count)]

    differing = []
    exit_codes = collections.Counter()
    packed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=options.jobs) as pool:
        runs = [pool.submit(run_case, case, binaries, scratch, assemblers, options.keep) for case in cases]
        for run in runs:
            case, results, differences = run.result()
            exit_codes[results[0]["exit code"]] += 1
            packed += all(isinstance(results[0][name], bytes) and results[0][name] != b"<a folder>"
                          for name in GENERATED) and b"stale contents" not in results[0]["the_data.a"]
            if differences:
                differing.append((case, results, differences))

    identical = len(cases) - len(differing)
    for case, results, differences in differing[:options.show]:
        describe(case, results, differences, scratch)
    if len(differing) > options.show:
        print("... and %d more differing cases" % (len(differing) - options.show))
    print("differential: reference exit codes %s; %d cases wrote both files" % (
        ", ".join("%s: %d" % (code, n) for code, n in sorted(exit_codes.items(), key=str)), packed))
    print("differential: %d cases, %d identical, %d different (%.1f s; ref %s, new %s)" % (
        len(cases), identical, len(differing), time.monotonic() - started, *map(os.fsdecode, binaries)))
    if differing or options.keep:
        print("differential: scratch folders kept in %s" % scratch.decode())
    else:
        shutil.rmtree(scratch, ignore_errors=True)
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
