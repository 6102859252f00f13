#!/usr/bin/env bash
# Builds everything natively and runs the whole test suite; then cross-builds
# the Windows binaries (x86_64 and i686) and runs their tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

stage_start=$SECONDS
cmake --preset linux -G Ninja
cmake --build --preset linux -j 2
ctest --preset linux -j 2
echo "test-all: native build and tests took $((SECONDS - stage_start)) s"

# The Windows variants. The comparison with the native runner reads the
# native build's programs.
native_build=$PWD/build/linux
for preset in windows-x64 windows-x86; do
  stage_start=$SECONDS
  options=(-DNAACCR_NATIVE_BUILD_DIR="$native_build")
  if [ "$preset" = windows-x86 ] && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    echo "test-all: wine32 is not installed: $preset is built, its tests are not run"
    options+=(-DNAACCR_WINE_TESTS=OFF)
  fi
  cmake --preset "$preset" "${options[@]}"
  cmake --build --preset "$preset" -j 2
  ctest --preset "$preset" -j 2
  echo "test-all: $preset build and tests took $((SECONDS - stage_start)) s"
done

# The registrars' folders and zips, and a start of tarvos.exe from each folder.
bash tools/package-windows.sh

# Hardening: the sanitizer suite, valgrind over the runner, bounded fuzzing.
bash tools/hardening.sh
