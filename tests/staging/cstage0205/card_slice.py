#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""A slice of the published Collaborative Stage expected-result cases, and
checks of what cs_card_dump prints for it.

  card_slice.py make --every N --output SLICE FILE.gz...
      every Nth case (the 1st, the N+1st, ...) of each gzip-compressed file,
      as plain text with LF line ends
  card_slice.py check SLICE PROGRAM [ARGS...]
      runs PROGRAM ARGS... SLICE and compares the 16 storage outputs of each
      line it prints with the expected columns of the case (both trimmed)
  card_slice.py compare SLICE PROGRAM [ARGS...] --versus PROGRAM [ARGS...]
      runs both programs on SLICE; their output must be the same bytes

A dump line is "16 storage outputs|CS Version Derived|error word|return
value|message", fields escaped so that '|' only separates them.
"""
import gzip
import os
import subprocess
import sys

FIELDS = 80
FIRST_STORAGE_COLUMN = 64  # the files' last 16 columns
STORAGE_OUTPUTS = [
    "stor_ajcc6_t", "stor_ajcc6_tdescriptor", "stor_ajcc6_n", "stor_ajcc6_ndescriptor", "stor_ajcc6_m",
    "stor_ajcc6_mdescriptor", "stor_ajcc6_stage", "stor_ajcc7_t", "stor_ajcc7_tdescriptor", "stor_ajcc7_n",
    "stor_ajcc7_ndescriptor", "stor_ajcc7_m", "stor_ajcc7_mdescriptor", "stor_ajcc7_stage", "stor_ss77",
    "stor_ss2000"]
SHOWN = 10  # differences printed in full


def fail(message):
    print(f"card_slice: {message}", file=sys.stderr)
    sys.exit(1)


def make(args):
    every, output, inputs = None, None, []
    it = iter(args)
    for a in it:
        if a == "--every":
            every = int(next(it))
        elif a == "--output":
            output = next(it)
        else:
            inputs.append(a)
    if not every or every < 1 or not output or not inputs:
        fail("make --every N --output SLICE FILE.gz...")
    taken = 0
    temporary = output + ".tmp"
    with open(temporary, "w", encoding="ascii", newline="\n") as out:
        for path in inputs:
            with gzip.open(path, "rt", encoding="ascii", newline="") as f:
                for number, line in enumerate(f):
                    if number % every:
                        continue
                    line = line.rstrip("\r\n")
                    if line.count(",") != FIELDS - 1:
                        fail(f"{path}: case {number + 1} has {line.count(',') + 1} fields, not {FIELDS}")
                    out.write(line + "\n")
                    taken += 1
    if taken == 0:
        fail("no case taken")
    os.replace(temporary, output)
    print(f"card_slice: {taken} cases in {output}")


def read_cases(slice_path):
    with open(slice_path, encoding="ascii", newline="") as f:
        cases = [line.rstrip("\n") for line in f]
    if not cases:
        fail(f"{slice_path} holds no case")
    return cases


def run(command, slice_path, expected_lines):
    try:
        done = subprocess.run(command + [slice_path], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except FileNotFoundError:
        fail(f"missing program: {command[0]} (for a native one, build the native tree first)")
    if done.returncode != 0:
        fail(f"{' '.join(command)}: exit {done.returncode}\n{done.stderr.decode(errors='replace')}")
    lines = done.stdout.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    if len(lines) != expected_lines:
        fail(f"{' '.join(command)}: {len(lines)} lines for {expected_lines} cases")
    return lines


def split_dump_line(line):
    """The fields of a dump line: split at each '|' that no backslash escapes."""
    fields, current, escaped = [], [], False
    for ch in line:
        if escaped:
            current.append(ch)
            escaped = False
        elif ch == "\\":
            current.append(ch)
            escaped = True
        elif ch == "|":
            fields.append("".join(current))
            current = []
        else:
            current.append(ch)
    fields.append("".join(current))
    return fields


def check(args):
    if len(args) < 2:
        fail("check SLICE PROGRAM [ARGS...]")
    slice_path, command = args[0], args[1:]
    cases = read_cases(slice_path)
    lines = run(command, slice_path, len(cases))
    differing = 0
    for number, (case, dumped) in enumerate(zip(cases, lines), start=1):
        expected = [v.strip() for v in case.split(",")[FIRST_STORAGE_COLUMN:]]
        got = [v.strip() for v in split_dump_line(dumped.decode("ascii"))[:len(STORAGE_OUTPUTS)]]
        if got != expected:
            differing += 1
            if differing <= SHOWN:
                diff = " ".join(f"{k}='{g}' want '{w}'"
                                for k, g, w in zip(STORAGE_OUTPUTS, got, expected) if g != w)
                print(f"case {number}: {case}\n  {diff}")
    print(f"card_slice: {len(cases)} cases, {differing} with storage outputs other than expected")
    sys.exit(1 if differing else 0)


def compare(args):
    if "--versus" not in args or args.index("--versus") < 2:
        fail("compare SLICE PROGRAM [ARGS...] --versus PROGRAM [ARGS...]")
    at = args.index("--versus")
    slice_path, left, right = args[0], args[1:at], args[at + 1:]
    if not right:
        fail("compare: no program after --versus")
    cases = read_cases(slice_path)
    left_lines = run(left, slice_path, len(cases))
    right_lines = run(right, slice_path, len(cases))
    differing = 0
    for number, (a, b) in enumerate(zip(left_lines, right_lines), start=1):
        if a != b:
            differing += 1
            if differing <= SHOWN:
                print(f"case {number}: {cases[number - 1]}\n  {a!r}\n  {b!r}")
    print(f"card_slice: {len(cases)} cases, {differing} dumped differently")
    sys.exit(1 if differing else 0)


def main():
    if len(sys.argv) < 2 or sys.argv[1] not in ("make", "check", "compare"):
        fail(__doc__)
    {"make": make, "check": check, "compare": compare}[sys.argv[1]](sys.argv[2:])


if __name__ == "__main__":
    main()
