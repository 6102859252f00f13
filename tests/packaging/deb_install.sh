#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The Debian package installed with dpkg into a throwaway root whose package
# list holds the packages it depends on as this machine has them (so dpkg
# checks its dependencies), used as on a server: its /usr laid over the
# machine's (a private mount), tarvos found on the PATH, its version, a small
# conversion compared with the native build's, a C program built against the
# installed headers and libraries; then dpkg -r leaves nothing. Needs root.
#   deb_install.sh DEB NATIVE_BUILD WORK
set -uo pipefail
deb=$(realpath "$1") native=$(realpath "$2") work=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work" && mkdir -p "$work" && work=$(realpath "$work")
root=$work/root
package=$(dpkg-deb -f "$deb" Package) version=$(dpkg-deb -f "$deb" Version) arch=$(dpkg --print-architecture)

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok   $*"; }
seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(seconds)" 'BEGIN { printf "%.1f", b - a }'; }
in_root() { dpkg --root="$root" --log="$work/dpkg.log" "$@"; }

mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/available"
dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ (|].*//' | while read -r dep; do
  [ -n "$dep" ] || continue
  dpkg-query -s "$dep:$arch" 2>/dev/null || dpkg-query -s "$dep" || echo "FAIL: $dep is not installed here" >&2
  echo
  # Their files are the machine's, none in the root.
  touch "$root/var/lib/dpkg/info/$dep.list" "$root/var/lib/dpkg/info/$dep:$arch.list"
done > "$root/var/lib/dpkg/status"
before=$(cd "$root" && find . | LC_ALL=C sort)

start=$(seconds)
in_root -i "$deb" || fail "dpkg -i: exit $?"
echo "dpkg -i took $(elapsed "$start") s"
status=$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' "$package")
[ "$status" = "install ok installed" ] && ok "$package $version installed" || fail "$package is '$status'"

# The package's /usr over the machine's, in a mount namespace of this script's.
cat > "$work/linked.c" <<'EOF'
#include <stdio.h>
#include <cstage0205.h>
#include <vexlin150.h>
int main(void) {
    char info[VEXLIN150_INFO_SIZE];
    vexlin150_Get_dll_info(info);
    printf("vexlin150 %.16s, Collaborative Stage %s\n", info, CStage_get_version());
    return 0;
}
EOF
"$native/bin/naaccr-sample" --records 60 --seed 11 --line-ends lf --output "$work/sample.dat" || exit 1
mkdir -p "$work/installed" "$work/native"
cp "$work/sample.dat" "$work/installed/" && cp "$work/sample.dat" "$work/native/"
(cd "$work/native" && "$native/bin/tarvos" --quiet sample.dat sample.out) || fail "native tarvos: exit $?"
unshare --mount --propagation private bash -c '
  set -u
  mount -t overlay overlay -o "lowerdir=$1/usr:/usr" /usr || exit 1
  echo "tarvos on the PATH: $(command -v tarvos)"
  tarvos --version || exit 1
  (cd "$2/installed" && tarvos --quiet sample.dat sample.out) || exit 1
  cc -o "$2/linked" "$2/linked.c" -lvexlin150 -lcstage0205 && "$2/linked"
' installed "$root" "$work" > "$work/use.txt" 2>&1 || fail "using the installed package: $(tail -n 3 "$work/use.txt")"
cat "$work/use.txt"
grep -qx "tarvos on the PATH: /usr/bin/tarvos" "$work/use.txt" || fail "tarvos is not /usr/bin/tarvos on the PATH"
grep -q "^vexlin150 [0-9]" "$work/use.txt" && ok "a program links the installed libraries" ||
  fail "a program built against the installed headers does not run"
converted=0
for f in "$work"/native/*; do
  cmp -s "$f" "$work/installed/$(basename "$f")" && converted=$((converted + 1)) ||
    case $f in *.db | *.html) ;; *) fail "$(basename "$f") differs from the native build's" ;; esac
done
[ "$converted" -ge 5 ] && ok "the installed tarvos converts as the native build's ($converted files the same)" ||
  fail "only $converted files of the installed tarvos match the native build's"
for page in $(cd "$root/usr/bin" && ls); do
  [ -f "$root/usr/share/man/man1/$page.1.gz" ] || fail "no manual page for $page"
done
# The licences in the copyright file: the project's, by Debian's copy of its
# text, its NOTICE line for line, and the Collaborative Stage tables'.
copyright=$root/usr/share/doc/$package/copyright
for text in "License: Apache-2.0" '"/usr/share/common-licenses/Apache-2.0"' "License: BSD-3-clause" \
            " Copyright (c) 2015, Information Management Services, Inc."; do
  grep -qF -- "$text" "$copyright" || fail "the copyright file lacks $text"
done
missing=$(sed -e 's/^[[:space:]]*$/./' -e 's/^/ /' "$source_dir/NOTICE" | grep -vxF -f "$copyright")
[ -z "$missing" ] && ok "the copyright file names the licences and holds the NOTICE" ||
  fail "the copyright file lacks the NOTICE's lines: $missing"

start=$(seconds)
in_root -r "$package" || fail "dpkg -r: exit $?"
echo "dpkg -r took $(elapsed "$start") s"
left=$(comm -13 <(echo "$before") <(cd "$root" && find . | LC_ALL=C sort) | grep -v '^\./var/lib/dpkg/')
[ -z "$left" ] && ok "nothing of $package is left" || fail "left after dpkg -r: $(echo "$left" | tr '\n' ' ')"

echo "deb_install: $failures failure(s)"
[ "$failures" -eq 0 ]
