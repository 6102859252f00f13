#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The whole test suite: builds everything natively and runs its tests; then
# cross-builds the Windows binaries (x86_64 and i686) and runs their tests
# under Wine; makes the Windows packages and the installers and tries them;
# and ends with the hardening run.
# Every stage runs even when an earlier one failed, and the closing table
# says what each ran, how long it took and how it ended.
#
# On a host that runs 64-bit programs only, the x86 (32-bit) Windows
# programs are built and their exports, ordinals and imports checked, but not
# run; the closing lines say so.
set -uo pipefail
cd "$(dirname "$0")/.."

logs=build/test-all
status=0
rows=()

# stage NAME DETAIL-FUNCTION COMMAND...: runs the command, timed; the detail
# function (or -) prints what ran, from the stage's log.
stage() {
  local name=$1 detail=$2 start=$SECONDS result log
  shift 2
  log=$logs/${name// /-}.log
  echo "test-all: $name"
  if "$@" 2>&1 | tee "$log"; then result=passed; else result=FAILED; status=1; fi
  local what=""
  [ "$detail" != - ] && what=$($detail "$log")
  rows+=("$(printf '%-22s %6d s  %-7s %s' "$name" "$((SECONDS - start))" "$result" "$what")")
}

# What a CTest run ran: its closing count, and any test it did not run.
ctest_detail() {
  local line not_run
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$1" | tail -n 1)
  not_run=$(grep -cE '\*\*\*(Skipped|Not Run)' "$1")
  echo "${line:-no test result}${not_run:+; $not_run not run}" | sed 's/; 0 not run//'
}
hardening_detail() { grep -E '^  (sanitizers|valgrind \(|fuzz time)' "$1" | sed 's/^ *//' | paste -sd';' | cut -c1-160; }

mkdir -p "$logs"
stage "install" - bash tools/install-deps.sh || true
[ "$status" -eq 0 ] || { echo "test-all: the packages could not be installed" >&2; exit 1; }

stage "native build" - bash -c 'cmake --preset linux -G Ninja && cmake --build --preset linux -j 2'
stage "native tests" ctest_detail ctest --preset linux -j 2

# The 32-bit Windows programs run only where the host runs 32-bit programs.
x86_note=""
if ! x86_note=$(bash tools/runs-32bit.sh); then
  x86_note="the x86 (32-bit) Windows programs were built and their exports, ordinals and imports checked, but not run on this host: $x86_note"
  echo "test-all: $x86_note"
fi

# The Windows variants. The comparison with the native runner reads the
# native build's programs.
native_build=$PWD/build/linux
for preset in windows-x64 windows-x86; do
  wine_tests=ON
  [ "$preset" = windows-x86 ] && [ -n "$x86_note" ] && wine_tests=OFF
  stage "$preset build" - bash -c 'cmake --preset "$0" -DNAACCR_NATIVE_BUILD_DIR="$1" -DNAACCR_WINE_TESTS="$2" &&
                                   cmake --build --preset "$0" -j 2' "$preset" "$native_build" "$wine_tests"
  stage "$preset tests" ctest_detail ctest --preset "$preset" -j 2
done

# The registrars' folders and zips, and a start of tarvos.exe from each folder.
stage "packages" - bash tools/package-windows.sh

# The installers (build/packages/): each Windows Installer package installed,
# upgraded and removed under Wine (x86 only built where 32-bit programs do not
# run), the Debian package through lintian and dpkg.
installer_detail() { grep -E '^(msi .* times:|lintian:|dpkg -[ir] took|package-installers: .*not installed)' "$1" | sed 's/^package-installers: //' | paste -sd';' | cut -c1-160; }
stage "installer msi x64" installer_detail bash tools/package-installers.sh msi x64
stage "installer msi x86" installer_detail bash tools/package-installers.sh msi x86
stage "installer deb" installer_detail bash tools/package-installers.sh deb

# Hardening: the sanitizer suite, valgrind over the runner, bounded fuzzing.
stage "hardening" hardening_detail bash tools/hardening.sh

echo
echo "test-all: where the time went (logs in $logs)"
printf '  %-22s %8s  %-7s %s\n' stage time result "what ran"
for row in "${rows[@]}"; do echo "  $row"; done
[ -n "$x86_note" ] && echo "test-all: $x86_note"
if [ "$status" -eq 0 ]; then echo "test-all: passed"; else echo "test-all: FAILED"; fi
exit "$status"
