#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# File names as registrars have them, under Wine with the ANSI code page of a
# Western Windows (1252) and of a Japanese one (932): folders and files named
# inside and outside the code page, given relative and absolute, and a path
# past 260 characters. tarvos.exe converts each into the output the native
# runner writes, with the database, the three reports, the run log and the
# page under their right names; cstage.exe audits it. Then files held by
# another program without sharing: for a moment (waited for), and for long
# (a clear failure, the earlier set whole).
#   file_names.sh NATIVE_TARVOS NATIVE_CSTAGE GENERATOR WINE_RUN TARVOS_EXE CSTAGE_EXE HOLDER_EXE WORKDIR
set -uo pipefail

native=$1 native_cstage=$2 generator=$3 wine_run=$4 tarvos_exe=$5 cstage_exe=$6 holder_exe=$7 work=$8
for program in "$native" "$native_cstage" "$generator"; do
  [ -x "$program" ] || { echo "missing program: $program (build the native tree first)" >&2; exit 1; }
done
for program in "$tarvos_exe" "$cstage_exe" "$holder_exe"; do
  [ -f "$program" ] || { echo "missing program: $program" >&2; exit 1; }
done
rm -rf "$work/runs" && mkdir -p "$work/runs" "$work/reference" || exit 1

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# wine_in CODE_PAGE PROGRAM ARGS...: a Windows program under that ANSI code page.
wine_in() {
  local cp=$1
  shift
  NAACCR_WINE_CODE_PAGE=$cp "$wine_run" "$@"
}
for cp in 1252 932; do
  got=$(wine_in "$cp" "$holder_exe" --code-page | tr -dc '0-9')
  [ "$got" = "$cp" ] || { echo "Wine runs with the ANSI code page ${got:-?}, not $cp (see wine-run.sh)" >&2; exit 1; }
done
# The Windows form of a Unix path (Wine's drive Z: is the root).
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

# The reference: 300 abstracts converted and audited by the native programs.
"$generator" --records 300 --seed 29 --staging random --line-ends crlf --output "$work/reference/in.txt" || exit 1
(cd "$work/reference" && "$native" --quiet in.txt out.txt) || { echo "native tarvos failed" >&2; exit 1; }
(cd "$work/reference" && "$native_cstage" audit --csv audit.csv out.txt > audit.txt)
audit_code=$?
rows() { sqlite3 "$1" "SELECT (SELECT count(*) FROM conversions), (SELECT count(*) FROM reviewables), (SELECT count(*) FROM messages);"; }
reference_rows=$(rows "$work/reference/in.db")
without_file_column() { cut -d, -f2- "$1"; }

# A folder name of 60 characters with letters inside and outside both code pages.
segment='Registro José Données 登録 Łódź 0123456789 abcdefghij klmn'
long_folder="long"
for _ in 1 2 3 4 5; do long_folder="$long_folder/$segment"; done

# check_set CASE FOLDER BASE: the output and every result under its name.
check_set() {
  local case=$1 folder=$2 base=$3
  cmp -s "$work/reference/out.txt" "$folder/$base-2015.txt" || fail "$case: the output differs from the native runner's"
  for suffix in db mes rev cnv log html; do
    [ -f "$folder/$base-2014.$suffix" ] || fail "$case: no $base-2014.$suffix beside the input"
  done
  for report in mes rev cnv; do
    [ -f "$folder/$base-2014.$report" ] &&
      ! cmp -s "$work/reference/in.$report" <(tr -d '\r' < "$folder/$base-2014.$report") &&
      fail "$case: the $report report differs from the native runner's"
  done
  [ -f "$folder/$base-2014.db" ] && [ "$(rows "$folder/$base-2014.db")" != "$reference_rows" ] &&
    fail "$case: the database holds $(rows "$folder/$base-2014.db") rows, the native one $reference_rows"
  local left
  left=$(find "$folder" -maxdepth 1 -name '.*tarvos*')
  [ -z "$left" ] || fail "$case: files left: $left"
}

# run_case CODE_PAGE FORM STAND FOLDER BASE: tarvos.exe and cstage.exe on
# BASE-2014.txt in STAND/FOLDER; a relative name is given from STAND (a long
# path is reached from a short current folder, as on Windows).
run_case() {
  local cp=$1 form=$2 stand=$3 sub=$4 base=$5 folder=$3/$4 case="cp$1 $2 $4/$5" input output csv code
  mkdir -p "$folder" && cp "$work/reference/in.txt" "$folder/$base-2014.txt" || exit 1
  if [ "$form" = relative ]; then
    (cd "$stand" && wine_in "$cp" "$tarvos_exe" --quiet "$sub/$base-2014.txt" "$sub/$base-2015.txt") > "$work/last.out" 2>&1
  else
    input=$(winpath "$PWD/$folder/$base-2014.txt") output=$(winpath "$PWD/$folder/$base-2015.txt")
    wine_in "$cp" "$tarvos_exe" --quiet "$input" "$output" > "$work/last.out" 2>&1
  fi
  code=$?
  [ "$code" -eq 0 ] || fail "$case: tarvos.exe exit $code: $(head -c 600 "$work/last.out")"
  check_set "$case" "$folder" "$base"
  # The workbench audits the converted file and writes its CSV by name.
  if [ "$form" = relative ]; then
    (cd "$stand" && wine_in "$cp" "$cstage_exe" audit --csv "$sub/$base-audit.csv" "$sub/$base-2015.txt") > "$work/last.out" 2>&1
  else
    csv=$(winpath "$PWD/$folder/$base-audit.csv") output=$(winpath "$PWD/$folder/$base-2015.txt")
    wine_in "$cp" "$cstage_exe" audit --csv "$csv" "$output" > "$work/last.out" 2>&1
  fi
  code=$?
  [ "$code" -eq "$audit_code" ] || fail "$case: cstage.exe audit exit $code, the native one $audit_code: $(head -c 300 "$work/last.out")"
  [ -f "$folder/$base-audit.csv" ] && cmp -s <(without_file_column "$work/reference/audit.csv") \
    <(without_file_column "$folder/$base-audit.csv" | tr -d '\r') ||
    fail "$case: cstage.exe's CSV is missing or differs from the native one"
}

cd "$work/runs" || exit 1
for cp in 1252 932; do
  for form in relative absolute; do
    run_case "$cp" "$form" "$cp-$form/Registro José" "Données" "año"
    run_case "$cp" "$form" "$cp-$form/登録" "Łódź" "Łódź"
    run_case "$cp" "$form" "$cp-$form" "$long_folder" "Łódź"
  done
done
printf -v long_windows '%s' "$(winpath "$PWD/1252-absolute/$long_folder/Łódź-2014.txt")"
[ "${#long_windows}" -gt 300 ] || fail "the long path is only ${#long_windows} characters"

# A refusal names the file as it is called.
(cd "1252-relative/登録/Łódź" && wine_in 1252 "$tarvos_exe" --quiet "Łódź-missing.txt" out.txt) > "$work/last.out" 2>&1
grep -q 'Łódź-missing.txt' "$work/last.out" || fail "the refusal does not name Łódź-missing.txt: $(cat "$work/last.out")"

# held_run NAME HOLDER_ARGS...: a run while another program holds NAME.
held_run() {
  local name=$1
  shift
  wine_in 1252 "$holder_exe" "$name" "$@" > "$work/holder.out" 2>&1 &
  holder=$!
  for _ in $(seq 500); do grep -q held "$work/holder.out" 2>/dev/null && break; sleep 0.02; done
  grep -q held "$work/holder.out" || fail "the holder did not hold $name: $(cat "$work/holder.out")"
  wine_in 1252 "$tarvos_exe" --quiet año-2014.txt año-2015.txt > "$work/last.out" 2>&1
}
sums() { md5sum año-2014.* año-2015.txt | sort; }

cd "1252-relative/Registro José/Données" || exit 1
# The input held for half a second as the run starts: it waits, then converts.
held_run año-2014.txt 1500
code=$?
wait "$holder"
[ "$code" -eq 0 ] || fail "a run on an input held for a moment: exit $code: $(head -c 600 "$work/last.out")"
check_set "input held for a moment" . año
# The earlier reviewables report held while the set is put in place: the
# move waits until it is let go.
held_run año-2014.rev 500 --after .año-2014.tarvos-journal
code=$?
wait "$holder"
[ "$code" -eq 0 ] || fail "a report held for a moment while placing: exit $code: $(head -c 600 "$work/last.out")"
check_set "report held for a moment" . año
# Held for long: the run fails naming the file and the hold, and the earlier
# set stays whole.
echo "an earlier reviewables report" > año-2014.rev
before=$(sums)
held_run año-2014.rev 5000
code=$?
wait "$holder"
[ "$code" -ne 0 ] || fail "a run whose report stays held exits 0"
grep -q 'año-2014.rev' "$work/last.out" && grep -q 'another program holds the file open' "$work/last.out" ||
  fail "the failure does not name the held file and the hold: $(head -c 600 "$work/last.out")"
[ "$(sums)" = "$before" ] || fail "the earlier set changed under a held report"
[ -z "$(find . -maxdepth 1 -name '.*tarvos*')" ] || fail "files left after a held report: $(find . -name '.*tarvos*')"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "file names: 12 runs of tarvos.exe and cstage.exe in code pages 1252 and 932, a refusal, three runs beside held files"
