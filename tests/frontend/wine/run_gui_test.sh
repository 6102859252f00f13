#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Runs the dialog driver under Wine on a virtual X display and turns its
# screenshots into quillmar150-dialog.png and quillmar150-reading.png in the
# work folder.
# Arguments: wine-run wrapper, driver, quillmar150.exe, stand-in runner, work folder.
set -u
wine_run=$1 driver=$2 program=$3 recorder=$4 work=$5
rm -rf "$work" && mkdir -p "$work"
xvfb-run -a -s "-screen 0 1024x768x24" "$wine_run" "$driver" "$program" "$recorder" "$work" "$work/quillmar150-dialog.bmp"
status=$?
rm -f "$work/large.txt"   # the large input, should the driver not have removed it
for shot in quillmar150-dialog quillmar150-reading; do
    if [ -f "$work/$shot.bmp" ] && command -v python3 >/dev/null 2>&1; then
        python3 "$(dirname "$0")/bmp_to_png.py" "$work/$shot.bmp" "$work/$shot.png"
    fi
done
exit $status
