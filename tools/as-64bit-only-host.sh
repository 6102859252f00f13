#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs a command as it would run on a host whose kernel refuses 32-bit
# programs: in a mount namespace of its own, the 32-bit Wine loader and the
# 32-bit dynamic linker are replaced by a file the kernel will not execute
# ("Exec format error"), so Wine cannot start any 32-bit process. For trying
# the test command's handling of such hosts on one that runs both. Needs root.
#   sudo bash tools/as-64bit-only-host.sh bash tools/test-all.sh
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }
refused=$(mktemp)
# An ELF header of an unknown class: the kernel answers ENOEXEC.
printf '\177ELF\003\001\001\000\000\000\000\000\000\000\000\000' > "$refused"
chmod 755 "$refused"
exec unshare --mount --propagation private bash -c '
  for f in /usr/lib/wine/wine /lib/ld-linux.so.2; do
    if [ -e "$f" ]; then mount --bind "$0" "$f"; fi
  done
  rm -f "$0"
  exec "$@"' "$refused" "$@"
