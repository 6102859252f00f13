#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian packages that building and testing need. Safe to run
# again: packages already installed are left alone.
#   install-deps.sh             everything the whole test suite needs
#   install-deps.sh --programs  only what building the programs needs
set -euo pipefail

# The programs: the compiler, CMake with Ninja, SQLite, and zlib, which reads
# gzip-compressed registry files and writes compressed outputs (it also reads
# the published Collaborative Stage test files in the tests).
packages=(cmake g++ ninja-build pkg-config libsqlite3-dev zlib1g-dev)
if [ "${1:-}" != --programs ]; then
  packages+=(sqlite3 googletest libgtest-dev libbenchmark-dev)
  # python3 slices the published Collaborative Stage cases for the tests and
  # compares what the programs print for them.
  packages+=(python3)
  # The ISO 3166 country codes, which the rules' tests hold the successors of
  # the retired country codes to.
  packages+=(iso-codes)
  # The Windows builds: mingw-w64 cross compilers, Wine to run what they build
  # (wine32 runs the 32-bit programs and needs the i386 architecture), Xvfb for
  # the front end's window, and npm, which fetches the SQLite amalgamation.
  packages+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386 xvfb)
  # The Windows tests make the locales whose ANSI code pages Wine then gives
  # (1252 and 932) from the locale sources.
  packages+=(locales)
  # zlib for the Windows builds, linked into the programs (no zlib DLL).
  packages+=(libz-mingw-w64-dev)
  # Chromium opens the runner's summary page headless in a test.
  packages+=(chromium)
  # chmcmd compiles the dialog's help file.
  packages+=(fp-utils)
  # The installers: wixl builds the Windows Installer packages and msitools
  # reads them; dpkg-dev (dpkg-shlibdeps) gives the Debian package's
  # dependencies; lintian checks it.
  packages+=(wixl msitools dpkg-dev lintian)
  # Hardening: clang with libFuzzer and the sanitizer runtimes, and valgrind.
  packages+=(clang libclang-rt-14-dev valgrind)
  command -v npm >/dev/null 2>&1 || packages+=(npm)
fi

sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"

added_architecture=no
if [[ " ${packages[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture (for wine32)"
  $sudo_cmd dpkg --add-architecture i386
  added_architecture=yes
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# A mirror that is being synchronised can serve an index that does not match
# its release file for a minute or two: try again before giving up, and if
# some lists still fail, install from those that did (apt-get install says
# which package it cannot find).
refresh_package_lists() {
  local attempt
  for attempt in 1 2 3 4; do
    $sudo_cmd apt-get update -qq -o Acquire::Retries=3 && return 0
    [ "$attempt" -lt 4 ] || break
    echo "install-deps: the package lists could not be refreshed (attempt $attempt of 4); trying again in $((attempt * 10)) s"
    sleep $((attempt * 10))
  done
  echo "install-deps: some package lists could not be refreshed; installing from the lists that were"
}
if [ ${#missing[@]} -gt 0 ] || [ "$added_architecture" = yes ]; then
  refresh_package_lists
fi
install_packages() {
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq -o Acquire::Retries=3 "${install_options[@]}" "$@"
}
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # Building the programs needs nothing that the packages only recommend.
  install_options=()
  [ "${1:-}" = --programs ] && install_options=(--no-install-recommends)
  if ! install_packages "${missing[@]}"; then
    # When one architecture's update lists could not be refreshed, the 32-bit
    # libraries that wine32 needs exist only in the release's own versions
    # while the 64-bit ones would come from its updates, and the two must
    # agree: prefer the release's own packages (nothing installed is
    # downgraded).
    release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    echo "install-deps: trying again with the packages of the release itself ($release)"
    install_options+=(-o "APT::Default-Release=$release")
    if ! install_packages "${missing[@]}"; then
      # Without wine32 the 32-bit Windows programs are still built and their
      # exports checked; the test command says that they were not run.
      rest=()
      for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
      [ ${#rest[@]} -lt ${#missing[@]} ] || exit 1
      echo "install-deps: wine32 could not be installed; installing the rest (the 32-bit Windows programs will not be run)"
      install_packages "${rest[@]}"
    fi
  fi
fi
