# SPDX-License-Identifier: Apache-2.0
# Helpers shared by the hardening scripts; sourced, not run.
#   needs: tarvos generator work (set by the script)
failures=0
skipped=""
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { # check DESCRIPTION COMMAND...
  local what=$1; shift
  "$@" || fail "$what"
}
generate() { # generate FILE RECORDS [crlf]
  "$generator" --records "$2" --seed 23 --line-ends "${3:-lf}" --output "$1" || { echo "generator failed" >&2; exit 1; }
}
lines_of() { perl -ne 'END { print $n + 0 } $n++' "$1"; }
state_of() { # names and contents of every file under the folder
  find "${1:-.}" -type f -o -type l | sort | while read -r f; do printf '%s ' "$f"; sha256sum < "$f"; done
}
# The files of a run under temporary names: its output (where it has a name
# while written) and its results database, reports and run log.
run_files() { find "${1:-.}" \( -name '*.part' -o -name '.tarvos-*' \) -print -quit 2>/dev/null; }
no_parts() { [ -z "$(run_files "${1:-.}")" ]; }
# Waits until a conversion has started writing, shown by its temporary files.
wait_for_part() { # wait_for_part FOLDER
  for _ in $(seq 4000); do
    [ -n "$(run_files "$1")" ] && return 0
    sleep 0.002
  done
  return 1
}
# expect_failure DESCRIPTION EXPECTED-TEXT COMMAND...: the command fails with
# a message, not as a usage error, and no file in the work folder changes.
expect_failure() {
  local what=$1 text=$2; shift 2
  local before after rc message
  before=$(state_of)
  message=$("$@" 2>&1 > /dev/null); rc=$?
  after=$(state_of)
  [ "$rc" -ne 0 ] || fail "$what: exit code 0"
  [ "$rc" -ne 2 ] || fail "$what: reported as a usage error"
  grep -q -- "$text" <<< "$message" || fail "$what: message lacks '$text': $message"
  [ "$before" = "$after" ] || fail "$what: files changed: $(diff <(echo "$before") <(echo "$after"))"
  echo "$what: exit $rc: $(head -n 1 <<< "$message")"
}
finish() { # finish GROUP
  [ "$failures" -eq 0 ] || { echo "$failures check(s) failed in $1" >&2; exit 1; }
  if [ -n "$skipped" ]; then echo "SKIP: $1: $skipped"; exit 77; fi
  echo "$1: all checks passed"
}
