#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian package naaccr150 from a native build: the programs on
# the PATH, the libraries, the C headers, the manual pages, the changelog and
# the copyright file (with the licences).
#   make-deb.sh BUILD_DIR VERSION OUTPUT_DIR
# The build's install rules (component naaccr150) put the files in place;
# this script adds what Debian asks for and calls dpkg-deb.
set -euo pipefail
build=$(cd "$1" && pwd) version=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
arch=$(dpkg --print-architecture)
name=naaccr150
maker='Halden Suite Registry Software <support@halden-suite.example>'

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$build/debian-package
rm -rf "$work"
# dpkg-shlibdeps wants a source tree's layout: debian/control and the
# package's files under debian/<package>.
root=$work/debian/$name
mkdir -p "$root/DEBIAN"
DESTDIR=$root cmake --install "$build" --component naaccr150 --prefix /usr >/dev/null
# Stripped as Debian strips: no debug information, no build notes.
strip --remove-section=.comment --remove-section=.note "$root"/usr/bin/*
strip --remove-section=.comment --remove-section=.note --strip-unneeded "$root"/usr/lib/*/lib*.so*

# Manual pages and the changelog, compressed as Debian does (no name, no time).
doc=$root/usr/share/doc/$name
mkdir -p "$root/usr/share/man/man1" "$doc"
for page in "$here"/*.1; do
  program=$(basename "$page" .1)
  [ -e "$root/usr/bin/$program" ] || continue
  sed "s/@VERSION@/$version/" "$page" | gzip -9n > "$root/usr/share/man/man1/$program.1.gz"
done
for program in "$root"/usr/bin/*; do
  [ -e "$root/usr/share/man/man1/$(basename "$program").1.gz" ] ||
    { echo "make-deb: no manual page for $(basename "$program") in $here" >&2; exit 1; }
done
date=$(date -R ${SOURCE_DATE_EPOCH:+-d "@$SOURCE_DATE_EPOCH"})
printf '%s (%s) unstable; urgency=medium\n\n  * Version %s of the NAACCR 14.0 to 15.0 conversion programs.\n\n -- %s  %s\n' \
  "$name" "$version" "$version" "$maker" "$date" | gzip -9n > "$doc/changelog.gz"
# The copyright file: the project's NOTICE, as it is, in place of its
# @NOTICE@ line, and the Collaborative Stage tables' licence at its end.
source_dir=$here/../../..
as_field() { sed -e 's/^[[:space:]]*$/./' -e 's/^/ /' "$1"; }
while IFS= read -r line; do
  if [ "$line" = " @NOTICE@" ]; then as_field "$source_dir/NOTICE"; else printf '%s\n' "$line"; fi
done < "$here/copyright" > "$doc/copyright"
as_field "$source_dir/staging/tables/LICENSE" >> "$doc/copyright"
grep -q '@NOTICE@' "$doc/copyright" && { echo "make-deb: the NOTICE was not put in the copyright file" >&2; exit 1; }

# Every file readable by all, programs and folders also executable.
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root"/usr/bin/*

# The libraries' users find them through the loader's cache.
echo "activate-noawait ldconfig" > "$root/DEBIAN/triggers"
chmod 0644 "$root/DEBIAN/triggers"

# Depends: the system libraries the binaries need (the package's own
# libraries are found in it).
cat > "$work/debian/control" <<EOF
Source: $name
Maintainer: $maker

Package: $name
Architecture: any
EOF
libdir=$(dirname "$(find "$root/usr/lib" -name 'libvexlin150.so*' | head -n 1)")
libdir=${libdir#"$work"/}
# (Its warnings say only that the package's own libraries have no version in
# their names.)
depends=$(cd "$work" && dpkg-shlibdeps -O -l"$libdir" "debian/$name/usr/bin/"* "$libdir"/*.so* 2>/dev/null |
          sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "make-deb: dpkg-shlibdeps found no dependency" >&2; exit 1; }

installed_size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
cat > "$root/DEBIAN/control" <<EOF
Package: $name
Version: $version
Architecture: $arch
Maintainer: $maker
Installed-Size: $installed_size
Depends: $depends
Section: science
Priority: optional
Description: NAACCR 14.0 to 15.0 conversion of cancer-registry abstracts
 tarvos converts cancer-registry abstract files from NAACCR record layout
 14.0 to 15.0, record by record, and keeps every change it made, every case
 for a registrar's review and every message in an SQLite database beside the
 input, with text reports and a summary page.
 .
 The package also holds the conversion library (libvexlin150), the
 Collaborative Stage 02.05.50 library over the published tables
 (libcstage0205), the NAACCR file-information library (libmorvelio) and the
 C headers for programs that link the first two.
EOF
(cd "$root" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

package=$out/${name}_${version}_$arch.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$package" >/dev/null
echo "make-deb: $package"
