#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# End-to-end checks of tarvos, run as a user runs it, on generated files.
#   tarvos_e2e.sh GROUP TARVOS GENERATOR WORKDIR
# Groups: counts, line_ends, padding, refusals, interrupt, results, batch, summary, gzip, stage_reasons.
set -uo pipefail

group=$1 tarvos=$2 generator=$3 work=$4
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { # check DESCRIPTION COMMAND...
  local what=$1; shift
  "$@" || fail "$what"
}
generate() { # generate FILE RECORDS [crlf]
  "$generator" --records "$2" --seed 11 --line-ends "${3:-lf}" --output "$1" || { echo "generator failed" >&2; exit 1; }
}
lines_of() { perl -ne 'END { print $n + 0 } $n++' "$1"; }
# Distinct record lengths, without line ends.
lengths_of() { perl -ne 's/\r?\n\z|\r\z//; $l{length $_} = 1; END { print join(",", sort keys %l) }' "$1"; }
state_of() { # names, sizes and contents of every file in the folder
  find . -type f -o -type l | sort | while read -r f; do printf '%s ' "$f"; sha256sum < "$f"; done
}
expect_refusal() { # expect_refusal DESCRIPTION EXPECTED-TEXT ARGS...
  local what=$1 text=$2; shift 2
  local before after rc message
  before=$(state_of)
  message=$("$tarvos" "$@" 2>&1 > /dev/null); rc=$?
  after=$(state_of)
  [ "$rc" -ne 0 ] || fail "$what: exit code 0"
  [ "$rc" -ne 2 ] || fail "$what: reported as a usage error"
  grep -q -- "$text" <<< "$message" || fail "$what: message lacks '$text': $message"
  [ "$before" = "$after" ] || fail "$what: files changed: $(diff <(echo "$before") <(echo "$after"))"
}

case $group in
counts)
  generate in.dat 60
  check "person's form" "$tarvos" in.dat out.dat > summary.txt
  check "60 records out" [ "$(lines_of out.dat)" = 60 ]
  check "full-length records" [ "$(lengths_of out.dat)" = 22824 ]
  check "every record stamped 150" [ "$(perl -ne 'print substr($_, 16, 3), "\n"' out.dat | sort -u)" = 150 ]
  check "summary counts read" grep -Eq 'records read +60$' summary.txt
  check "summary counts written" grep -Eq 'records written +60$' summary.txt
  check "summary names the output" grep -q "$work/out.dat" summary.txt
  check "summary names the Collaborative Stage library and its tables" \
    grep -Eq '^Stage derived by the Collaborative Stage library 020550 .*\(CS 02\.05\.50 tables, .*SHA-256 [0-9a-f]+' summary.txt
  check "summary shows the library's texts whole" \
    grep -q 'library 020550 engine over the published CS 02.05.50 tables (.*SHA-256 7724ec90029cb9a8b19bc56b36e4d64445328973f8534c5e2130ffd6c55b7e88)' summary.txt
  check "summary says nothing of a stand-in" bash -c "! grep -qi 'stand-in' summary.txt"
  check "no temporary files left" [ -z "$(find . \( -name '*.part' -o -name '.tarvos-*' \))" ]
  # The front end's form, without and with stage derivation.
  check "front-end form" "$tarvos" "\"$work/in.dat\"" "\"$work/fe.dat\"" A 1 22824 7 false 60 > /dev/null
  check "front-end output" cmp -s out.dat fe.dat
  check "front-end form, derive" "$tarvos" in.dat fe2.dat A 1 22824 3 true 60 > /dev/null
  check "front-end output, derive" [ "$(lines_of fe2.dat)" = 60 ]
  check "--no-stage --quiet prints nothing" [ -z "$("$tarvos" --no-stage --quiet in.dat q.dat)" ]
  check "quiet output" [ "$(lines_of q.dat)" = 60 ]
  check "an existing output is replaced" "$tarvos" --quiet in.dat out.dat
  check "usage error exits 2" bash -c "'$tarvos' in.dat 2>/dev/null; [ \$? -eq 2 ]"
  check "unknown option exits 2" bash -c "'$tarvos' --fast in.dat out.dat 2>/dev/null; [ \$? -eq 2 ]"
  ;;
line_ends)
  generate lf.dat 25 lf
  generate crlf.dat 25 crlf
  check "LF file" "$tarvos" --quiet lf.dat lf.out
  check "CR LF file" "$tarvos" --quiet crlf.dat crlf.out
  check "LF kept" [ "$(grep -c $'\r' lf.out)" = 0 ]
  check "LF records" [ "$(lines_of lf.out)" = 25 ]
  check "CR LF kept on every record" [ "$(perl -ne '$n++ if /\r\n\z/; END { print $n + 0 }' crlf.out)" = 25 ]
  check "same records either way" cmp -s lf.out <(perl -pe 's/\r\n/\n/' crlf.out)
  # A last line without a line end stays without one.
  head -c -2 crlf.dat > open.dat
  check "last line without line end" "$tarvos" --quiet open.dat open.out
  check "records of the open file" [ "$(perl -ne '$n++; END { print $n }' open.out)" = 25 ]
  check "output ends without a line end" [ "$(tail -c 1 open.out | od -An -c | tr -d ' ')" != '\n' ]
  check "open output is the rest" cmp -s open.out <(head -c -2 crlf.out)
  ;;
padding)
  generate in.dat 8
  # Record 3 is cut short, record 6 has blanks past its end, and the last
  # line end is doubled.
  perl -pe 'if ($. == 3) { $_ = substr($_, 0, 20000) . "\n" } if ($. == 6) { s/\n/     \n/ } $_ .= "\n" if eof' in.dat > odd.dat
  check "short records converted" "$tarvos" odd.dat odd.out > summary.txt
  check "every record out, and no more" [ "$(lines_of odd.out)" = 8 ]
  check "all padded to full length" [ "$(lengths_of odd.out)" = 22824 ]
  check "summary counts padded" grep -Eq 'records padded +1 ' summary.txt
  check "summary counts cut" grep -Eq 'records cut +1 ' summary.txt
  check "summary counts the doubled last line end" grep -Eq 'empty last line +1 ' summary.txt
  # An empty line between records is no record: the file is refused by it.
  perl -pe '$_ = "\n" if $. == 5' in.dat > empty.dat
  expect_refusal "an empty line" "line 5: an empty line, not a record" empty.dat empty.out
  check "padding is blanks" [ "$(perl -ne 'print substr($_, 20000, 22824 - 20000) =~ /^ +$/ ? "ok" : "bad" if $. == 3' odd.out)" = ok ]
  # Characters other than blanks past the record length stop the conversion.
  perl -pe 's/\n/  X\n/ if $. == 4' in.dat > long.dat
  echo "earlier output" > long.out
  expect_refusal "non-blank past the length" "line 4" long.dat long.out
  check "existing output unchanged" [ "$(cat long.out)" = "earlier output" ]
  ;;
refusals)
  generate in.dat 5
  echo "earlier output" > old.dat
  mkdir sub
  ln -s in.dat link.dat
  expect_refusal "missing input" "does not exist" nothing.dat out.dat
  expect_refusal "input is a folder" "folder" sub out.dat
  mkfifo pipe.dat  # no writer: reading it would wait for ever
  expect_refusal "input is a FIFO" "is a FIFO (named pipe), not a file" pipe.dat out.dat
  expect_refusal "output is the input" "is the input" in.dat in.dat
  expect_refusal "output is the input, spelled otherwise" "is the input" in.dat sub/../in.dat
  expect_refusal "output is the input, absolute" "is the input" in.dat "$work/./in.dat"
  expect_refusal "output is a link to the input" "is the input" in.dat link.dat
  for suffix in db mes rev cnv; do
    expect_refusal "output is the .$suffix" "beside the input" in.dat "in.$suffix"
  done
  expect_refusal "output is the .db, spelled otherwise" "beside the input" in.dat "sub/../in.db"
  perl -pe 'substr($_, 16, 3) = "150" if $. == 1' in.dat > v150.dat
  expect_refusal "version 150" '"150"' v150.dat old.dat
  expect_refusal "version 150, front-end form" '"150"' v150.dat old.dat A 1 22824 7 true 5
  perl -pe 's/^(.{22000}).*$/$1/' in.dat > short.dat
  expect_refusal "records of 22000" "22000" short.dat old.dat
  expect_refusal "record length 5564 from the front end" "5564" in.dat old.dat A 1 5564 7 true 5
  : > empty.dat
  expect_refusal "empty input" "empty" empty.dat old.dat
  expect_refusal "output folder missing" "cannot create" in.dat no/such/folder/out.dat
  check "existing output unchanged" [ "$(cat old.dat)" = "earlier output" ]
  ;;
interrupt)
  generate part.dat 400
  for _ in $(seq 20); do cat part.dat; done > in.dat  # 8000 records, about 180 MB
  rm part.dat
  echo "earlier output" > out.dat
  sum_before=$(sha256sum < in.dat)
  "$tarvos" --quiet in.dat out.dat 2> stderr.txt &
  pid=$!
  # Interrupt as soon as the conversion writes its temporary output.
  for _ in $(seq 2000); do
    [ -n "$(find . \( -name '*.part' -o -name '.tarvos-*' \) -print -quit)" ] && break
    sleep 0.005
  done
  kill -INT "$pid"
  wait "$pid"; rc=$?
  check "exit code tells of the interrupt (got $rc)" [ "$rc" -eq 130 ]
  check "message says interrupted" grep -q interrupted stderr.txt
  check "existing output unchanged" [ "$(cat out.dat)" = "earlier output" ]
  check "no temporary files left" [ -z "$(find . \( -name '*.part' -o -name '.tarvos-*' \))" ]
  check "input untouched" [ "$(sha256sum < in.dat)" = "$sum_before" ]
  # Without an earlier output there is none afterwards.
  rm out.dat
  "$tarvos" --quiet in.dat out.dat 2> /dev/null &
  pid=$!
  for _ in $(seq 2000); do [ -n "$(find . \( -name '*.part' -o -name '.tarvos-*' \) -print -quit)" ] && break; sleep 0.005; done
  kill -TERM "$pid"
  wait "$pid"
  check "no output after an interrupt" [ ! -e out.dat ]
  check "no temporary files left after TERM" [ -z "$(find . \( -name '*.part' -o -name '.tarvos-*' \))" ]
  ;;
batch)
  # Three files into one folder: the bad one is refused, the others convert,
  # each with its own database, reports and run log beside its input.
  mkdir -p in out sub
  generate in/a.dat 12
  generate in/b.dat 7 crlf
  echo "not a NAACCR file" > in/c.dat
  cp in/a.dat sub/a.dat
  "$tarvos" --output-dir out in/a.dat in/c.dat in/b.dat sub/a.dat > batch.out 2> batch.err; rc=$?
  check "exit code 1: not every file converted" [ "$rc" -eq 1 ]
  check "the good files are converted under their own names" [ "$(ls out | tr '\n' ,)" = "a.dat,b.dat," ]
  check "each output has its records" [ "$(lines_of out/a.dat),$(lines_of out/b.dat)" = 12,7 ]
  check "each has its results beside its input" \
    bash -c 'for f in in/a in/b; do for e in db mes rev cnv log; do [ -e "$f.$e" ] || exit 1; done; done'
  check "the refusal names the bad file" grep -q 'c.dat' batch.err
  check "a second file of the same name is refused, not written over the first" \
    grep -q 'sub/a.dat": another file of the batch is also named "a.dat"' batch.err
  check "progress names each file" grep -q 'File 3 of 3: in/b.dat' batch.err
  check "the closing line counts the files" grep -q '2 of 4 files converted' batch.err
  check "all converted: exit code 0" "$tarvos" --quiet --output-dir out in/a.dat in/b.dat
  expect_refusal "a missing output folder refuses the batch" 'the output folder "missing" does not exist' \
    --output-dir missing in/a.dat
  ;;
results)
  mkdir data
  generate data/in.txt 40
  check "conversion" "$tarvos" --quiet data/in.txt out.dat
  check "database beside the input" [ -s data/in.db ]
  check "database is SQLite" [ "$(head -c 15 data/in.db)" = "SQLite format 3" ]
  check "no temporary files left" [ -z "$(find . \( -name '*.part' -o -name '.tarvos-*' \))" ]
  for suffix in mes rev cnv; do check "report .$suffix beside the input" [ -s "data/in.$suffix" ]; done
  check "conversions report starts with its column names" \
    [ "$(head -n 1 data/in.cnv)" = "recordNum, patientID, seqNumCentral, reportingFac, accNumHospital, seqNumHospital, conversionType, v14Hist, v14Grade, v14Site, v14CountryCode, v15Hist, v15Grade, v15Site, v15CountryCode" ]
  check "conversions report has a line per logged conversion" \
    [ "$(($(wc -l < data/in.cnv) - 1))" = "$(sqlite3 data/in.db 'SELECT COUNT(*) FROM conversions;')" ]
  ;;
summary)
  mkdir data
  generate data/in.txt 400
  check "conversion" "$tarvos" --quiet data/in.txt out.dat
  page=data/in.html
  check "summary page beside the input" [ -s "$page" ]
  q() { sqlite3 data/in.db "$1"; }
  total_on_page() { perl -ne 'print "$1\n" if /\Q'"$1"'\E<b>([0-9,]+)<\/b>/' "$page" | tr -d ,; }
  check "conversions as in the database" [ "$(total_on_page Conversions)" = "$(q 'SELECT COUNT(*) FROM conversions;')" ]
  check "reviewables as in the database" [ "$(total_on_page Reviewables)" = "$(q 'SELECT COUNT(*) FROM reviewables;')" ]
  check "messages as in the database" [ "$(total_on_page Messages)" = "$(q 'SELECT COUNT(*) FROM messages;')" ]
  check "some of each" [ "$(q 'SELECT COUNT(*) > 0 FROM reviewables;')$(q 'SELECT COUNT(*) > 0 FROM messages;')" = 11 ]
  check "a bar per conversion type with its count" \
    [ "$(q "SELECT conversionType || ': ' || COUNT(*) FROM conversions GROUP BY conversionType ORDER BY 1;")" = \
      "$(perl -ne 'print "$1\n" while /<rect [^>]*><title>([^<]*)<\/title>/g' "$page" | sort)" ]
  check "every reviewable, as a row" \
    [ "$(q "SELECT recordNum || ' ' || patientID FROM reviewables ORDER BY recordNum;")" = \
      "$(perl -ne 'print "$1 $2\n" if /^<tr><td class=n>([0-9]+)<\/td><td>([^<]*)<\/td>/' "$page")" ]
  check "a row per message text" \
    [ "$(q 'SELECT COUNT(DISTINCT msg) FROM messages;')" = \
      "$(perl -ne '$in = 1 if /id=messages/; $n++ if $in && /^<tr><td>/; $in = 0 if m{</tbody>}; END { print $n + 0 }' "$page")" ]
  check "the records that need attention, as the run log lists them" \
    [ "$(($(wc -l < data/in.log) - 1))" = \
      "$(perl -ne '$in = 1 if /id=attention/; $n++ if $in && /^<tr><td>/; $in = 0 if m{</tbody>}; END { print $n + 0 }' "$page")" ]
  check "nothing from elsewhere" bash -c "! grep -Eq 'src=\"http|href=\"http|@import|url\\(' '$page'"
  check "no temporary files left" [ -z "$(find . \( -name '*.part' -o -name '.tarvos-*' \))" ]
  check "the summary names the page" bash -c "'$tarvos' data/in.txt out.dat | grep -Eq '^  page +.*/data/in.html\$'"
  check "--no-summary writes none and takes the earlier one away" "$tarvos" --quiet --no-summary data/in.txt out.dat
  check "no page after --no-summary" [ ! -e "$page" ]
  check "other results still there" [ -s data/in.db ]
  # A refused run writes nothing, the page included.
  printf 'not a record\n' > data/bad.txt
  "$tarvos" --quiet data/bad.txt bad.out 2> /dev/null
  check "a refused run writes no page" [ ! -e data/bad.html ]
  # An input named like the page keeps its name and content.
  cp data/in.txt data/in.html
  before=$(sha256sum < data/in.html)
  check "conversion of in.html" "$tarvos" --quiet data/in.html out2.dat
  check "the input is not written over by the page" [ "$(sha256sum < data/in.html)" = "$before" ]
  ;;
gzip)
  # A gzip file of two members, the second starting inside a record, with CR
  # LF line ends: converted as its plain form is, with the same results.
  mkdir plain packed
  generate plain/in.txt 120 crlf
  head -c 1000000 plain/in.txt | gzip -1 > packed/in.txt.gz
  tail -c +1000001 plain/in.txt | gzip -9 >> packed/in.txt.gz
  check "plain input" "$tarvos" plain/in.txt plain.out > plain-summary.txt
  check "gzip input" "$tarvos" packed/in.txt.gz packed.out > packed-summary.txt
  check "the same output as from the plain file" cmp -s plain.out packed.out
  for suffix in cnv rev mes; do
    check "the same .$suffix as the plain file's, named without .txt.gz" cmp -s "plain/in.$suffix" "packed/in.$suffix"
  done
  check "every result named without both extensions" \
    [ "$(cd packed && ls | tr '\n' ' ')" = "in.cnv in.db in.html in.log in.mes in.rev in.txt.gz " ]
  check "the same counts" cmp -s <(grep -E '^ *records' plain-summary.txt) <(grep -E '^ *records' packed-summary.txt)
  # Known by its bytes, not its name; the dialog's form states the unpacked file's values.
  cp packed/in.txt.gz packed/named.dat
  check "a gzip file of any name" "$tarvos" --quiet packed/named.dat named.out
  check "a gzip file of any name: the same output" cmp -s plain.out named.out
  check "the dialog's form" "$tarvos" packed/in.txt.gz fe.out A 3 22824 7 true 120 > /dev/null
  check "the dialog's form: the same output" cmp -s plain.out fe.out
  # An output named .gz is compressed: it unpacks to the plain output.
  check "a .gz output" "$tarvos" --quiet plain/in.txt out.txt.gz
  check "the .gz output is gzip" [ "$(head -c 2 out.txt.gz | od -An -tx1 | tr -d ' ')" = 1f8b ]
  check "the .gz output unpacks to the plain output" cmp -s plain.out <(gzip -dc out.txt.gz)
  check "the .gz output is whole" gzip -t out.txt.gz
  # A batch keeps the input's name: a .gz input gives a .gz output.
  mkdir batch
  check "a batch of a .gz input" "$tarvos" --quiet --output-dir batch packed/in.txt.gz
  check "the batch's output unpacks to the plain output" cmp -s plain.out <(gzip -dc batch/in.txt.gz)
  # Damaged streams and a zip archive are refused, naming the byte; nothing is written.
  size=$(stat -c %s packed/in.txt.gz)
  head -c $((size - 1000)) packed/in.txt.gz > cut.gz
  expect_refusal "a cut-short stream" "cut short: the file ends at byte $((size - 1000))" cut.gz out.dat
  # The last member's check sum (the 4 bytes before its length) changed: the
  # break shows once those 4 bytes are read.
  perl -0777 -pe 'substr($_, -7, 1) ^= "\xff"' packed/in.txt.gz > crc.gz
  expect_refusal "a damaged check sum" "damaged at byte $((size - 4)) of the file (incorrect data check)" crc.gz out.dat
  expect_refusal "a damaged check sum, front end's form" "incorrect data check" crc.gz out.dat A 3 22824 7 true 120
  (cd packed && zip -q ../in.zip in.txt.gz 2> /dev/null) || printf 'PK\003\004rest of a zip' > in.zip
  expect_refusal "a zip archive" "zip archive: unpack it first" in.zip out.dat
  ;;
stage_reasons)
  # A prostate case that stages cleanly is given a CS Extension no schema
  # knows: its reason is one messages row naming the item, the code and the
  # schema, and its run log line says the same.
  generate in.dat 300
  check "first conversion" "$tarvos" --quiet in.dat clean.out
  line=$(perl -ne 'print "$.\n" if substr($_, 539, 4) eq "C619" && substr($_, 529, 4) ge "2004"
    && substr($_, 1160, 6) ge "020000"' in.dat |
    while read -r n; do [ "$(sqlite3 in.db "SELECT COUNT(*) FROM messages WHERE sequence = $n;")" = 0 ] && echo "$n"; done | head -n 1)
  check "a prostate case that staged without a problem" [ -n "$line" ]
  perl -pe 'substr($_, 987, 3) = "ZZZ" if $. == '"${line:-0}" in.dat > bad.dat
  check "conversion with the bad code" "$tarvos" --quiet bad.dat bad.out
  reason="Invalid CS Extension (item 2810) 'ZZZ' for schema Prostate"
  rows=$(sqlite3 bad.db "SELECT sequence || '|' || msg FROM messages WHERE sequence = $line;")
  check "one messages row, naming item, code and schema: $rows" [ "$rows" = "$line|CS says: '$reason '" ]
  check "the messages report has it" grep -qF "$line, $(perl -ne 'print substr($_, 41, 8) if $. == '"$line" bad.dat), CS says: '$reason '" bad.mes
  check "the run log line says the same" grep -qxF "line $line, Patient ID \"$(perl -ne 'print substr($_, 41, 8) if $. == '"$line" bad.dat)\": stage calculation error: $reason" bad.log
  check "no other record's rows changed" [ "$(sqlite3 in.db "SELECT * FROM messages WHERE sequence != $line;")" = "$(sqlite3 bad.db "SELECT * FROM messages WHERE sequence != $line;")" ]
  ;;
*)
  echo "unknown group $group" >&2
  exit 2
  ;;
esac

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed in $group" >&2; exit 1; }
echo "$group: all checks passed"
