#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# cstage audit finds exactly the derived items altered in a generated file:
# the stored items are first set to what a first audit derived (so that a
# second audit finds every record agreeing), then a few items are altered, in
# the abstracts and in incidence records made from them; the third audit must
# list exactly those, and no file it reads may change.
#   audit_alterations.sh CSTAGE GENERATOR WORKDIR
set -uo pipefail

cstage=$1 generator=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$generator" --records 300 --seed 7 --line-ends crlf --output in.dat || exit 1
"$cstage" audit --csv first.csv in.dat > first.txt; rc=$?
[ "$rc" -eq 1 ] || fail "the generated file's made-up derived items differ from the tables (exit $rc)"

# The derived items as the first audit gave them, each at its columns.
python3 - first.csv in.dat agreeing.dat <<'PY' || exit 1
import csv, sys
columns = {"Derived AJCC-6 T": (1102, 2), "Derived AJCC-6 T Descript": (1104, 1), "Derived AJCC-6 N": (1105, 2),
           "Derived AJCC-6 N Descript": (1107, 1), "Derived AJCC-6 M": (1108, 2), "Derived AJCC-6 M Descript": (1110, 1),
           "Derived AJCC-6 Stage Grp": (1111, 2), "Derived AJCC-7 T": (1113, 3), "Derived AJCC-7 T Descript": (1116, 1),
           "Derived AJCC-7 N": (1117, 3), "Derived AJCC-7 N Descript": (1120, 1), "Derived AJCC-7 M": (1121, 3),
           "Derived AJCC-7 M Descript": (1124, 1), "Derived AJCC-7 Stage Grp": (1125, 3), "Derived SS1977": (1154, 1),
           "Derived SS2000": (1155, 1), "CS Version Derived": (1172, 6)}
lines = open(sys.argv[2], "rb").read().split(b"\r\n")
for row in csv.DictReader(open(sys.argv[1], newline="")):
    at, width = columns[row["item"]]
    n = int(row["line"]) - 1
    lines[n] = lines[n][:at] + row["derived"].ljust(width).encode() + lines[n][at + width:]
open(sys.argv[3], "wb").write(b"\r\n".join(lines))
PY
"$cstage" audit --csv second.csv agreeing.dat > second.txt; rc=$?
[ "$rc" -eq 0 ] || fail "after the derived items were set, the audit still finds differences (exit $rc): $(head -3 second.csv)"
[ "$(wc -l < second.csv)" -eq 1 ] || fail "the second audit wrote rows: $(sed -n 2,4p second.csv)"
grep -Eq '^    differing +0$' second.txt || fail "the second summary counts differences: $(cat second.txt)"

# Three items of two audited records altered; incidence records made of them.
first=$(sed -n 2p first.csv | cut -d, -f2)
second=$(awk -F, -v f="$first" 'NR > 1 && $2 != f { print $2; exit }' first.csv)
perl -pe 'if ($. == '"$first"') { substr($_, 1113, 3) = "T9Z" }
          if ($. == '"$second"') { substr($_, 1155, 1) = "8"; substr($_, 1172, 6) = "020440" }' agreeing.dat > altered.dat
perl -pe 's/^.(.{3338}).*?(\r?\n?)$/I$1$2/' altered.dat > incidence.dat
before=$(sha256sum altered.dat incidence.dat)
"$cstage" audit --csv third.csv altered.dat incidence.dat > third.txt; rc=$?
[ "$rc" -eq 1 ] || fail "the altered files pass the audit (exit $rc)"
[ "$(sha256sum altered.dat incidence.dat)" = "$before" ] || fail "an audited file changed"
id() { perl -ne 'if ($. == '"$1"') { $v = substr($_, 41, 8); $v =~ s/ +$//; print $v }' altered.dat; }
expected=$(for f in altered.dat incidence.dat; do
  printf '%s,%s,%s,Derived AJCC-7 T,T9Z,%s\n' "$f" "$first" "$(id "$first")" \
    "$(perl -ne 'if ($. == '"$first"') { $v = substr($_, 1113, 3); $v =~ s/ +$//; print $v }' agreeing.dat)"
  printf '%s,%s,%s,Derived SS2000,8,%s\n' "$f" "$second" "$(id "$second")" \
    "$(perl -ne 'print substr($_, 1155, 1) if $. == '"$second" agreeing.dat)"
  printf '%s,%s,%s,CS Version Derived,020440,020550\n' "$f" "$second" "$(id "$second")"
done)
actual=$(tail -n +2 third.csv)
[ "$actual" = "$expected" ] || fail "the differences are not exactly the altered items:
$(diff <(echo "$expected") <(echo "$actual"))"
grep -Eq '^      Derived AJCC-7 T \(item 3400\) +2$' third.txt || fail "the summary does not count the AJCC-7 T of both files"
grep -Eq '^    differing +4$' third.txt || fail "the summary does not count four differing records: $(cat third.txt)"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "audit_alterations: all checks passed"
