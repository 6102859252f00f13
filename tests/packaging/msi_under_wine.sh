#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The Windows Installer package under Wine, in a fresh prefix, as a
# registrar and an administrator use it: a silent install for the current
# user, the files and the Start-menu shortcut, the installed tarvos.exe
# against the native runner, the installed dialog started from its shortcut,
# the same version built again and a newer one over it (an earlier one
# refused), a silent removal that leaves nothing it installed and keeps the
# user's converted files; then an install for every user (ALLUSERS=1) and its
# removal. Run with a display (xvfb-run) for the dialog's window.
#   msi_under_wine.sh MSI REGISTRARS_FOLDER WINDOWS_BUILD NATIVE_BUILD WORK
set -uo pipefail
msi=$(realpath "$1") folder=$(realpath "$2") build=$(realpath "$3") native=$(realpath "$4") work=$5
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
wine_run=$build/wine-run.sh
rm -rf "$work" && mkdir -p "$work" && work=$(realpath "$work")
export NAACCR_WINE_PREFIX=$work/prefix
drive=$NAACCR_WINE_PREFIX/drive_c
user_dir=$drive/users/$(id -un)
name=$(basename "$msi" .msi)                       # naaccr150-<version>-<arch>
version=${name#naaccr150-} && version=${version%-*}
arch=${name##*-}
shortcut_name="Quillmar150 - Convert NAACCR 14.0 to 15.0.lnk"
product="NAACCR 14.0 to 15.0 Conversion"
maker="Halden Suite Registry Software"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok   $*"; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
# A file of the prefix's drive C: as Windows names it.
cpath() { local p=${1#"$drive"}; p=${p//\//\\}; echo "C:$p"; }
wine() { "$wine_run" "$@"; }
seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(seconds)" 'BEGIN { printf "%.1f", b - a }'; }
# msiexec ARGS...: runs it, logged in the work folder, its time in last_time.
msiexec() {
  local start rc log=$work/msiexec-$((++msi_runs)).log
  start=$(seconds)
  wine msiexec "$@" /l*v "$(winpath "$log")"
  rc=$?
  last_time=$(elapsed "$start")
  return $rc
}
msi_runs=0 last_time=0
# Every file and folder of the prefix's drive C:.
snapshot() { (cd "$drive" && find . -mindepth 1 | LC_ALL=C sort); }
# The products registered under this package's name: "{code} version".
products() {
  local code
  while IFS='|' read -r code _ _ title; do
    [ "${title%$'\r'}" = "$product" ] || continue
    echo "$code $(registered "$code" DisplayVersion)"
  done < <(wine uninstaller --list 2>/dev/null)
}
# registered CODE VALUE: a value of the product's entry under installed programs.
registered() {
  local hive
  for hive in HKLM HKCU; do
    wine reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" /v "$2" 2>/dev/null |
      tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
  done | head -n 1
}
# same_files DIR: the folder holds exactly the registrars' folder, byte for byte.
same_files() {
  local f listed
  listed=$(cd "$1" 2>/dev/null && find . -type f | LC_ALL=C sort)
  [ "$listed" = "$(cd "$folder" && find . -type f | LC_ALL=C sort)" ] ||
    { fail "$1 holds other files than the package's: $(echo "$listed" | tr '\n' ' ')"; return; }
  for f in $listed; do
    cmp -s "$folder/$f" "$1/$f" || fail "$1/$f differs from the package's"
  done
  ok "$(echo "$listed" | wc -l) files installed in ${1#"$drive"/}, as in the package"
}
# left_since SNAPSHOT: what is on drive C: now that was not before, but for
# the user's converted files and the Windows Installer's own empty folders.
left_since() {
  comm -13 "$1" <(snapshot) | grep -v -x -e "./users/$(id -un)/Documents/conversions.*" \
    -e './windows/Installer' -e "./users/$(id -un)/AppData/Roaming/Microsoft/Installer"
}

# Other builds of the same programs: the same version built again (as the
# other architecture's package is: another product) and the next patch version.
IFS=. read -r major minor patch <<<"$version"
newer_version=$major.$minor.$((patch + 1))
rebuilt=$work/naaccr150-$version-$arch-rebuilt.msi
newer=$work/naaccr150-$newer_version-$arch.msi
for build_of in "$version $rebuilt" "$newer_version $newer"; do
  read -r v output <<<"$build_of"
  cmake -DFOLDER="$folder" -DVERSION="$v" -DARCH="$arch" -DICON="$source_dir/frontend/quillmar150.ico" \
        -DOUTPUT="$output" -P "$source_dir/cmake/WindowsInstaller.cmake" >/dev/null || { echo "FAIL: no package $v" >&2; exit 1; }
done

# Wine runs every program as an administrator, so what lets a registrar
# install without those rights is read from the package: its summary says
# that it needs no elevation, and it does not ask for every user.
word_count=$(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
if (( (word_count & 8) != 0 )) && ! msiinfo export "$msi" Property | grep -q '^ALLUSERS'; then
  ok "needs no administrator rights (word count $word_count, no ALLUSERS)"
else
  fail "the package asks for administrator rights (word count '$word_count' or ALLUSERS set)"
fi

start=$(seconds)
"$wine_run" --fresh-prefix || { echo "FAIL: no Wine prefix" >&2; exit 1; }
echo "fresh prefix made in $(elapsed "$start") s"
before=$work/before.txt
snapshot > "$before"

# --- For the current user, silently.
msiexec /i "$(winpath "$msi")" /qn || fail "msiexec /i $name.msi /qn: exit $?"
install_time=$last_time
install_dir=$user_dir/AppData/Local/Programs/NAACCR150
same_files "$install_dir"
# The texts that go with the programs: the README and the licences.
for f in README.txt LICENSE.txt NOTICE.txt LICENSE-CS-tables.txt; do
  [ -f "$install_dir/$f" ] || fail "no $f installed"
done
lnk="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$shortcut_name"
[ -f "$lnk" ] && ok "Start-menu shortcut" || fail "no Start-menu shortcut $lnk"
read -r code registered_version <<<"$(products)"
[ "$registered_version" = "$version" ] && ok "under installed programs: $product $registered_version" ||
  fail "installed programs list $product at version '$registered_version', not $version"
[ "$(registered "$code" Publisher)" = "$maker" ] && ok "its maker: $maker" ||
  fail "its maker is '$(registered "$code" Publisher)'"

# The installed runner converts as the native one does; its files are the
# user's data, in the user's documents.
data=$user_dir/Documents/conversions
bash "$source_dir/tests/windows/compare_tarvos.sh" "$native/bin/tarvos" "$native/bin/naaccr-sample" "$wine_run" \
     "$install_dir/tarvos.exe" "$data" || fail "the installed tarvos.exe converts otherwise than the native tarvos"

# The dialog, from its shortcut.
wine "$build/bin/installed_dialog_probe.exe" "$(cpath "$lnk")" "$(cpath "$install_dir/quillmar150.exe")" \
     "$work/installed-dialog.bmp" ||
  fail "the installed dialog, started from its shortcut"
[ -f "$work/installed-dialog.bmp" ] &&
  python3 "$source_dir/tests/frontend/wine/bmp_to_png.py" "$work/installed-dialog.bmp" "$work/installed-dialog.png"

# --- Other packages over it: each replaces the one installed, but for an
# earlier version, which is refused.
# over MSI VERSION WHAT: installs it; the installed programs list VERSION alone.
over() {
  msiexec /i "$(winpath "$1")" /qn
  local rc=$? now
  now=$(products)
  if [ "$(echo "$now" | wc -l)" = 1 ] && [ "${now#* }" = "$2" ]; then ok "$3: one entry, version $2 (exit $rc)"
  else fail "$3: the installed programs list $(echo "$now" | tr '\n' ';')"; fi
  [ -f "$lnk" ] || fail "$3: the shortcut is gone"
  same_files "$install_dir"
  return $rc
}
over "$rebuilt" "$version" "the same version built again replaces it" || fail "the same version again: exit $?"
[ "$(products)" != "$code $version" ] || fail "the same version built again left the first one installed"
over "$newer" "$newer_version" "upgraded in place" || fail "msiexec /i (newer) /qn: exit $?"
upgrade_time=$last_time
over "$msi" "$newer_version" "an earlier version refused" && fail "an earlier version over a later one: exit 0"

# --- Removal: every file, folder, shortcut and entry it made goes; the
# user's converted files stay.
(cd "$data" && find . -type f -exec sha256sum {} + > "$work/user-data.sha256")
msiexec /x "$(winpath "$newer")" /qn || fail "msiexec /x /qn: exit $?"
removal_time=$last_time
[ -z "$(products)" ] && ok "no longer under installed programs" || fail "still installed: $(products)"
left=$(left_since "$before")
[ -z "$left" ] && ok "nothing it installed is left on drive C:" || fail "left after removal: $(echo "$left" | tr '\n' ' ')"
wine reg query "HKCU\\Software\\$maker" >/dev/null 2>&1 && fail "its registry key is left"
(cd "$data" && sha256sum --quiet -c "$work/user-data.sha256") && ok "the user's converted files are kept" ||
  fail "the user's converted files changed"

# --- For every user, as an administrator installs it (ALLUSERS=1).
msiexec /i "$(winpath "$msi")" /qn ALLUSERS=1 || fail "msiexec /i ALLUSERS=1 /qn: exit $?"
machine_time=$last_time
machine_dir=$(find "$drive" -maxdepth 2 -path "$drive/Program Files*/NAACCR150" | head -n 1)
[ -n "$machine_dir" ] && same_files "$machine_dir" || fail "not installed under Program Files"
[ "$(products | wc -l)" = 1 ] || fail "the machine install is not under installed programs"
msiexec /x "$(winpath "$msi")" /qn || fail "msiexec /x (every user) /qn: exit $?"
machine_removal_time=$last_time
left=$(left_since "$before")
[ -z "$left" ] && ok "the machine install removed, nothing left" || fail "left after removal: $(echo "$left" | tr '\n' ' ')"

# --- Into a folder whose name the ANSI code page cannot write, and the
# installed runner on a file named so, in a folder named so.
named_parent="$drive/Programme Łódź 登録"
mkdir -p "$named_parent" && snapshot > "$work/before-named.txt"
named_dir=$named_parent/NAACCR150
msiexec /i "$(winpath "$msi")" /qn "INSTALLDIR=$(cpath "$named_dir")" || fail "msiexec /i INSTALLDIR=...Łódź 登録... /qn: exit $?"
same_files "$named_dir"
named_data="$data/Registro José Łódź"
mkdir -p "$named_data" "$work/named-reference" || exit 1
"$native/bin/naaccr-sample" --records 200 --seed 7 --staging random --output "$work/named-reference/in.txt" &&
  cp "$work/named-reference/in.txt" "$named_data/año-2014.txt" &&
  (cd "$work/named-reference" && "$native/bin/tarvos" --quiet in.txt out.txt) || exit 1
(cd "$named_data" && wine "$(cpath "$named_dir/tarvos.exe")" --quiet año-2014.txt año-2015.txt) ||
  fail "the runner installed in a folder so named, on año-2014.txt: exit $?"
cmp -s "$work/named-reference/out.txt" "$named_data/año-2015.txt" &&
  ok "the runner installed under \"Programme Łódź 登録\" converts año-2014.txt as the native one does" ||
  fail "año-2015.txt differs from the native runner's output"
for suffix in db mes rev cnv log html; do
  [ -f "$named_data/año-2014.$suffix" ] || fail "no año-2014.$suffix beside the input"
done
msiexec /x "$(winpath "$msi")" /qn || fail "msiexec /x (folder so named) /qn: exit $?"
left=$(left_since "$work/before-named.txt")
[ -z "$left" ] && ok "removed from the folder so named, nothing left" || fail "left after removal: $(echo "$left" | tr '\n' ' ')"

# Wine's server ends before the display does.
WINEPREFIX=$NAACCR_WINE_PREFIX wineserver -w
echo "msi $arch times: install $install_time s, upgrade $upgrade_time s, removal $removal_time s;" \
     "for every user: install $machine_time s, removal $machine_removal_time s"
echo "msi_under_wine: $arch: $failures failure(s)"
[ "$failures" -eq 0 ]
