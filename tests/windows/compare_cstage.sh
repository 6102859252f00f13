#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the same cstage commands with the native cstage and with cstage.exe
# under Wine and compares what both print (standard output and error once
# CR LF is read as LF: on Windows they are text), their exit codes, and the
# CSV files the audits write (byte for byte).
#   compare_cstage.sh NATIVE_CSTAGE GENERATOR WINE_RUN CSTAGE_EXE WORKDIR
set -uo pipefail

native=$1 generator=$2 wine_run=$3 cstage_exe=$4 work=$5
for program in "$native" "$generator" "$cstage_exe"; do
  [ -x "$program" ] || { echo "missing program: $program (build the native tree first)" >&2; exit 1; }
done
rm -rf "$work" && mkdir -p "$work/linux" "$work/windows" || exit 1
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$generator" --records 200 --seed 3 --line-ends crlf --output "$work/crlf.dat" || exit 1
"$generator" --records 120 --seed 9 --line-ends lf --output "$work/lf.dat" || exit 1
for side in linux windows; do cp "$work/crlf.dat" "$work/lf.dat" "$work/$side/" || exit 1; done

commands=(
  "--version"
  "--help"
  "schema C619 8140"
  "schema C161 8140 XYZ"
  "schema C161 8140 030"
  "schema C999 8140"
  "inputs Prostate"
  "inputs 44"
  "derive --trace site=C619 hist=8140 year_dx=2012 cs_input_version_original=020550 behavior=3 2810=100 ssf1=045"
  "derive site=C619 hist=8140 year_dx=2012 extension=ZZZ"
  "derive site=C421 hist=9863 year_dx=2013 extension=800 nodes=988 mets=98"
  "derive frob=1"
  "audit crlf.dat"
  "audit --csv both.csv crlf.dat lf.dat"
  "audit missing.dat"
)
n=0
for command in "${commands[@]}"; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  (cd "$work/linux" && "$native" $command > "out$n.txt" 2> "err$n.txt"; echo $? > "rc$n.txt")
  # shellcheck disable=SC2086
  (cd "$work/windows" && "$wine_run" "$cstage_exe" $command > "out$n.txt" 2> "err$n.txt"; echo $? > "rc$n.txt")
  for part in out err rc; do
    a=$work/linux/$part$n.txt b=$work/windows/$part$n.txt
    cmp -s "$a" <(perl -pe 's/\r\n/\n/g' "$b") ||
      fail "cstage $command: $part differs: $(diff <(cat "$a") <(perl -pe 's/\r\n/\n/g' "$b") | head -5)"
  done
done
[ -s "$work/linux/out9.txt" ] && grep -q '^ajcc7_stage=' "$work/linux/out9.txt" || fail "the derivation printed no outputs"
cmp -s "$work/linux/both.csv" "$work/windows/both.csv" || fail "the audits' CSV files differ"
[ "$(wc -l < "$work/linux/both.csv")" -gt 100 ] || fail "the audit found too few differences to compare"

echo "compare_cstage: ${#commands[@]} commands compared, $failures failure(s)"
[ "$failures" -eq 0 ]
