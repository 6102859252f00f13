#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Bad input through the runner: each file is either converted soundly or
# refused with a message, never a crash, a hang or a garbled output.
#   bad_input.sh GROUP TARVOS GENERATOR WORKDIR
# Groups: empty, junk, nul_bytes, huge_record, line_ends, versions,
# record_types, identifying_fields.
set -uo pipefail

group=$1 tarvos=$(realpath "$2") generator=$(realpath "$3") work=$4
source "$(dirname "$0")/checks.sh" || exit 1
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

refused() { expect_failure "$@"; }
# A message line holds printable characters only.
printable_message() { # COMMAND...
  local message
  message=$("$@" 2>&1 > /dev/null)
  ! LC_ALL=C grep -q '[^[:print:]]' <<< "$message"
}
record_lengths() { perl -ne 's/\r?\n\z|\r\z//; $l{length $_} = 1; END { print join(",", sort keys %l) }' "$1"; }
# The line ends of a file in order, one letter each: n LF, r CR, c CR LF.
line_ends_of() { perl -0777 -ne 'while (/(\r\n|\r|\n)/g) { print $1 eq "\r\n" ? "c" : $1 eq "\r" ? "r" : "n" }' "$1"; }

case $group in
empty)
  : > empty.dat
  refused "empty file" "empty" "$tarvos" empty.dat out.dat
  refused "empty file, front end's form" "empty" "$tarvos" empty.dat out.dat A 1 22824 7 true 0
  printf '\n\n\n' > blank-lines.dat
  refused "only line ends" "record type blank" "$tarvos" blank-lines.dat out.dat
  ;;
junk)
  # The same junk every run: bytes 0 to 255 from a fixed seed.
  perl -e 'srand(7); print map { chr int rand 256 } 1 .. 300000' > junk.dat
  perl -e 'srand(8); print map { chr(32 + int rand 95) } 1 .. 300000' > text.dat
  for f in junk.dat text.dat; do
    refused "$f" "not a text file\|record type\|version" "$tarvos" "$f" out.dat
    check "$f: message printable" printable_message "$tarvos" "$f" out.dat
    refused "$f, front end's form" "not a text file\|record type\|version" "$tarvos" "$f" out.dat A 1 22824 7 true 1
    check "$f, front end's form: message printable" printable_message "$tarvos" "$f" out.dat A 1 22824 7 true 1
  done
  # Junk with a valid record type and version at the right columns: converted, never a crash.
  perl -e 'srand(9); for (1 .. 5) { $r = join "", map { chr(32 + int rand 95) } 1 .. 22824; substr($r, 0, 1) = "A"; substr($r, 16, 3) = "140"; print "$r\n" }' > printable.dat
  check "printable junk with version 140 converts" "$tarvos" --quiet printable.dat printable.out
  check "printable junk: records out" [ "$(lines_of printable.out)" = 5 ]
  ;;
nul_bytes)
  generate in.dat 10
  # NUL bytes inside record 3 and a record 7 of NULs after its version.
  perl -pe 'substr($_, 5000, 100) = "\0" x 100 if $. == 3; substr($_, 19, 22805) = "\0" x 22805 if $. == 7' in.dat > nul.dat
  check "NUL bytes converted" "$tarvos" --quiet nul.dat nul.out
  check "every record out" [ "$(lines_of nul.out)" = 10 ]
  check "full-length records" [ "$(record_lengths nul.out)" = 22824 ]
  check "no NUL byte in the output" [ "$(tr -cd '\000' < nul.out | wc -c)" = 0 ]
  check "NULs became blanks" [ "$(perl -ne 'print substr($_, 5000, 100) =~ /^ +$/ ? "ok" : "bad" if $. == 3' nul.out)" = ok ]
  check "other records as without the NULs" cmp -s <(sed -n '1,2p;4,6p;8,10p' nul.out) \
    <("$tarvos" --quiet in.dat plain.out && sed -n '1,2p;4,6p;8,10p' plain.out)
  head -c 22824 /dev/zero > zeros.dat && echo >> zeros.dat
  refused "a record of NULs" 'not a text file' "$tarvos" zeros.dat out.dat
  check "a record of NULs: message printable" printable_message "$tarvos" zeros.dat out.dat
  ;;
huge_record)
  generate in.dat 5
  ten_mb=10485760
  perl -e "\$r = 'A' x $ten_mb; substr(\$r, 16, 3) = '140'; print \"\$r\\n\"" > first.dat
  cat in.dat >> first.dat
  refused "first record of 10 MB" "$ten_mb" "$tarvos" first.dat out.dat
  perl -pe "\$_ = 'X' x $ten_mb . \"\\n\" if \$. == 3" in.dat > middle.dat
  refused "record 3 of 10 MB" "line 3" "$tarvos" middle.dat out.dat
  refused "record 3 of 10 MB, front end's form" "line 3" "$tarvos" middle.dat out.dat A 1 22824 7 true 5
  # A full record followed by 10 MB of blanks is that record.
  perl -pe "s/\\n/' ' x ($ten_mb - 22824) . \"\\n\"/e if \$. == 3" in.dat > blanks.dat
  check "blank tail of 10 MB converted" "$tarvos" blanks.dat blanks.out > summary.txt
  check "blank tail: records out" [ "$(lines_of blanks.out)" = 5 ]
  check "blank tail: counted as cut" grep -Eq 'records cut +1 ' summary.txt
  check "blank tail: output as without it" cmp -s blanks.out <("$tarvos" --quiet in.dat plain.out && cat plain.out)
  # Memory stays bounded: the runner's address space is limited to 512 MB.
  # (Not under AddressSanitizer, which reserves far more address space.)
  # grep reads all of ldd's output: with -q it could stop early and fail the pipe.
  if ! ldd "$tarvos" | grep libasan >/dev/null; then
    check "10 MB records in bounded memory" bash -c 'ulimit -v 524288; "$0" --quiet "$1" "$2"' "$tarvos" blanks.dat bounded.out
  else
    echo "not checked: 10 MB records in bounded memory (AddressSanitizer's reserve exceeds the 512 MB limit)"
  fi
  ;;
line_ends)
  generate in.dat 9
  # LF, CR LF and lone CR in turn; the last record without a line end.
  perl -pe 's/\n\z/$. % 3 == 1 ? "\n" : $. % 3 == 2 ? "\r\n" : "\r"/e; s/[\r\n]+\z// if $. == 9' in.dat > mixed.dat
  check "mixed line ends converted" "$tarvos" mixed.dat mixed.out > summary.txt
  check "summary counts 9 records" grep -Eq 'records read +9$' summary.txt
  check "each record keeps its line end" [ "$(line_ends_of mixed.out)" = "$(line_ends_of mixed.dat)" ]
  check "line ends were mixed" [ "$(line_ends_of mixed.dat)" = ncrncrnc ]
  check "records as with LF" cmp -s <(perl -pe 's/\r\n?/\n/g' mixed.out; echo) <("$tarvos" --quiet in.dat lf.out && cat lf.out)
  ;;
versions)
  generate in.dat 5
  perl -pe 'substr($_, 16, 3) = "150"' in.dat > v150.dat
  refused "version 150 file" '"150"' "$tarvos" v150.dat out.dat
  refused "version 150 file, front end's form" '"150"' "$tarvos" v150.dat out.dat A 1 22824 7 true 5
  perl -pe 'substr($_, 16, 3) = "   "' in.dat > blank.dat
  refused "blank version" 'version blank' "$tarvos" blank.dat out.dat
  # A version 15.0 record in the middle of a 14.0 file is named by its line.
  perl -pe 'substr($_, 16, 3) = "150" if $. == 3' in.dat > mixed-versions.dat
  refused "a version 150 record in a 14.0 file" 'line 3: version "150"' "$tarvos" mixed-versions.dat out.dat
  # A gzip file is read unpacked, so its version is checked like a plain file's;
  # a zip archive is named as such.
  gzip -c v150.dat > v150.dat.gz
  refused "version 150 file, gzip-compressed" '"150"' "$tarvos" v150.dat.gz out.dat
  printf 'PK\003\004rest of a zip' > in.zip
  refused "a zip file" "zip archive: unpack it first" "$tarvos" in.zip out.dat
  ;;
record_types)
  # Incidence (I) and confidential (C) records are shorter than an abstract:
  # converted at their own length, line ends kept.
  perl -e 'for (1 .. 4) { $r = " " x 3339; substr($r, 0, 1) = "I"; substr($r, 16, 3) = "140"; substr($r, 539, 4) = "C619"; substr($r, 549, 5) = "81573"; print "$r\n" }' > type-i.dat
  perl -e 'for (1 .. 4) { $r = " " x 5564; substr($r, 0, 1) = "C"; substr($r, 16, 3) = "140"; print "$r\r\n" }' > type-c.dat
  check "record type I converts" "$tarvos" --quiet type-i.dat out-i.dat
  check "type I records keep their length" [ "$(record_lengths out-i.dat)" = 3339 ]
  check "type I records are converted" [ "$(perl -ne 'print substr($_, 16, 3), substr($_, 549, 4), "\n" if $. == 1' out-i.dat)" = 1508152 ]
  check "record type I, front end's form" "$tarvos" type-i.dat out-i2.dat I 1 3339 7 true 4
  check "record type C converts, CR LF kept" "$tarvos" --quiet type-c.dat out-c.dat
  check "type C records keep their length and line ends" [ "$(record_lengths out-c.dat),$(line_ends_of out-c.dat)" = 5564,cccc ]
  # A type the file's first record does not have, and a length that does not
  # agree with the record type, are refused by line.
  perl -pe 's/^I/A/ if $. == 3' type-i.dat > mixed-types.dat
  refused "mixed record types" 'line 3: record type "A"' "$tarvos" mixed-types.dat out.dat
  perl -e 'print "I" . " " x 15 . "140" . " " x 22805 . "\n"' > long-i.dat
  refused "type I at an abstract's length" "3339 characters long, but its first record is 22824" "$tarvos" long-i.dat out.dat
  # The dialog's stated values must still be the file's.
  refused "record count stated by the dialog differs" "record count 5 (the file has 4)" "$tarvos" type-i.dat out.dat I 1 3339 7 true 5
  refused "record type stated by the dialog differs" "record type A (the file has I)" "$tarvos" type-i.dat out.dat A 1 3339 7 true 4
  ;;
encodings)
  generate in.dat 6
  # Record 3 with a UTF-8 "e" with acute accent (two bytes) in the Addr at Dx
  # City (columns 74-123), record 4 with the same letter in Windows-1252 (one
  # byte), record 5 with UTF-8 that is one character too long.
  perl -pe 'if ($. == 3) { substr($_, 73, 2) = "\xc3\xa9" . substr($_, 74, 1) } elsif ($. == 4) { substr($_, 73, 1) = "\xe9" }' in.dat > text.dat
  check "UTF-8 and Windows-1252 text converted" "$tarvos" text.dat text.out > summary.txt
  check "every record out at full length" [ "$(lines_of text.out),$(record_lengths text.out)" = 6,22824 ]
  check "the UTF-8 record counted" grep -Eq 'records of UTF-8 text +1 ' summary.txt
  check "output is plain ASCII" [ "$(perl -ne 'print "x" if /[^\x20-\x7e\r\n]/' text.out)" = "" ]
  check "the accented letters became one blank each" \
    [ "$(perl -ne 'print substr($_, 72, 3), "|" if $. == 3 || $. == 4' text.out)" = "$(perl -ne 'print substr($_, 72, 1), " ", substr($_, 74, 1), "|" if $. == 3 || $. == 4' in.dat)" ]
  check "the rest of the records as without the letters" cmp -s <(cut -c1-72 text.out) <("$tarvos" --quiet in.dat plain.out && cut -c1-72 plain.out)
  check "the run log names the UTF-8 record" grep -q '^line 3, .*: read as UTF-8 text, a character a column; 1 byte blanked' text.log
  check "the run log says what happened" grep -q '^line 4, .*: 1 byte blanked (control characters or not ASCII)' text.log
  check "the summary counts the cleaned records and names the run log" \
    bash -c "grep -Eq 'records cleaned +2 ' summary.txt && grep -q 'run log .*text.log' summary.txt"
  perl -pe 'if ($. == 5) { substr($_, 73, 1) = "\xc3\xa9"; substr($_, 22824, 0) = "x" }' in.dat > too-long.dat
  refused "UTF-8 one character too long" "line 5: 22826 bytes" "$tarvos" too-long.dat out.dat
  perl -pe 'if ($. == 5) { substr($_, 73, 1) = "\xc3\x28"; substr($_, 22824, 0) = "x" }' in.dat > bad-utf8.dat
  refused "not UTF-8 and too long" "line 5: 22826 bytes" "$tarvos" bad-utf8.dat out.dat
  ;;
identifying_fields)
  generate in.dat 80
  # Double quotes and SQL in Patient ID, both sequence numbers, Reporting
  # Facility and Accession Number, on every record.
  patient='x"'"'"');--"' central="'\"" facility='";DELETE--' accession="'||'x';--" hospital="\"'"
  PATIENT=$patient CENTRAL=$central FACILITY=$facility ACCESSION=$accession HOSPITAL=$hospital perl -pe '
    substr($_, 41, 8) = $ENV{PATIENT}; substr($_, 527, 2) = $ENV{CENTRAL};
    substr($_, 700, 10) = $ENV{FACILITY}; substr($_, 730, 9) = $ENV{ACCESSION}; substr($_, 739, 2) = $ENV{HOSPITAL}' in.dat > sql.dat
  check "converted" "$tarvos" sql.dat sql.out > summary.txt
  db=sql.db
  q() { sqlite3 -batch -noheader "$db" "$1"; }
  check "database intact" [ "$(q 'PRAGMA integrity_check;')" = ok ]
  check "three tables" [ "$(q "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name);")" = conversions,messages,reviewables ]
  identity="$patient|$central|$facility|$accession|$hospital"
  for table in conversions reviewables; do
    rows=$(q "SELECT COUNT(*) FROM $table;")
    shown=$(grep -E "^  $table " summary.txt | awk '{print $2}')
    check "$table: every logged row stored ($rows of $shown)" [ "$rows" = "$shown" ]
    check "$table: rows present" [ "$rows" -gt 0 ]
    check "$table: identifying values stored exactly" [ "$(q "SELECT DISTINCT patientID || '|' || seqNumCentral || '|' || reportingFac || '|' || accNumHospital || '|' || seqNumHospital FROM $table;")" = "$identity" ]
  done
  messages=$(q 'SELECT COUNT(*) FROM messages;')
  check "messages: every logged row stored" [ "$messages" = "$(grep -E '^  messages ' summary.txt | awk '{print $2}')" ]
  check "messages: Patient ID stored exactly" [ "$(q 'SELECT DISTINCT id FROM messages;')" = "$patient" ]
  check "conversions report: a line per row" [ "$(($(wc -l < sql.cnv) - 1))" = "$(q 'SELECT COUNT(*) FROM conversions;')" ]
  # Apart from the identifying items, the records convert as without them.
  strip() { perl -pe 'substr($_, 41, 8) = " " x 8; substr($_, 527, 2) = "  "; substr($_, 700, 10) = " " x 10; substr($_, 730, 11) = " " x 11' "$1"; }
  "$tarvos" --quiet in.dat plain.out
  check "records otherwise as converted without the quotes" cmp -s <(strip sql.out) <(strip plain.out)
  ;;
*)
  echo "unknown group $group" >&2
  exit 2
  ;;
esac

finish "$group"
