#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""The runner reads its input once: the bytes a run reads (rchar of
/proc/PID/io, every read the process made) are the input file's size, plain
and gzip-compressed, and little besides (never a second pass over the file).
  read_once.py TARVOS GENERATOR WORKDIR"""
import gzip
import os
import shutil
import sys


def bytes_read(argv):
    """Runs argv; the bytes it read, from /proc before it is reaped."""
    pid = os.fork()
    if pid == 0:
        os.execv(argv[0], argv)
    os.waitid(os.P_PID, pid, os.WEXITED | os.WNOWAIT)
    with open(f"/proc/{pid}/io") as io:
        fields = dict(line.split(": ") for line in io.read().splitlines())
    _, status = os.waitpid(pid, 0)
    if status != 0:
        sys.exit(f"FAIL: {' '.join(argv)} exited with status {status}")
    return int(fields["rchar"])


def main():
    tarvos, generator, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    plain = os.path.join(work, "in.txt")
    if os.spawnv(os.P_WAIT, generator, [generator, "--records", "1500", "--staging", "random", "--output", plain]):
        sys.exit("FAIL: the generator failed")
    packed = os.path.join(work, "packed.txt.gz")
    with open(plain, "rb") as src, gzip.open(packed, "wb", compresslevel=1) as dst:
        shutil.copyfileobj(src, dst)
    failures = 0
    for name in (plain, packed):
        size = os.path.getsize(name)
        read = bytes_read([tarvos, "--quiet", name, os.path.join(work, "out-" + os.path.basename(name))])
        # Besides the input: a few small reads of the runner's own (at most 1 MB).
        ok = size <= read <= size + (1 << 20)
        failures += not ok
        print(f"{'ok  ' if ok else 'FAIL'} {os.path.basename(name)}: {size} bytes, the run read {read}")
    shutil.rmtree(work)
    sys.exit(1 if failures else 0)


main()
