#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""cstage derive against the published expected results, on a slice of the
AJCC 6 and AJCC 7 cases: every Nth case of each file is given to the program
by its 42 inputs (key=value), and the 38 outputs it prints must be the
expected ones (both trimmed).

  derive_slice.py --every N [--runner PROGRAM] CSTAGE FILE.gz...
"""
import gzip
import subprocess
import sys

INPUTS = ["site", "hist", "year_dx", "cs_input_version_original", "behavior", "grade", "age_dx", "lvi", "size",
          "extension", "extension_eval", "nodes", "nodes_eval", "nodes_pos", "nodes_exam", "mets", "mets_eval"] + \
         [f"ssf{n}" for n in range(1, 26)]
OUTPUTS = ["ajcc6_t", "ajcc6_tdescriptor", "ajcc6_n", "ajcc6_ndescriptor", "ajcc6_m", "ajcc6_mdescriptor",
           "ajcc6_stage", "ajcc7_t", "ajcc7_tdescriptor", "ajcc7_n", "ajcc7_ndescriptor", "ajcc7_m",
           "ajcc7_mdescriptor", "ajcc7_stage", "t77", "n77", "m77", "ss77", "t2000", "n2000", "m2000", "ss2000",
           "stor_ajcc6_t", "stor_ajcc6_tdescriptor", "stor_ajcc6_n", "stor_ajcc6_ndescriptor", "stor_ajcc6_m",
           "stor_ajcc6_mdescriptor", "stor_ajcc6_stage", "stor_ajcc7_t", "stor_ajcc7_tdescriptor", "stor_ajcc7_n",
           "stor_ajcc7_ndescriptor", "stor_ajcc7_m", "stor_ajcc7_mdescriptor", "stor_ajcc7_stage", "stor_ss77",
           "stor_ss2000"]


def main(argv):
    every, runner, rest = None, [], []
    it = iter(argv)
    for a in it:
        if a == "--every":
            every = int(next(it))
        elif a == "--runner":
            runner = [next(it)]
        else:
            rest.append(a)
    if not every or len(rest) < 2:
        sys.exit(__doc__)
    cstage, files = rest[0], rest[1:]
    cases = failures = 0
    for path in files:
        with gzip.open(path, "rt", encoding="ascii") as f:
            for number, line in enumerate(f):
                if number % every:
                    continue
                fields = line.rstrip("\r\n").split(",")
                args = [f"{k}={v.strip()}" for k, v in zip(INPUTS, fields[:42])]
                done = subprocess.run(runner + [cstage, "derive"] + args, stdout=subprocess.PIPE,
                                      stderr=subprocess.PIPE, text=True)
                cases += 1
                printed = dict(l.split("=", 1) for l in done.stdout.splitlines() if "=" in l and ":" not in l)
                expected = {k: v.strip() for k, v in zip(OUTPUTS, fields[42:])}
                wrong = [f"{k}={printed.get(k)!r} want {v!r}" for k, v in expected.items() if printed.get(k) != v]
                if done.returncode not in (0, 1) or wrong:
                    failures += 1
                    if failures <= 10:
                        print(f"{path} case {number + 1} (exit {done.returncode}): {'; '.join(wrong[:6])}"
                              f"{done.stderr.strip()}", file=sys.stderr)
    print(f"derive_slice: {cases} cases, {failures} differing")
    sys.exit(1 if failures or cases == 0 else 0)


if __name__ == "__main__":
    main(sys.argv[1:])
