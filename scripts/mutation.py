#!/usr/bin/env python3
"""Mutation testing of qv_make: plants one small fault at a time in the
program's own code and runs the fast test suite against it. A mutant the suite
fails on is killed; one it passes survives, and names a fault the tests would
let through (or a change that alters nothing: an equivalent mutant).

Rules, applied outside comments, strings and preprocessor lines:
  relational   <  <=  >  >=  ==  !=  shifted to their neighbour or negation
  logical      && and || swapped
  negate       if (c) / while (c) becomes if (!(c)) / while (!(c))
  constant     an integer literal plus or minus one
  call         a statement that is only a call, deleted
  text         setPlainText and setText swapped

Usage: scripts/mutation.py [--sample N] [--seed S] [--build DIR] [--list]
"""

import argparse
import collections
import os
import random
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ["paper", "pages", "window", "platform"]
TEST_TARGETS = ["test_paper_files", "test_window", "test_dialogs", "test_pages", "test_total",
                "test_encodings", "test_commands", "save_child", "qv_sync_shim", "qv_make"]

Mutant = collections.namedtuple("Mutant", "path line start end original replacement rule")


def code_only(text):
    """The text with comments, string and character literals and preprocessor
    lines blanked out (newlines kept), so that offsets stay the same."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
            continue
        line_start = c == "\n"
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            for j in range(i, end):
                if text[j] != "\n":
                    out[j] = " "
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            for k in range(i, min(j + 1, n)):
                out[k] = " "
            i = j + 1
        else:
            i += 1
    return "".join(out)


RELATIONAL = {" < ": [" <= ", " >= "], " <= ": [" < ", " > "], " > ": [" >= ", " <= "],
              " >= ": [" > ", " < "], " == ": [" != "], " != ": [" == "]}
LOGICAL = {" && ": " || ", " || ": " && "}
CALL_STATEMENT = re.compile(r"^\s*(?:\w+(?:::|\.|->))*\w+\(.*\);\s*$")
INTEGER = re.compile(r"(?<![\w.])\d+(?![\w.'])")


def closing_paren(code, open_index):
    depth = 0
    for i in range(open_index, len(code)):
        if code[i] == "(":
            depth += 1
        elif code[i] == ")":
            depth -= 1
            if depth == 0:
                return i
        elif code[i] == "\n":
            return -1
    return -1


def mutants_of(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    code = code_only(text)
    found = []

    def add(start, end, replacement, rule):
        line = text.count("\n", 0, start) + 1
        found.append(Mutant(path, line, start, end, text[start:end], replacement, rule))

    for op, replacements in RELATIONAL.items():
        for m in re.finditer(re.escape(op), code):
            for replacement in replacements:
                add(m.start(), m.end(), replacement, "relational")
    for op, replacement in LOGICAL.items():
        for m in re.finditer(re.escape(op), code):
            add(m.start(), m.end(), replacement, "logical")
    for m in re.finditer(r"\b(if|while) \(", code):
        open_index = m.end() - 1
        close = closing_paren(code, open_index)
        if close > 0:
            inner = text[open_index + 1:close]
            add(open_index, close + 1, "(!(" + inner + "))", "negate")
    for m in INTEGER.finditer(code):
        value = int(m.group())
        add(m.start(), m.end(), str(value + 1), "constant")
        if value > 0:
            add(m.start(), m.end(), str(value - 1), "constant")
    offset = 0
    previous = ";"  # the last character of the code before this line
    for line in code.split("\n"):
        stripped = line.strip()
        # Only a whole statement: the one before it has ended.
        if (CALL_STATEMENT.match(line) and previous in ";{}" and
                not stripped.startswith(("return", "delete "))):
            start = offset + len(line) - len(line.lstrip())
            add(start, offset + len(line.rstrip()), "", "call")
        if stripped:
            previous = stripped[-1]
        offset += len(line) + 1
    for m in re.finditer(r"\bset(PlainText|Text)\(", code):
        other = "setText(" if m.group(1) == "PlainText" else "setPlainText("
        add(m.start(), m.end(), other, "text")
    return found


# Shares of a sample by folder, so that each folder gets enough mutants for a
# score of its own (paper/ alone holds three quarters of all the sites).
SHARES = {"paper": 0.40, "pages": 0.25, "window": 0.20, "platform": 0.15}


def sample_of(mutants, size, seed):
    chooser = random.Random(seed)
    by_folder = collections.defaultdict(list)
    for mutant in mutants:
        by_folder[os.path.relpath(mutant.path, ROOT).split(os.sep)[0]].append(mutant)
    sample = []
    for folder in FOLDERS:
        wanted = min(len(by_folder[folder]), round(size * SHARES[folder]))
        sample.extend(chooser.sample(by_folder[folder], wanted))
    return sorted(sample, key=lambda m: (m.path, m.start))


def all_mutants():
    mutants = []
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(ROOT, folder))):
            if name.endswith(".cpp"):
                mutants.extend(mutants_of(os.path.join(ROOT, folder, name)))
    return mutants


def run(command, timeout, **kwargs):
    try:
        return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout, **kwargs).returncode
    except subprocess.TimeoutExpired:
        return -1


def build(build_dir):
    return run(["cmake", "--build", build_dir, "-j2", "--target"] + TEST_TARGETS, 900) == 0


def tests_pass(build_dir):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    return run(["ctest", "--test-dir", build_dir, "--stop-on-failure", "--timeout", "60"],
               900, env=env) == 0


def describe(mutant):
    where = "%s:%d" % (os.path.relpath(mutant.path, ROOT), mutant.line)
    original = " ".join(mutant.original.split()) or "(nothing)"
    replacement = " ".join(mutant.replacement.split()) or "(deleted)"
    return "%s [%s] %s -> %s" % (where, mutant.rule, original, replacement)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--sample", type=int, default=60, help="mutants to run (default 60)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample (default 1)")
    parser.add_argument("--build", default=os.path.join(ROOT, "build-mutation"))
    parser.add_argument("--list", action="store_true", help="list the sample and stop")
    args = parser.parse_args()

    mutants = all_mutants()
    sample = sample_of(mutants, args.sample, args.seed)
    print("%d mutants in %s; sample of %d, seed %d" % (len(mutants), ", ".join(FOLDERS),
                                                      len(sample), args.seed), flush=True)
    if args.list:
        for mutant in sample:
            print("  " + describe(mutant))
        return 0

    if run(["cmake", "-S", ROOT, "-B", args.build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], 600):
        sys.exit("mutation: cmake failed")
    if not build(args.build) or not tests_pass(args.build):
        sys.exit("mutation: the unmutated code does not build or pass its tests")

    results = collections.defaultdict(lambda: collections.Counter())
    survivors = []
    started = time.time()
    for number, mutant in enumerate(sample, 1):
        with open(mutant.path, encoding="utf-8") as f:
            original = f.read()
        try:
            with open(mutant.path, "w", encoding="utf-8") as f:
                f.write(original[:mutant.start] + mutant.replacement + original[mutant.end:])
            if not build(args.build):
                outcome = "stillborn"
            elif tests_pass(args.build):
                outcome = "survived"
                survivors.append(mutant)
            else:
                outcome = "killed"
        finally:
            # Written anew, not moved back: the file must be newer than the
            # mutant's object, or the next build would keep the mutant.
            with open(mutant.path, "w", encoding="utf-8") as f:
                f.write(original)
        folder = os.path.relpath(mutant.path, ROOT).split(os.sep)[0]
        results[folder][outcome] += 1
        print("%3d/%d %-9s %s" % (number, len(sample), outcome, describe(mutant)), flush=True)
    # The build must match the sources again, and pass: else some mutant
    # outlived its run and the figures cannot be trusted.
    if not build(args.build) or not tests_pass(args.build):
        print("mutation: WARNING: the unmutated code no longer passes; the results are void")

    print("\nseed %d, sample %d of %d mutants, %.0f s" % (args.seed, len(sample), len(mutants),
                                                         time.time() - started))
    print("%-10s %7s %9s %10s %7s" % ("folder", "killed", "survived", "stillborn", "score"))
    total = collections.Counter()
    for folder in FOLDERS:
        counts = results[folder]
        total.update(counts)
        scored = counts["killed"] + counts["survived"]
        score = "%.0f %%" % (100.0 * counts["killed"] / scored) if scored else "-"
        print("%-10s %7d %9d %10d %7s" % (folder, counts["killed"], counts["survived"],
                                           counts["stillborn"], score))
    scored = total["killed"] + total["survived"]
    if scored:
        print("%-10s %7d %9d %10d %7s" % ("all", total["killed"], total["survived"],
                                           total["stillborn"],
                                           "%.0f %%" % (100.0 * total["killed"] / scored)))
    print("\nsurvivors:")
    for mutant in survivors:
        print("  " + describe(mutant))
    return 0


if __name__ == "__main__":
    sys.exit(main())
