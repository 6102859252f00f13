#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The main job: installs what building the programs needs, builds the
# programs (no tests, no Windows builds), generates a sample NAACCR 14.0 file of
# synthetic abstracts, converts it to NAACCR 15.0 with tarvos and shows where
# the output, the results database and the reports are.
#   bash tools/run-sample.sh [RECORDS]
set -euo pipefail
cd "$(dirname "$0")/.."

records=${1:-2000}
sample_dir=out/sample

bash tools/install-deps.sh --programs

cmake --preset programs >/dev/null
cmake --build --preset programs -j 2 --target tarvos naaccr-sample
bin=build/programs/bin

mkdir -p "$sample_dir"
input=$sample_dir/sample-14.txt
output=$sample_dir/sample-15.txt
echo
echo "Generating $records synthetic records into $input"
"$bin/naaccr-sample" --records "$records" --seed 2015 --line-ends crlf --output "$input"

echo "Converting with tarvos"
"$bin/tarvos" "$input" "$output"

base=${input%.*}
echo
echo "Output file:        $(realpath "$output")"
echo "Results database:   $(realpath "$base.db")"
for suffix in cnv rev mes; do
  if [ -e "$base.$suffix" ]; then
    echo "Report (.$suffix):      $(realpath "$base.$suffix")"
  fi
done
if [ -e "$base.log" ]; then echo "Run log:            $(realpath "$base.log")"; fi
if [ -e "$base.html" ]; then echo "Summary page:       $(realpath "$base.html")"; fi
echo
if [ -e "$base.cnv" ]; then
  echo "First lines of the conversions report:"
  head -n 10 "$base.cnv"
else
  echo "This build of the conversion library wrote no conversions report."
fi
