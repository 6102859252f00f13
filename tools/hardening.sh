#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Hardening run for CI, after the normal suite: the whole native test suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, valgrind memcheck over
# the runner converting a generated file with and without stage derivation,
# and every fuzz target for a bounded time. Prints a summary of figures and
# exits non-zero when any part fails. Installs nothing: needs clang,
# libclang-rt-14-dev (libFuzzer), valgrind and sqlite3 besides the usual
# build packages.
#   FUZZ_SECONDS       seconds per fuzz target (default 60)
#   VALGRIND_RECORDS   records of the file under valgrind (default 300)
set -uo pipefail
cd "$(dirname "$0")/.."
export FUZZ_SECONDS=${FUZZ_SECONDS:-60}
records=${VALGRIND_RECORDS:-300}
logs=build/hardening
mkdir -p "$logs"
start=$SECONDS
status=0
summary=()
note() { summary+=("$1"); }
elapsed() { echo "$((SECONDS - $1))s"; }

# 1. The whole native test suite under the sanitizers.
t=$SECONDS
if cmake --preset asan -G Ninja > "$logs/asan-configure.log" 2>&1 &&
   cmake --build --preset asan -j 2 > "$logs/asan-build.log" 2>&1; then
  ctest --preset asan -j 2 > "$logs/asan-tests.log" 2>&1; rc=$?
  line=$(grep -E 'tests passed' "$logs/asan-tests.log" | tail -n 1)
  skipped=$(grep -c '\*\*\*Skipped' "$logs/asan-tests.log")
  sanitizer_reports=$(grep -cE 'ERROR: AddressSanitizer|runtime error:|ERROR: LeakSanitizer' "$logs/asan-tests.log")
  note "sanitizers: ${line:-no result}; $skipped skipped; $sanitizer_reports sanitizer reports ($(elapsed "$t"))"
  if [ "$rc" -ne 0 ]; then
    status=1
    grep -E 'Failed|\*\*\*' "$logs/asan-tests.log" | head -n 20
  fi
else
  status=1
  tail -n 30 "$logs/asan-build.log"
  note "sanitizers: the asan build failed ($(elapsed "$t"))"
fi

# 2. valgrind memcheck over the runner's conversion, on a plain build.
t=$SECONDS
if [ ! -x build/linux/bin/tarvos ]; then
  cmake --preset linux -G Ninja > "$logs/linux-configure.log" 2>&1 &&
    cmake --build --preset linux -j 2 > "$logs/linux-build.log" 2>&1 || { tail -n 30 "$logs/linux-build.log"; status=1; }
fi
bin=build/linux/bin
vg=$logs/valgrind
rm -rf "$vg" && mkdir -p "$vg"
if "$bin/naaccr-sample" --records "$records" --seed 2015 --output "$vg/in.dat"; then
  for run in derive no-stage; do
    args=(--quiet "$vg/in.dat" "$vg/out-$run.dat")
    [ "$run" = no-stage ] && args=(--no-stage "${args[@]}")
    valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --show-leak-kinds=definite \
      --errors-for-leak-kinds=definite --log-file="$vg/$run.log" "$bin/tarvos" "${args[@]}"
    rc=$?
    errors=$(grep -oE 'ERROR SUMMARY: [0-9]+' "$vg/$run.log" | grep -oE '[0-9]+$')
    lost=$(grep -oE 'definitely lost: [0-9,]+ bytes' "$vg/$run.log" | grep -oE '[0-9,]+' || echo 0)
    lines=$(wc -l < "$vg/out-$run.dat" 2>/dev/null || echo 0)
    note "valgrind ($run, $records records, $((lines)) written): exit $rc, ${errors:-?} errors, ${lost:-0} bytes definitely lost"
    if [ "$rc" -ne 0 ] || [ "$lines" -ne "$records" ]; then
      status=1
      tail -n 30 "$vg/$run.log"
    fi
  done
else
  status=1
  note "valgrind: the sample file could not be generated"
fi
note "valgrind time: $(elapsed "$t")"

# 3. Every fuzz target for FUZZ_SECONDS from its seed corpus.
t=$SECONDS
bash tools/fuzz.sh 2>&1 | tee "$logs/fuzz.log" | grep -E 'executions|FAILED'
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
while read -r line; do note "fuzz: $line"; done < <(grep -E 'executions|FAILED' "$logs/fuzz.log")
note "fuzz time: $(elapsed "$t") at ${FUZZ_SECONDS}s per target"

echo
echo "Hardening summary"
for line in "${summary[@]}"; do echo "  $line"; done
echo "  wall time: $(elapsed "$start"); logs in $logs"
[ "$status" -eq 0 ] && echo "Hardening passed." || echo "Hardening FAILED."
exit "$status"
