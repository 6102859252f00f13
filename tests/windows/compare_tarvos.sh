#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Converts the same generated files with the native tarvos and with tarvos.exe
# under Wine, and compares what both wrote: the converted files byte for byte,
# the reports once CR LF is read as LF (on Windows they are text files with
# CR LF line ends, and must have them), a compressed output once unpacked.
#   compare_tarvos.sh NATIVE_TARVOS GENERATOR WINE_RUN TARVOS_EXE WORKDIR
set -uo pipefail

native=$1 generator=$2 wine_run=$3 tarvos_exe=$4 work=$5
for program in "$native" "$generator"; do
  [ -x "$program" ] || { echo "missing program: $program (build the native tree first)" >&2; exit 1; }
done
# Wine needs no execute bit: an installer's copy has none.
[ -f "$tarvos_exe" ] || { echo "missing program: $tarvos_exe" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work/linux" "$work/windows" || exit 1

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A file with LF line ends and one with CR LF; the runner keeps each.
"$generator" --records 400 --seed 23 --line-ends lf --output "$work/lf.dat" || exit 1
"$generator" --records 150 --seed 5 --line-ends crlf --output "$work/crlf.dat" || exit 1

# Incidence records (type I, 3339 characters) and a record of UTF-8 text.
perl -ne 'chomp; print "I", substr($_, 1, 3338), "\n"' "$work/lf.dat" > "$work/typei.dat" || exit 1
perl -pe 'substr($_, 73, 1) = "\xc3\xa9" if $. == 7' "$work/lf.dat" > "$work/utf8.dat" || exit 1

for input in lf crlf typei utf8; do
  cp "$work/$input.dat" "$work/linux/" && cp "$work/$input.dat" "$work/windows/" || exit 1
  (cd "$work/linux" && "$native" --quiet "$input.dat" "$input.out") || fail "$input: native tarvos exit $?"
  (cd "$work/windows" && "$wine_run" "$tarvos_exe" --quiet "$input.dat" "$input.out") ||
    fail "$input: tarvos.exe exit $?"
done

# A gzip input of two members (CR LF records), written to a compressed output.
{ head -c 1000000 "$work/crlf.dat" | gzip -1; tail -c +1000001 "$work/crlf.dat" | gzip -9; } > "$work/packed.dat.gz" || exit 1
for side in linux windows; do cp "$work/packed.dat.gz" "$work/$side/" || exit 1; done
(cd "$work/linux" && "$native" --quiet packed.dat.gz packed.out.gz) || fail "gzip: native tarvos exit $?"
(cd "$work/windows" && "$wine_run" "$tarvos_exe" --quiet packed.dat.gz packed.out.gz) || fail "gzip: tarvos.exe exit $?"
cmp -s <(gzip -dc "$work/linux/packed.out.gz") "$work/linux/crlf.out" ||
  fail "the gzip input's compressed output is not the plain input's output"

# A batch: both runners convert the two files into a folder of their own.
for side in linux windows; do mkdir -p "$work/$side/batch"; done
(cd "$work/linux" && "$native" --quiet --output-dir batch lf.dat crlf.dat) || fail "batch: native tarvos exit $?"
(cd "$work/windows" && "$wine_run" "$tarvos_exe" --quiet --output-dir batch lf.dat crlf.dat) ||
  fail "batch: tarvos.exe exit $?"

listing() { (cd "$1" && find . -type f ! -name '*.db' ! -name '*.db-journal' | sort); }
if [ "$(listing "$work/linux")" != "$(listing "$work/windows")" ]; then
  fail "different files written: $(diff <(listing "$work/linux") <(listing "$work/windows") | tr '\n' ' ')"
fi

compared=0
while read -r f; do
  a=$work/linux/$f b=$work/windows/$f
  [ -f "$b" ] || continue
  case $f in
  *.html)
    # The summary page names its own run's paths and times: it must be there
    # on both sides and hold the same totals.
    totals() { perl -ne 'print "$1=$2\n" while /<div>([A-Za-z ]+)<b>([0-9,]+)<\/b><\/div>/g' "$1"; }
    [ "$(totals "$a" | wc -l)" -ge 4 ] || fail "$f: no totals found on the page"
    [ "$(totals "$a")" = "$(totals "$b")" ] || fail "$f: totals differ: $(totals "$a" | tr '\n' ' ') / $(totals "$b" | tr '\n' ' ')"
    ;;
  *.dat | *.out | batch/*)
    cmp -s "$a" "$b" || fail "$f differs: $(cmp "$a" "$b" 2>&1 | head -1)"
    ;;
  *.gz)
    # Compressed on each side by its own zlib: the unpacked bytes are the same.
    cmp -s <(gzip -dc "$a") <(gzip -dc "$b") || fail "$f differs once unpacked"
    ;;
  *)
    # A report: CR LF on Windows, LF here, otherwise the same.
    if grep -q $'\r' "$a"; then fail "$f: CR in the Linux report"; fi
    perl -ne '$bare = 1 if /(?<!\r)\n\z/; END { exit($bare ? 1 : 0) }' "$b" ||
      fail "$f: Windows report has a line end without CR"
    cmp -s "$a" <(perl -pe 's/\r\n/\n/g' "$b") || fail "$f differs once line ends are normalised"
    ;;
  esac
  compared=$((compared + 1))
done < <(listing "$work/linux" | sed 's|^\./||')

[ "$compared" -ge 35 ] || fail "only $compared files compared"
echo "compare_tarvos: $compared files compared, $failures failure(s)"
[ "$failures" -eq 0 ]
