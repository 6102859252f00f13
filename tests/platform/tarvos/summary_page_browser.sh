#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The summary page of a generated run, opened in a real browser (headless
# Chromium): its script runs without a console error, adds the filter boxes
# and marks the body, and the page renders to a screenshot.
#   summary_page_browser.sh TARVOS GENERATOR WORKDIR [SCREENSHOT]
# Exits 77 (skipped) when no chromium is installed.
set -uo pipefail

tarvos=$1 generator=$2 work=$3 screenshot=${4:-}
browser=$(command -v chromium || command -v chromium-browser) || { echo "no chromium: skipped"; exit 77; }
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$generator" --records 400 --seed 11 --output in.dat > /dev/null || { echo "generator failed" >&2; exit 1; }
"$tarvos" --quiet in.dat out.dat || { echo "tarvos failed" >&2; exit 1; }
[ -s in.html ] || { echo "no summary page" >&2; exit 1; }

# A profile and home of its own, so that nothing of the user's is read or left.
export HOME=$work/home
mkdir -p "$HOME"
open_page() { # open_page WHAT ARGS...: the browser on the page, its log in WHAT.log
  local what=$1; shift
  timeout 120 "$browser" --headless=new --no-sandbox --disable-gpu --no-first-run --user-data-dir="$work/profile-$what" \
    --enable-logging=stderr --v=0 "$@" "file://$work/in.html" 2> "$what.log"
}

open_page dom --dump-dom > dom.html || fail "the browser did not show the page (exit $?)"
grep -q '<body class="js">' dom.html || fail "the page's script did not run to its end"
[ "$(grep -o 'class="filter"' dom.html | wc -l)" -ge 3 ] || fail "no filter box above the tables"
grep -q 'id="reviewables"' dom.html || fail "no reviewables table"
if grep -E 'CONSOLE' dom.log | grep -Eiq 'uncaught|error'; then
  fail "console errors: $(grep CONSOLE dom.log)"
fi

if [ -n "$screenshot" ]; then
  open_page shot --window-size=1200,1600 --hide-scrollbars --screenshot="$work/page.png" > /dev/null ||
    fail "no screenshot (exit $?)"
  if [ "$(head -c 8 page.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; then
    cp page.png "$screenshot"
  else
    fail "the screenshot is not a PNG"
  fi
  grep -E 'CONSOLE' shot.log | grep -Eiq 'uncaught|error' && fail "console errors: $(grep CONSOLE shot.log)"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "summary page: all checks passed in $browser"
