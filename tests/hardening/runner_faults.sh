#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Faults around a running conversion: unwritable folders, a full disk, an
# input that goes away or shrinks, interrupts, and a missing Collaborative
# Stage library. Each must end with a message and a non-zero exit, leave no
# output and no temporary file, and leave the input as it was.
#   runner_faults.sh GROUP TARVOS GENERATOR WORKDIR
# Groups: output_folder, disk_full, input_removed, input_truncated, interrupt,
# database_folder, cstage_missing. Exits 77 when a case cannot be set up here.
set -uo pipefail

group=$1 tarvos=$(realpath "$2") generator=$(realpath "$3") work=$4
source "$(dirname "$0")/checks.sh" || exit 1
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

# Runs a command with FOLDER mounted read-only, in a mount namespace of its
# own so that nothing outside sees the mount. Root ignores file modes, so a
# read-only mount is the one way to refuse it writing.
read_only_mount_works() { # FOLDER
  unshare -m sh -c 'mount --bind -o ro "$1" "$1" && ! touch "$1/.probe"' sh "$1" 2>/dev/null
}
with_read_only() { # FOLDER COMMAND...
  local folder=$1; shift
  unshare -m sh -c 'folder=$1; shift; mount --bind -o ro "$folder" "$folder" && exec "$@"' sh "$folder" "$@"
}
make_read_only() { # FOLDER: sets up the way to run with it read-only; prints the wrapper
  if [ "$(id -u)" -ne 0 ]; then chmod a-w "$1"; echo plain; return 0; fi
  read_only_mount_works "$1" && { echo mount; return 0; }
  return 1
}
run_read_only() { # MODE FOLDER COMMAND...
  local mode=$1 folder=$2; shift 2
  if [ "$mode" = mount ]; then with_read_only "$folder" "$@"; else "$@"; fi
}
big_input() { # FILE: about 180 MB, so that the conversion runs long enough to be disturbed
  generate part.dat 400
  for _ in $(seq 20); do cat part.dat; done > "$1"
  rm part.dat
}

case $group in
output_folder)
  generate in.dat 20
  sum=$(sha256sum < in.dat)
  echo "not a folder" > plain
  expect_failure "output folder is a file" "cannot create" "$tarvos" in.dat plain/out.dat
  mkdir ro && echo "earlier output" > ro/out.dat
  if mode=$(make_read_only ro); then
    expect_failure "output folder read-only ($mode)" "cannot create" run_read_only "$mode" ro "$tarvos" in.dat ro/out.dat
    check "existing output unchanged" [ "$(cat ro/out.dat)" = "earlier output" ]
  else
    skipped="read-only output folder: neither file modes (running as root) nor a read-only mount work here"
  fi
  check "input untouched" [ "$(sha256sum < in.dat)" = "$sum" ]
  check "no results beside the input" [ ! -e in.db ]
  ;;
disk_full)
  generate in.dat 300  # about 6.8 MB
  sum=$(sha256sum < in.dat)
  # A file-size limit: the write fails with EFBIG (and the signal is ignored).
  echo "earlier output" > out.dat
  expect_failure "file-size limit" "File too large" bash -c 'ulimit -f 2048; exec "$@"' sh "$tarvos" in.dat out.dat
  check "existing output unchanged" [ "$(cat out.dat)" = "earlier output" ]
  # A file system of 1 MB of the test's own: the write fails with ENOSPC.
  mkdir small
  if unshare -m sh -c 'mount -t tmpfs -o size=1m tmpfs "$1"' sh small 2>/dev/null; then
    result=$(unshare -m sh -c 'mount -t tmpfs -o size=1m tmpfs "$1" || exit 99
      "$2" "$3" "$1/out.dat" 2> "$4"; echo "rc=$?"; echo "left=$(ls -A "$1")"' sh small "$tarvos" in.dat "$work/full.txt")
    echo "small file system: $result; $(cat full.txt)"
    check "disk full: non-zero exit" grep -qE '^rc=[1-9]' <<< "$result"
    check "disk full: nothing left on the file system" grep -qx 'left=' <<< "$result"
    check "disk full: message" grep -q "No space left on device" full.txt
    check "disk full: message says abandoned" grep -q "abandoned" full.txt
    # The output fits, the results do not: the input on a file system with
    # room for little more than itself, earlier results beside it, the output
    # elsewhere. Nothing of the new set may be put in place.
    mkdir tight
    input_kb=$(( $(stat -c %s in.dat) / 1024 ))
    result=$(unshare -m sh -c 'mount -t tmpfs -o size="$5"k tmpfs "$1" || exit 99
      cp "$2" "$1/in.dat" && for s in db mes rev cnv log html; do echo earlier > "$1/in.$s"; done
      "$3" "$1/in.dat" "$4/tight-out.dat" > "$4/tight-summary.txt" 2> "$4/tight.txt"; echo "rc=$?"
      for s in db mes rev cnv log html; do [ "$(cat "$1/in.$s")" = earlier ] || echo "changed=in.$s"; done
      echo "left=$(ls -A "$1" | grep -v -e "^in\." | tr "\n" " ")"' sh tight in.dat "$tarvos" "$work" $((input_kb + 96)))
    echo "results that do not fit: $result; $(head -n 1 tight.txt)"
    check "results do not fit: non-zero exit" grep -qE '^rc=[1-9]' <<< "$result"
    check "results do not fit: the earlier results stay" bash -c '! grep -q changed= <<< "$1"' sh "$result"
    check "results do not fit: nothing else left" grep -qx 'left=' <<< "$result"
    check "results do not fit: no output" [ ! -e tight-out.dat ]
    check "results do not fit: says so" grep -qE "No space left on device|database or disk is full" tight.txt
    check "results do not fit: no counts printed" [ ! -s tight-summary.txt ]
  else
    skipped="small file system: mounting a tmpfs is not permitted here"
  fi
  check "input untouched" [ "$(sha256sum < in.dat)" = "$sum" ]
  check "no temporary files" no_parts
  check "no results beside the input" [ ! -e in.db ]
  ;;
input_removed | input_truncated)
  big_input in.dat
  "$tarvos" --quiet in.dat out.dat 2> stderr.txt &
  pid=$!
  check "conversion started" wait_for_part .
  # Held still while its input is changed: a fast run could otherwise end
  # before a busy machine gets round to the change.
  kill -STOP "$pid"
  if [ "$group" = input_removed ]; then rm in.dat; text="was removed"; else truncate -s 100000000 in.dat; text="changed during the conversion"; fi
  kill -CONT "$pid"
  wait "$pid"; rc=$?
  echo "$group: exit $rc: $(cat stderr.txt)"
  check "non-zero exit" [ "$rc" -eq 1 ]
  check "message says '$text'" grep -q "$text" stderr.txt
  check "no output" [ ! -e out.dat ]
  check "no temporary files" no_parts
  check "no results beside the input" [ -z "$(ls in.db in.mes in.rev in.cnv 2>/dev/null)" ]
  ;;
interrupt)
  big_input in.dat
  sum=$(sha256sum < in.dat)
  for signal in INT HUP; do
    "$tarvos" in.dat out.dat > /dev/null 2> stderr.txt &
    pid=$!
    check "conversion started" wait_for_part .
    kill -STOP "$pid"  # the signal then comes while it converts, however busy the machine
    kill -"$signal" "$pid"
    kill -CONT "$pid"
    wait "$pid"; rc=$?
    echo "SIG$signal: exit $rc: $(cat stderr.txt)"
    check "SIG$signal: exit code 128 + signal" [ "$rc" -eq $((128 + $(kill -l "$signal"))) ]
    check "SIG$signal: message" grep -q "interrupted" stderr.txt
    check "SIG$signal: no output" [ ! -e out.dat ]
    check "SIG$signal: no temporary files" no_parts
    check "SIG$signal: no results beside the input" [ ! -e in.db ]
  done
  check "input untouched" [ "$(sha256sum < in.dat)" = "$sum" ]
  ;;
killed)
  # SIGKILL at several points of a run: nothing of an earlier run (output,
  # database, reports, run log) and nothing of the input changes, and the
  # next run of the same file leaves no temporary file behind.
  big_input in.dat
  "$tarvos" --quiet in.dat out.dat || fail "earlier run"
  before=$(state_of .)
  killed=0
  for delay in 0.3 0.15 0.05 0; do
    "$tarvos" --quiet in.dat out.dat 2> /dev/null &
    pid=$!
    check "started (kill after ${delay}s)" wait_for_part .
    sleep "$delay"
    kill -KILL "$pid" 2> /dev/null
    wait "$pid" 2> /dev/null; rc=$?
    if [ "$rc" -ne 137 ]; then
      # The run finished before the signal: its results are the new earlier ones.
      echo "the run finished within ${delay}s (exit $rc)"
      before=$(state_of .)
      continue
    fi
    after=$(state_of . | grep -v -e '/\.tarvos-' -e '\.part ' -e '\.tarvos-lock ')
    new_files=$(diff <(echo "$before") <(echo "$after") | grep '^>' | cut -d' ' -f2 | grep -v -x './.in.tarvos-journal')
    if [ "$new_files" = "./in.html" ]; then
      # The signal came once the run had put its set in place (the page, put
      # in place last and the only file that names its run's time, is new),
      # perhaps before it removed its journal: a whole run makes the next
      # earlier results.
      echo "the run had put its results in place within ${delay}s"
      "$tarvos" --quiet in.dat out.dat 2> /dev/null || fail "run after a run killed once placed"
      before=$(state_of .)
      continue
    fi
    killed=$((killed + 1))
    check "killed after ${delay}s: input and earlier results untouched" [ "$after" = "$before" ]
  done
  check "at least two runs were killed while converting" [ "$killed" -ge 2 ]
  check "killed runs left their temporary results" [ -n "$(run_files .)" ]
  check "a later run converts" "$tarvos" --quiet in.dat out.dat
  check "no temporary file is left once it has finished" no_parts
  ;;
database_folder)
  mkdir data
  generate data/in.dat 20
  sum=$(sha256sum < data/in.dat)
  if mode=$(make_read_only data); then
    expect_failure "results folder read-only ($mode)" "results database" run_read_only "$mode" data "$tarvos" data/in.dat out.dat
    check "no output" [ ! -e out.dat ]
  else
    skipped="read-only input folder: neither file modes (running as root) nor a read-only mount work here"
  fi
  check "input untouched" [ "$(sha256sum < data/in.dat)" = "$sum" ]
  check "no temporary files" no_parts
  ;;
cstage_missing)
  generate in.dat 20
  sum=$(sha256sum < in.dat)
  bin=$(dirname "$tarvos")
  mkdir lacking
  cp "$tarvos" "$bin"/libvexlin150.so "$bin"/libmorvelio.so lacking/
  check "copy holds no Collaborative Stage library" [ ! -e lacking/libcstage0205.so ]
  expect_failure "Collaborative Stage library missing" "libcstage0205" lacking/tarvos in.dat out.dat
  expect_failure "Collaborative Stage library missing, front end's form" "libcstage0205" \
    lacking/tarvos in.dat out.dat A 1 22824 7 true 20
  check "input untouched" [ "$(sha256sum < in.dat)" = "$sum" ]
  ;;
*)
  echo "unknown group $group" >&2
  exit 2
  ;;
esac

finish "$group"
