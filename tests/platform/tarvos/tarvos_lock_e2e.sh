#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# One run per input at a time, with tarvos run as a user runs it:
#   tarvos_lock_e2e.sh TARVOS GENERATOR WORKDIR
# A second run on an input that a first run is converting is refused and
# leaves the first run's work alone; a run killed with SIGKILL leaves no lock.
# The first run is caught holding its lock in /proc/locks (asking for the
# lock to see whether it is held would take it, and refuse the run starting
# at that moment) and is held still with SIGSTOP meanwhile. Once no run is
# left, util-linux flock(1) checks that the lock is free.
set -uo pipefail

tarvos=$1 generator=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
command -v flock > /dev/null || { echo "flock (util-linux) is needed" >&2; exit 1; }

"$generator" --records 3000 --seed 5 --line-ends crlf --output in.dat > /dev/null || exit 1
"$tarvos" --quiet in.dat expected.dat || { echo "reference run failed" >&2; exit 1; }
rm -f in.db in.mes in.rev in.cnv

inode=$(stat -c %i in.dat)
holds_lock() { # holds_lock PID: an exclusive flock of in.dat held by PID
  awk -v pid="$1" -v inode="$inode" '$2 == "FLOCK" && $4 == "WRITE" && $5 == pid && $6 ~ (":" inode "$") { found = 1 }
    END { exit !found }' /proc/locks
}

# Starts tarvos on in.dat in the background and stops it once it holds its
# lock; sets runner_pid. The wait is bounded (10 s).
start_and_catch() { # start_and_catch OUTPUT
  "$tarvos" --quiet in.dat "$1" 2> first.err &
  runner_pid=$!
  local tries
  for ((tries = 0; tries < 5000; tries++)); do
    if holds_lock "$runner_pid"; then
      kill -STOP "$runner_pid"
      return 0
    fi
    kill -0 "$runner_pid" 2> /dev/null || break
    sleep 0.002
  done
  return 1
}

# Two runs at once: the second is refused, the first finishes as if alone.
if start_and_catch first.dat; then
  message=$("$tarvos" --quiet in.dat second.dat 2>&1); rc=$?
  [ "$rc" -eq 1 ] || fail "second run: exit code $rc, expected 1"
  grep -q 'in.dat" is being converted by another run' <<< "$message" || fail "second run's message: $message"
  grep -q 'Nothing was written' <<< "$message" || fail "second run does not say that nothing was written: $message"
  [ ! -e second.dat ] || fail "second run wrote its output"
  [ -z "$(find . -name '*.part' ! -name ".first.dat.*" ! -name ".tarvos-$runner_pid-*")" ] ||
    fail "second run left files: $(find . -name '*.part')"
  kill -CONT "$runner_pid"
  wait "$runner_pid"; rc=$?
  [ "$rc" -eq 0 ] || fail "first run: exit code $rc: $(cat first.err)"
  cmp -s first.dat expected.dat || fail "first run's output differs from a run alone"
  for f in in.db in.mes in.rev in.cnv; do [ -e "$f" ] || fail "first run's $f is missing"; done
  flock -n in.dat true || fail "the lock is still held after the first run ended"
else
  kill "$runner_pid" 2> /dev/null
  fail "the first run was never seen holding its lock"
fi

# A run killed outright leaves no lock: the next run converts.
if start_and_catch killed.dat; then
  kill -KILL "$runner_pid"
  wait "$runner_pid" 2> /dev/null
  flock -n in.dat true || fail "a killed run left its lock"
  "$tarvos" --quiet in.dat after.dat 2> after.err || fail "the run after a killed one failed: $(cat after.err)"
  cmp -s after.dat expected.dat || fail "the run after a killed one converted differently"
else
  kill "$runner_pid" 2> /dev/null
  fail "the run to kill was never seen holding its lock"
fi

[ "$failures" -eq 0 ] && echo "all checks passed"
exit $((failures > 0))
