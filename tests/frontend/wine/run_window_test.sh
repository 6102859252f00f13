#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Runs the runner-window driver under Wine on a virtual X display and turns
# its screenshots into PNG files in the work folder.
# Arguments: wine-run wrapper, driver, tarvos.exe, work folder.
set -u
wine_run=$1 driver=$2 runner=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
xvfb-run -a -s "-screen 0 1024x768x24" "$wine_run" "$driver" "$runner" "$work" \
    "$work/tarvos-progress.bmp" "$work/tarvos-finished.bmp"
status=$?
if command -v python3 >/dev/null 2>&1; then
    for shot in tarvos-progress tarvos-finished; do
        [ -f "$work/$shot.bmp" ] && python3 "$(dirname "$0")/bmp_to_png.py" "$work/$shot.bmp" "$work/$shot.png"
    done
fi
exit $status
