#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the installers and tries them for real; they land in build/packages/
# with the registrars' zips.
#   package-installers.sh msi x64   the x64 Windows Installer package, installed,
#                                   upgraded and removed under Wine
#   package-installers.sh msi x86   the same for x86 where this host runs 32-bit
#                                   programs (elsewhere it is only built)
#   package-installers.sh deb       the Debian package, checked by lintian,
#                                   installed and removed with dpkg
#   package-installers.sh           all three
# Configures and builds what is missing (the native build for the runner that
# the Windows one is compared with). Needs root for dpkg's throwaway root.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
packages=build/packages
native=$PWD/build/linux
version=$(sed -n 's/^project(naaccr150 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
mkdir -p "$packages"

native_build() {
  [ -f "$native/CMakeCache.txt" ] || cmake --preset linux -G Ninja || return 1
  cmake --build --preset linux -j 2 --target "$@"
}

msi() {
  local arch=$1 preset winarch build why
  case $arch in
    x64) preset=windows-x64 winarch=win64 ;;
    x86) preset=windows-x86 winarch=win32 ;;
    *) echo "package-installers: no architecture $arch" >&2; return 2 ;;
  esac
  build=build/$preset
  native_build tarvos naaccr-sample || return 1
  [ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" -DNAACCR_NATIVE_BUILD_DIR="$native" || return 1
  cmake --build --preset "$preset" -j 2 --target windows_installer installed_dialog_probe || return 1
  local name=naaccr150-$version
  cp "$build/package/$name-$arch.msi" "$build/package/$name-$winarch.zip" "$packages/" || return 1
  echo "package-installers: $packages/$name-$arch.msi ($(du -k "$packages/$name-$arch.msi" | cut -f1) KiB)"
  if [ "$arch" = x86 ] && ! why=$(bash tools/runs-32bit.sh); then
    echo "package-installers: $name-$arch.msi built but not installed: $why"
    return 0
  fi
  xvfb-run -a -s "-screen 0 1024x768x24" bash tests/packaging/msi_under_wine.sh "$packages/$name-$arch.msi" \
    "$build/package/$name-$winarch" "$build" "$native" "$build/installer-test"
}

deb() {
  native_build debian_package naaccr-sample || return 1
  local package
  package=$packages/naaccr150_${version}_$(dpkg --print-architecture).deb
  echo "package-installers: $package ($(du -k "$package" | cut -f1) KiB)"
  local status=0 tags
  tags=$(lintian --fail-on error "$package" 2>&1) || status=1
  [ -n "$tags" ] && echo "$tags"
  echo "lintian: $(grep -c '^E:' <<<"$tags") error(s), $(grep -c '^W:' <<<"$tags") warning(s)"
  bash tests/packaging/deb_install.sh "$package" "$native" "$native/deb-install-test" || status=1
  return $status
}

case ${1:-all} in
  msi) msi "${2:-x64}" ;;
  deb) deb ;;
  all) status=0
       msi x64 || status=1
       msi x86 || status=1
       deb || status=1
       exit $status ;;
  *) echo "usage: $0 [msi x64|msi x86|deb]" >&2; exit 2 ;;
esac
