#!/usr/bin/env python3
"""Mutation check: does the normal test suite notice a careless one-line change?

Each entry of the list (mutations.txt beside this script) names a source file,
a text that occurs exactly once in it on one line, its replacement, and the
tests of the normal suite that should notice. For each entry the script
changes the line, builds incrementally in a build folder of its own, runs
those tests and puts the file back, always, also on Ctrl-C or a kill signal.
A mutation counts as killed when a test fails or runs out of time; one that
no longer builds is reported apart and not counted. At the end it prints the
survivors and the kill rate.

Usage: bench/mutation/run.py [--build DIR] [--list FILE] [--only N,M,...]
                              [--baseline] [--timeout SECONDS] [--check]
                              [--budget SECONDS]
--check only verifies that every entry still finds its line (no build).
--baseline first runs every entry's tests on the unchanged code: a test
that fails there proves nothing about the mutation.
--budget starts no further mutation after that many seconds; the kill rate
then counts the mutations tried, and the rest are listed as not tried.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

SOURCE = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
FIELDS = ("file", "find", "replace", "tests")
# A copy of the file being mutated, so a run cut off by SIGKILL is mended by the next.
PENDING = os.path.join(SOURCE, "build-mutation-pending")


class ListError(Exception):
    pass


def parse_list(path):
    """Entries separated by blank lines; `key value` per line, '#' starts a note."""
    entries, current, note = [], {}, []
    with open(path, encoding="utf-8") as handle:
        lines = handle.read().split("\n")
    for number, line in enumerate(lines + [""], start=1):
        if line.startswith("#"):
            note.append(line[1:].strip())
            continue
        if not line.strip():
            if current:
                missing = [key for key in FIELDS if key not in current]
                if missing:
                    raise ListError(f"{path}:{number}: entry lacks {', '.join(missing)}")
                current["note"] = " ".join(note)
                entries.append(current)
            current, note = {}, []
            continue
        key, _, value = line.partition(" ")
        if key not in FIELDS + ("build",):
            raise ListError(f"{path}:{number}: unknown field '{key}'")
        current[key] = value.strip()
        current.setdefault("line", number)
    return entries


def mutated_text(entry):
    """The file's text with the mutation applied; raises when the line is gone."""
    path = os.path.join(SOURCE, entry["file"])
    with open(path, encoding="utf-8") as handle:
        text = handle.read()
    find, replace = entry["find"], entry["replace"]
    count = text.count(find)
    if count != 1:
        raise ListError(f"{entry['file']}: '{find}' found {count} times, not once "
                        f"(list line {entry['line']})")
    if find == replace:
        raise ListError(f"list line {entry['line']}: replacement changes nothing")
    return text, text.replace(find, replace)


def restore_pending():
    if not os.path.exists(PENDING):
        return
    with open(PENDING, encoding="utf-8") as handle:
        relative = handle.readline().rstrip("\n")
        original = handle.read()
    with open(os.path.join(SOURCE, relative), "w", encoding="utf-8") as handle:
        handle.write(original)
    os.remove(PENDING)
    print(f"mutation: restored {relative} left changed by an interrupted run")


def write_mutation(entry, original, changed):
    with open(PENDING, "w", encoding="utf-8") as handle:
        handle.write(entry["file"] + "\n" + original)
    with open(os.path.join(SOURCE, entry["file"]), "w", encoding="utf-8") as handle:
        handle.write(changed)


def configure(build):
    if os.path.exists(os.path.join(build, "build.ninja")):
        return
    options = ["-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache",
               "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    # A one-line change compiles one file; linking the test programs is what
    # takes the time, and lld links them several times faster.
    if shutil.which("ld.lld"):
        options += ["-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld",
                    "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld"]
    subprocess.run(["cmake", "-S", SOURCE, "-B", build, "-G", "Ninja"] + options, check=True,
                   stdout=subprocess.DEVNULL)


def display_prefix():
    if os.environ.get("DISPLAY"):
        return []
    return ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24"]


def test_command(entry, build):
    """The command that runs the entry's tests, and the targets it needs built."""
    kind, _, rest = entry["tests"].partition(" ")
    if kind == "gtest":
        binary, _, pattern = rest.partition(" ")
        targets = entry.get("build", binary).split()
        return [os.path.join(build, binary), "--gtest_filter=" + pattern,
                "--gtest_brief=1"], targets
    if kind == "ctest":
        targets = entry.get("build", "all").split()
        return ["ctest", "--test-dir", build, "-R", rest, "--output-on-failure"], targets
    raise ListError(f"list line {entry['line']}: tests must start with gtest or ctest")


def run_tests(command, log, timeout):
    """'passed', 'failed' or 'timeout'."""
    started = subprocess.Popen(display_prefix() + command, stdout=log, stderr=subprocess.STDOUT,
                               start_new_session=True, cwd=SOURCE)
    try:
        return "passed" if started.wait(timeout=timeout) == 0 else "failed"
    except subprocess.TimeoutExpired:
        os.killpg(started.pid, signal.SIGKILL)
        started.wait()
        return "timeout"


def build_targets(build, targets, log):
    return subprocess.run(["ninja", "-C", build, "-j2"] + targets, stdout=log,
                          stderr=subprocess.STDOUT).returncode == 0


def try_mutation(entry, build, log, timeout):
    """'killed', 'killed (timeout)', 'SURVIVED' or 'does not build'."""
    original, changed = mutated_text(entry)
    command, targets = test_command(entry, build)
    write_mutation(entry, original, changed)
    try:
        if not build_targets(build, targets, log):
            return "does not build"
        outcome = run_tests(command, log, timeout)
    finally:
        with open(os.path.join(SOURCE, entry["file"]), "w", encoding="utf-8") as handle:
            handle.write(original)
        os.remove(PENDING)
    return {"passed": "SURVIVED", "failed": "killed", "timeout": "killed (timeout)"}[outcome]


def baseline(entries, build, log, timeout):
    """True when every entry's tests pass on the unchanged code (one run per program)."""
    filters, targets = {}, set()
    for _, entry in entries:
        command, needed = test_command(entry, build)
        targets.update(needed)
        key = tuple(command[:-2]) if command[0] != "ctest" else tuple(command)
        filters.setdefault(key, []).append(command[-2] if command[0] != "ctest" else "")
    if not build_targets(build, sorted(targets), log):
        print(f"mutation: the unchanged tree does not build ({' '.join(sorted(targets))})")
        return False
    clean = True
    for key, patterns in filters.items():
        command = list(key)
        if command[0] != "ctest":
            joined = ":".join(p[len("--gtest_filter="):] for p in patterns)
            command += ["--gtest_filter=" + joined, "--gtest_brief=1"]
        outcome = run_tests(command, log, timeout)
        print(f"mutation: baseline {os.path.basename(command[0])}: {outcome}", flush=True)
        clean = clean and outcome == "passed"
    return clean


def raise_interrupt(signum, frame):
    raise KeyboardInterrupt(f"signal {signum}")


def selected(entries, only):
    numbered = list(enumerate(entries, start=1))
    if not only:
        return numbered
    # In the order given, so the most telling entries can go first.
    return [numbered[int(n) - 1] for n in only.split(",")]


def report(results):
    counted = [r for r in results if r[2] != "does not build"]
    killed = [r for r in counted if r[2].startswith("killed")]
    survivors = [r for r in counted if r[2] == "SURVIVED"]
    print("\nsurvivors:" if survivors else "\nno survivors")
    for number, entry, _ in survivors:
        print(f"  {number}: {entry['file']}: {entry['find']} -> {entry['replace']}")
    for number, entry, outcome in results:
        if outcome == "does not build":
            print(f"  {number}: does not build, not counted: {entry['file']}")
    if counted:
        rate = 100.0 * len(killed) / len(counted)
        print(f"kill rate: {len(killed)}/{len(counted)} = {rate:.0f} %")
    return not survivors


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(SOURCE, "build-mutation"))
    parser.add_argument("--list", default=os.path.join(SOURCE, "bench/mutation/mutations.txt"))
    parser.add_argument("--only", default="")
    parser.add_argument("--timeout", type=int, default=900)
    parser.add_argument("--baseline", action="store_true")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--budget", type=int, default=0)
    args = parser.parse_args()
    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, raise_interrupt)
    restore_pending()
    entries = selected(parse_list(args.list), args.only)
    for _, entry in entries:
        mutated_text(entry)
        test_command(entry, args.build)
    if args.check:
        print(f"mutation: all {len(entries)} entries find their line")
        return 0
    configure(args.build)
    log_path = os.path.join(args.build, "mutation.log")
    results = []
    started = time.monotonic()
    with open(log_path, "w") as log:
        if args.baseline and not baseline(entries, args.build, log, args.timeout):
            return 1
        for number, entry in entries:
            if args.budget and time.monotonic() - started > args.budget:
                print(f"mutation {number}: not tried, the budget of {args.budget} s is spent")
                continue
            start = time.monotonic()
            print(f"mutation {number}: {entry['file']}: {entry['find']} -> {entry['replace']}",
                  flush=True)
            log.write(f"\n===== mutation {number}: {entry['file']}\n")
            log.flush()
            outcome = try_mutation(entry, args.build, log, args.timeout)
            results.append((number, entry, outcome))
            print(f"  {outcome} ({time.monotonic() - start:.0f} s)", flush=True)
    print(f"details in {log_path}")
    return 0 if report(results) else 3


if __name__ == "__main__":
    try:
        sys.exit(main())
    except ListError as error:
        print(f"mutation: {error}", file=sys.stderr)
        sys.exit(2)
    except KeyboardInterrupt:
        print("mutation: interrupted; the source is back as it was", file=sys.stderr)
        sys.exit(130)
