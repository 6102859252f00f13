#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Exits 0 when this host can run the 32-bit Windows programs under Wine: the
# 32-bit Wine loader (package wine32:i386) is installed and the kernel starts
# it. Some hosts run 64-bit programs only ("IA-32 emulation" off): there the
# loader fails with "Exec format error". Prints the reason when it cannot.
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
  echo "the 32-bit Wine loader ($loader, package wine32:i386) is not installed"
  exit 1
fi
if ! "$loader" --version >/dev/null 2>&1; then
  echo "this host does not run 32-bit programs: $loader fails to start (Exec format error)"
  exit 1
fi
exit 0
