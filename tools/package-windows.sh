#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Windows folders and zips for registrars, one per architecture:
#   out/windows/naaccr150-<version>-win64/ and .zip   (x86_64)
#   out/windows/naaccr150-<version>-win32/ and .zip   (i686)
# Each folder holds vexlin150.dll, cstage0205.dll, morvelio.dll, tarvos.exe,
# a README, the project's licence and NOTICE, and the licence of the
# Collaborative Stage tables. Configures the cross builds first when needed.
set -euo pipefail
cd "$(dirname "$0")/.."

out=out/windows
mkdir -p "$out"
status=0
for preset in windows-x64 windows-x86; do
  build=build/$preset
  [ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset"
  cmake --build --preset "$preset" -j 2 --target windows_package
  for folder in "$build"/package/naaccr150-*-win*/; do
    folder=${folder%/}
    name=$(basename "$folder")
    for f in vexlin150.dll cstage0205.dll README.txt LICENSE.txt NOTICE.txt LICENSE-CS-tables.txt; do
      if [ ! -f "$folder/$f" ]; then
        echo "package-windows: $name lacks $f" >&2
        status=1
      fi
    done
    for f in morvelio.dll tarvos.exe; do
      [ -f "$folder/$f" ] || echo "package-windows: warning: $name has no $f (not in this source tree yet)" >&2
    done
    # The folder on its own, under Wine's clean Windows: every library the
    # runner needs must load from it (a usage error, exit 2, proves it).
    if [ "$preset" = windows-x86 ] && ! why=$(bash tools/runs-32bit.sh); then
      echo "package-windows: $name/tarvos.exe not started: $why"
    elif [ -f "$folder/tarvos.exe" ] && [ -x "$build/wine-run.sh" ]; then
      rc=0
      (cd "$folder" && "../../wine-run.sh" tarvos.exe >/dev/null 2>&1) || rc=$?
      if [ "$rc" -ne 2 ]; then
        echo "package-windows: $name/tarvos.exe does not start from the folder alone (exit $rc)" >&2
        status=1
      fi
    fi
    rm -rf "${out:?}/$name" "$out/$name.zip"
    cp -r "$folder" "$folder.zip" "$out/"
    echo "package-windows: $out/$name and $out/$name.zip"
  done
done
exit $status
