#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The output and its results (database, reports, run log, summary page) are
# one set: after a failure or a kill at any write, flush or rename of a run,
# the folders hold the whole earlier set or the whole new one, and a failure
# never exits 0. Every such call of a run is made to fail in turn (EIO), or
# the run is killed there; after a kill, the next run of the same results
# completes any interrupted placement before anything else.
#   result_set_faults.sh GROUP TARVOS GENERATOR FAULT-LIBRARY WORKDIR
# Groups: write_errors, gzip_write_errors (the same, with an output named
# .gz, written compressed), kills, planted_links. FAULT_POINT_STEP=N tries
# every Nth call only (the sanitizer builds, whose runs are slow); it is said.
set -uo pipefail

group=$1 tarvos=$(realpath "$2") generator=$(realpath "$3") faults=$(realpath "$4") work=$5
source "$(dirname "$0")/checks.sh" || exit 1
rm -rf "$work" && mkdir -p "$work" && work=$(realpath "$work") && cd "$work" || exit 1

output=out/out.dat
[ "$group" = gzip_write_errors ] && output=out/out.dat.gz
set_names=("$output" data/in.db data/in.mes data/in.rev data/in.cnv data/in.log data/in.html)
marker="written by the earlier run"

# The set as it stands: each name with its hash, or "absent".
set_state() {
  for name in "${set_names[@]}"; do
    if [ -e "$1/$name" ]; then echo "$name $(sha256sum < "$1/$name")"; else echo "$name absent"; fi
  done
}
# The earlier set: a run of another input, each file marked as that run's.
"$generator" --records 12 --seed 5 --output earlier.dat >/dev/null || exit 1
"$generator" --records 12 --seed 9 --output new.dat >/dev/null || exit 1
mkdir -p saved/data saved/out && cp earlier.dat saved/data/in.dat
"$tarvos" --quiet saved/data/in.dat "saved/$output" || { echo "the earlier run failed" >&2; exit 1; }
for name in "${set_names[@]}"; do [ -e "saved/$name" ] && echo "$marker" >> "saved/$name"; done
cp new.dat saved/data/in.dat
earlier=$(set_state saved)
# The new set, from a run without faults: the output and reports it gives.
rm -rf reference && cp -a saved reference
"$tarvos" --quiet reference/data/in.dat "reference/$output" || { echo "the reference run failed" >&2; exit 1; }
# Names whose content is the same in every run (the run log and the page name
# the run's folder and time).
stable=("$output" data/in.mes data/in.rev data/in.cnv)
is_whole_new() { # FOLDER
  local name
  for name in "${set_names[@]}"; do
    [ -e "$1/$name" ] || return 1
    ! grep -qa "$marker" "$1/$name" || return 1
  done
  for name in "${stable[@]}"; do cmp -s "$1/$name" "reference/$name" || return 1; done
}
whole_set() { # FOLDER: "earlier", "new" or "mixed"
  if [ "$(set_state "$1")" = "$earlier" ]; then echo earlier
  elif is_whole_new "$1"; then echo new
  else echo mixed; fi
}
leftovers() { find "$1" -name '.tarvos-*' -o -name '.*.tarvos-journal' -o -name '*.part' | sort; }
# Runs tarvos on the run folder with the fault library.
faulted_run() { # AT MODE
  rm -rf run && cp -a saved run
  env LD_PRELOAD="$faults" FAULT_DIR="$work/run" FAULT_AT="$1" FAULT_MODE="$2" FAULT_COUNT_FILE="$work/count" \
    "$tarvos" --quiet run/data/in.dat "run/$output" > /dev/null 2> message.txt
}

# How many writes, flushes and renames a run makes in the set's folders.
faulted_run 0 eio || { cat message.txt; fail "a run without faults failed"; }
points=$(cat count)
check "a run without faults makes the new set" [ "$(whole_set run)" = new ]
step=${FAULT_POINT_STEP:-1}
echo "$points write, flush and rename calls in a run; every ${step}. of them is tried"
check "a run makes enough calls to be worth trying" [ "$points" -ge 20 ]

case $group in
write_errors | gzip_write_errors)
  outcomes=""
  for at in $(seq 1 "$step" "$points"); do
    faulted_run "$at" eio; rc=$?
    state=$(whole_set run)
    outcomes+="$state "
    check "error at call $at: not reported as success" [ "$rc" -ne 0 ]
    check "error at call $at: no usage error" [ "$rc" -ne 2 ]
    check "error at call $at: one whole set ($state)" [ "$state" != mixed ]
    check "error at call $at: says why" grep -qE "Input/output error|I/O error" message.txt
    check "error at call $at: no journal or private folder left" [ -z "$(leftovers run)" ]
    [ "$state" = new ] && check "error at call $at: a new set in place says so" grep -q "the files are in place, but" message.txt
  done
  echo "outcomes: $(tr ' ' '\n' <<< "$outcomes" | sort | uniq -c | tr -s ' \n' ' ')"
  # An output of 68 MB is flushed to the disk while it is written; a failure
  # of that flush is told, as one at the end would be.
  if [ "$group" = write_errors ]; then
    rm -rf run && cp -a saved run
    "$generator" --records 3000 --seed 9 --output run/data/in.dat > /dev/null || exit 1
    env LD_PRELOAD="$faults" FAULT_DIR="$work/run" FAULT_ONLY=fdatasync FAULT_AT=1 FAULT_MODE=eio \
      "$tarvos" --quiet run/data/in.dat "run/$output" > /dev/null 2> message.txt; rc=$?
    check "a flush failing while the output is written: not reported as success" [ "$rc" -eq 1 ]
    check "a flush failing while the output is written: says so" grep -q "cannot flush the output" message.txt
    check "a flush failing while the output is written: the earlier set stays" [ "$(set_state run)" = "$earlier" ]
  fi
  ;;
kills)
  completed=0
  for at in $(seq 1 "$step" "$points"); do
    faulted_run "$at" kill 2> /dev/null; rc=$?  # no word of the shell on the kill
    check "kill at call $at: the run was killed" [ "$rc" -eq 137 ]
    interrupted=no
    [ -e run/data/.in.tarvos-journal ] && interrupted=yes
    # The next run of the same results (an input of the same base name, in.bad,
    # which is refused) completes any interrupted placement first.
    : > run/data/in.bad
    "$tarvos" --quiet run/data/in.bad run/out/bad.dat > /dev/null 2> next.txt
    rm run/data/in.bad
    state=$(whole_set run)
    check "kill at call $at: one whole set after the next run ($state)" [ "$state" != mixed ]
    check "kill at call $at: no journal after the next run" [ ! -e run/data/.in.tarvos-journal ]
    if [ "$interrupted" = yes ]; then
      completed=$((completed + 1))
      check "kill at call $at: the next run said it completed the placement" grep -q "placement was completed" next.txt
      check "kill at call $at: completed to the new set" [ "$state" = new ]
    fi
  done
  echo "$completed of $(seq 1 "$step" "$points" | wc -l) kills interrupted a placement that the next run completed"
  check "some kills interrupted a placement" [ "$completed" -gt 0 ]
  # A later conversion leaves nothing of the killed runs behind.
  check "a later run converts" "$tarvos" --quiet run/data/in.dat run/out/out.dat
  check "nothing left of the killed runs" [ -z "$(leftovers run)" ]
  ;;
planted_links)
  # Links planted under the names a run writes or locks, by anyone who can
  # write to the folder: the files they point to never change.
  rm -rf run && cp -a saved run
  echo "someone else's file" > outside.txt
  ln -s "$work/outside.txt" run/data/.in.tarvos-lock
  message=$("$tarvos" --quiet run/data/in.dat run/out/out.dat 2>&1 > /dev/null); rc=$?
  check "a link as the lock file: refused" [ "$rc" -ne 0 ]
  check "a link as the lock file: says so" grep -q "is a symbolic link" <<< "$message"
  rm run/data/.in.tarvos-lock
  ln -s "$work/outside.txt" run/data/.in.tarvos-journal
  message=$("$tarvos" --quiet run/data/in.dat run/out/out.dat 2>&1 > /dev/null); rc=$?
  check "a link as the placement journal: refused" [ "$rc" -ne 0 ]
  check "a link as the placement journal: says so" grep -q "not written whole by a run of this program" <<< "$message"
  rm run/data/.in.tarvos-journal
  # Temporary names made of the next process numbers, as a runner that named
  # its files by its process number would use them.
  next=$(( $(cat /proc/sys/kernel/ns_last_pid 2>/dev/null || echo $$) + 1 ))
  for pid in $(seq "$next" $((next + 300))); do
    for name in ".tarvos-$pid-in.mes" ".tarvos-$pid-in.html" ".tarvos-$pid-in.log" ".tarvos-$pid-in.db"; do
      ln -s "$work/outside.txt" "run/data/$name"
    done
    ln -s "$work/outside.txt" "run/out/.out.dat.tarvos-$pid.part"
  done
  for name in in.mes in.db in.log in.html; do ln -sf "$work/outside.txt" "run/data/$name"; done
  check "links as results: the run converts" "$tarvos" --quiet run/data/in.dat run/out/out.dat
  check "the file behind the links is unchanged" [ "$(cat outside.txt)" = "someone else's file" ]
  for name in in.mes in.db in.log in.html; do
    check "the result $name replaced its link" [ ! -L "run/data/$name" ]
  done
  check "the results are the whole new set" [ "$(whole_set run)" = new ]
  ;;
esac
finish "$group"
