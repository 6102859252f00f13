#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the libFuzzer targets with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs each for a bounded time from its seed corpus. Prints the executions
# per target and in total; exits non-zero on the first crash.
#   FUZZ_SECONDS  seconds per target (default 45)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-45}

cmake --preset fuzz -G Ninja >/dev/null
cmake --build --preset fuzz -j 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
total=0
status=0
for fuzzer in build/fuzz/bin/*_fuzz; do
  name=$(basename "$fuzzer")
  corpus="$work/$name"
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
  log="$work/$name.log"
  if ! "$fuzzer" -max_total_time="$seconds" -max_len=23000 -timeout=20 -rss_limit_mb=4096 \
       -artifact_prefix="$work/$name-" "$corpus" >"$log" 2>&1; then
    echo "$name: FAILED"
    tail -n 40 "$log"
    mkdir -p build/fuzz/artifacts && cp "$work/$name-"* build/fuzz/artifacts/ 2>/dev/null || true
    status=1
    continue
  fi
  runs=$(grep -oE 'Done [0-9]+ runs' "$log" | grep -oE '[0-9]+' || echo 0)
  total=$((total + runs))
  echo "$name: $runs executions in ${seconds}s, no crash"
done
echo "fuzzing: $total executions in total"
exit $status
