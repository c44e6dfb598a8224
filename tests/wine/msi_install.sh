#!/usr/bin/env bash
# The installer and the per-user registration under wine, each in a fresh
# prefix of its own under a temporary folder:
#
#   package   trezik.msi asks for no elevation, carries the project version
#             and no ALLUSERS;
#   msi       msiexec /i /qn installs trezik.dll into
#             %LOCALAPPDATA%\Programs\trezik and registers it under
#             HKEY_CURRENT_USER\Software\Classes only; a VBScript client
#             creates trezik.PWExtension beside a serving test host and
#             drives it; the meters are saved beside the DLL; a newer
#             package (higher version, a rebuilt DLL) replaces the DLL in
#             place and keeps the meters, trezik.ini and both logs, and the
#             plug-in goes on from the kept meters; msiexec /x /qn removes
#             the DLL and every registry entry and leaves the driver's files;
#   regsvr32  plain regsvr32 (per machine) gives the reference entries;
#             regsvr32 /n /i:user writes the same under HKCU, activates the
#             same way, and regsvr32 /u /n /i:user removes them all.
#
# Wine 8.0 does not merge HKCU\Software\Classes into HKEY_CLASSES_ROOT (a
# known wine limitation; Windows does, and there the per-user entries alone
# activate the DLL). So the activation check first checks the per-user
# entries and that nothing was written for all users, then mirrors exactly
# those entries into HKLM\Software\Classes (which wine shows as
# HKEY_CLASSES_ROOT) to prove that they activate the DLL from its per-user
# folder, and removes the mirror again before anything else is checked.
#
#   tests/wine/msi_install.sh
#
# Uses build/mingw (TREZIK_MINGW_BUILD chooses another build folder):
# trezik.dll, trezik.msi, trezik-testhost.exe and generated/trezik_version.h;
# and wixl, for the newer package. Prints PASS/FAIL lines, then
# "N passed, N failed"; exits non-zero when anything failed.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${TREZIK_MINGW_BUILD:-$root/build/mingw}"
# shellcheck source=tests/wine/checks.sh
source "$root/tests/wine/checks.sh"

temporary_home trezik-msi
prefix_msi="$tmp/prefix-msi"
prefix_reg="$tmp/prefix-regsvr32"
cleanup() { remove_temporary_home "$prefix_msi" "$prefix_reg"; }
finish() {
  cleanup
  finish_checks
}
trap cleanup INT TERM

prefix="$prefix_msi"  # the prefix that run uses
run() { TREZIK_WINEPREFIX="$prefix" "$root/scripts/wine-run.sh" "$@"; }

clsid='{246193E9-DC7C-491A-A78B-B6855B4A7E32}'
libid='{CE896545-194F-4614-BF47-8542693DBF28}'
iid='{5C1BE8D8-7618-428A-AD9C-54518C0B4728}'
roots=(trezik.PWExtension "CLSID\\$clsid" "TypeLib\\$libid" "Interface\\$iid")
user_classes='HKEY_CURRENT_USER\Software\Classes'
machine_classes='HKEY_LOCAL_MACHINE\Software\Classes'

# ---------------------------------------------------------------- the package
version="$(project_version "$build")"
require_built "$build" "build the mingw preset with wixl installed" trezik.dll trezik.msi trezik-testhost.exe
[ -n "$version" ] || { fail "the project version in $build/generated/trezik_version.h"; finish; }
same "trezik.msi carries the project version" "$version" \
  "$(msiinfo export "$build/trezik.msi" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p')"
check "trezik.msi installs for the user only (no ALLUSERS)" \
  bash -c "! msiinfo export '$build/trezik.msi' Property | grep -q '^ALLUSERS'"
# Word count bit 8: no elevation (no administrator rights) needed.
word_count="$(msiinfo suminfo "$build/trezik.msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p')"
check "trezik.msi asks for no elevation" [ $(((${word_count:-0} & 8) != 0)) -eq 1 ]

# Both prefixes at once: creating one takes most of this test's time.
for p in "$prefix_msi" "$prefix_reg"; do
  (TREZIK_WINEPREFIX="$p" "$root/scripts/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1) &
done
wait
for p in "$prefix_msi" "$prefix_reg"; do
  [ -f "$p/.trezik-ready-2" ] || { fail "create the wine prefix $p"; finish; }
done

# ---------------------------------------------------------------- helpers
# The values below the four roots under a classes key (user_classes or
# machine_classes), one "key<TAB>name<TAB>type<TAB>data" line each, sorted;
# keys relative to the classes key, "(Default)" for a key's own value.
class_values() {
  local classes="$1" r
  for r in "${roots[@]}"; do run reg query "$classes\\$r" /s 2>/dev/null; done | tr -d '\r' |
    PREFIX="$classes\\" awk -F '    ' '
      /^HKEY_/ { key = substr($0, length(ENVIRON["PREFIX"]) + 1); next }
      /^    / && NF >= 3 { print key "\t" $2 "\t" $3 "\t" $4 }' | sort
}
# The same with the DLL's folder written @FOLDER@: comparable between
# installations. A folder property of the installer ends in "\", where
# RegisterTypeLib writes HELPDIR without it: both read as the same folder.
normalised() {  # normalised FOLDER < class_values
  FOLDER="$1" awk -F '\t' -v OFS='\t' '{
      folder = ENVIRON["FOLDER"]
      while ((i = index($4, folder)) > 0) $4 = substr($4, 1, i - 1) "@FOLDER@" substr($4, i + length(folder))
      if ($1 ~ /\\HELPDIR$/) sub(/@FOLDER@\\$/, "@FOLDER@", $4)
      print }'
}
no_class_keys() {  # no_class_keys CLASSES: none of the four roots exists there
  local r
  for r in "${roots[@]}"; do
    if run reg query "$1\\$r" >/dev/null 2>&1; then return 1; fi
  done
  return 0
}

# serve_and_drive WORK FOLDER LOG: the test host serves the front end from
# C:\trezik-test while msi_drive.vbs drives the plug-in in FOLDER (Windows
# path ending in "\"); prints the script's output.
serve_and_drive() {
  serve_while "$1" 'C:\trezik-test\trezik-testhost.exe' msi.scenario "$3" msi_drive.vbs "$2"
}

# activate NAME FOLDER_WIN: the per-user entries, mirrored into the machine's
# classes (see the top of this file), activate the plug-in from FOLDER_WIN;
# prints the drive's output. The mirror is removed again.
activate() {
  local name="$1" folder="$2" values
  values="$(class_values "$user_classes")"
  check "$name: nothing registered for all users" no_class_keys "$machine_classes"
  {
    printf 'REGEDIT4\r\n'
    MACHINE="$machine_classes" awk -F '\t' '{
        if ($1 != key) { key = $1; printf "\r\n[%s\\%s]\r\n", ENVIRON["MACHINE"], key }
        data = $4; gsub(/\\/, "&&", data); gsub(/"/, "\\\\&", data)
        if ($2 == "(Default)") printf "@=\"%s\"\r\n", data; else printf "\"%s\"=\"%s\"\r\n", $2, data
      }' <<<"$values"
  } >"$work/mirror.reg"
  run reg import 'C:\trezik-test\mirror.reg' >/dev/null 2>&1
  drive_out="$(serve_and_drive "$work" "$folder" "$name.log")"
  echo "$drive_out" | sed "s/^/  $name: /"
  for r in "${roots[@]}"; do run reg delete "$machine_classes\\$r" /f >/dev/null 2>&1; done
  check "$name: the mirror is gone" no_class_keys "$machine_classes"
}

setup_work() {  # the test host, the client and the front end's folder
  work="$prefix/drive_c/trezik-test"
  front_end_folder "$work/PathWarden"
  cp "$build/trezik-testhost.exe" "$root/tests/wine/msi_drive.vbs" "$work/"
  cat >"$work/msi.scenario" <<'SCENARIO'
pwpath C:\trezik-test\PathWarden\
road A12 Motorway
fix 52.0 5.0 50 km/h
fix 52.001 5.0 60 km/h
fix 52.002 5.0 70 km/h
fix 52.003 5.0 40 km/h
SCENARIO
}

# The meters in tripmeter.ini, rounded as the labels show them (3 decimals).
saved_meters() { tr -d '\r' <"$1/tripmeter.ini" | awk '{ printf "%s%.3f", (NR > 1 ? " " : ""), $1 }'; }
# The installer's record of the products of trezik's upgrade code: one line
# per product code (packed, as Windows Installer keeps it).
packed_upgrade_code='0335CE1C730FE5B41B2CA3F8044E4655'
installed_products() {
  run reg query "HKCU\\Software\\Microsoft\\Installer\\UpgradeCodes\\$packed_upgrade_code" 2>/dev/null |
    tr -d '\r' | awk '/^    / { print $1 }'
}

# ---------------------------------------------------------------- 1-3. install, drive, save
prefix="$prefix_msi"
setup_work
cp "$build/trezik.msi" "$work/"
check "msiexec /i trezik.msi /qn" run msiexec /i 'C:\trezik-test\trezik.msi' /qn
local_app_data="$(run cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')"
folder_win="$local_app_data\\Programs\\trezik"
folder="$(run winepath -u "$folder_win" 2>/dev/null | tr -d '\r')"
folder="${folder%/}"
check "trezik.dll installed into %LOCALAPPDATA%\\Programs\\trezik" cmp -s "$build/trezik.dll" "$folder/trezik.dll"
msi_values="$(class_values "$user_classes")"
msi_normalised="$(normalised "$folder_win" <<<"$msi_values")"
installed_before="$(installed_products)"
check "one product registered for the upgrade code" [ "$(grep -c . <<<"$installed_before")" -eq 1 ]
same "the test host prints the project version" "trezik-testhost $version" \
  "$(run 'C:\trezik-test\trezik-testhost.exe' --version 2>/dev/null | tr -d '\r')"

printf 'decimalplaces=3\r\n' >"$folder/trezik.ini"
activate "installed" "$folder_win\\"
same "the DLL's file version is the project version" "version $version.0" "$(sed -n '1p' <<<"$drive_out")"
same "the installed plug-in starts from zero and drives" \
  $'loaded 0 0\ndriven 0.111 0.333\ndone' "$(sed -n '2,$p' <<<"$drive_out")"
same "the meters are saved beside the DLL" "0.111 0.333" "$(saved_meters "$folder")"
check "the trip log holds one record" [ "$(grep -c . "$folder/tripmeter.log" 2>/dev/null)" -eq 1 ]
check "the fuel log holds one record" [ "$(grep -c . "$folder/fuel.log" 2>/dev/null)" -eq 1 ]

# ---------------------------------------------------------------- 4. upgrade
# The newer package: a higher version, and a rebuilt DLL (the same code with
# bytes appended, so that the test can tell which file is installed).
IFS=. read -r major minor patch <<<"$version"
newer="$major.$minor.$((patch + 1))"
mkdir -p "$tmp/newer"
cp "$build/trezik.dll" "$tmp/newer/trezik.dll"
printf 'rebuilt for the upgrade test' >>"$tmp/newer/trezik.dll"
build_newer_msi "build a newer trezik.msi ($newer)" \
  "$newer" "$tmp/newer/trezik.dll" "$work/trezik-newer.msi" "$build/trezik-report.exe"
mkdir -p "$tmp/kept"
for f in tripmeter.ini trezik.ini tripmeter.log fuel.log; do cp "$folder/$f" "$tmp/kept/" 2>/dev/null; done
check "msiexec /i of the newer package /qn" run msiexec /i 'C:\trezik-test\trezik-newer.msi' /qn
check "the upgrade replaced the DLL in place" cmp -s "$tmp/newer/trezik.dll" "$folder/trezik.dll"
installed_after="$(installed_products)"
check "one product registered after the upgrade, not the old one" \
  [ "$(grep -c . <<<"$installed_after")" -eq 1 -a "$installed_after" != "$installed_before" ]
same "the registered product has the newer version" \
  "$(printf '0x%x' $(((major << 24) | (minor << 16) | (patch + 1))))" \
  "$(run reg query "HKCU\\Software\\Microsoft\\Installer\\Products\\$installed_after" /v Version 2>/dev/null |
     tr -d '\r' | awk '$1 == "Version" { print $3 }')"
same "the upgrade left the same per-user entries" "$msi_values" "$(class_values "$user_classes")"
for f in tripmeter.ini trezik.ini tripmeter.log fuel.log; do
  check "the upgrade kept $f" cmp -s "$tmp/kept/$f" "$folder/$f"
done
activate "upgraded" "$folder_win\\"
same "the upgraded plug-in goes on from the kept meters" \
  $'loaded 0.111 0.333\ndriven 0.111 0.667\ndone' "$(sed -n '2,$p' <<<"$drive_out")"
check "the trip log went on after the upgrade" \
  [ "$(head -1 "$folder/tripmeter.log")" == "$(head -1 "$tmp/kept/tripmeter.log")" -a \
    "$(grep -c . "$folder/tripmeter.log")" -eq 2 ]
for f in tripmeter.ini trezik.ini tripmeter.log fuel.log; do cp "$folder/$f" "$tmp/kept/"; done

# ---------------------------------------------------------------- 5. uninstall
check "msiexec /x /qn" run msiexec /x 'C:\trezik-test\trezik-newer.msi' /qn
check "the uninstall removed trezik.dll" [ ! -e "$folder/trezik.dll" ]
for f in tripmeter.ini trezik.ini tripmeter.log fuel.log; do
  check "the uninstall left $f as it was" cmp -s "$tmp/kept/$f" "$folder/$f"
done
check "no per-user class entry left" no_class_keys "$user_classes"
check "no machine class entry left" no_class_keys "$machine_classes"
check "no installer key left under HKCU\\Software\\trezik" \
  bash -c "! TREZIK_WINEPREFIX='$prefix' '$root/scripts/wine-run.sh' reg query 'HKCU\\Software\\trezik' >/dev/null 2>&1"
check "no product left for the upgrade code" [ -z "$(installed_products)" ]
WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1

# ---------------------------------------------------------------- 6. regsvr32 /n /i:user
prefix="$prefix_reg"
setup_work
reg_folder_win='C:\trezik-reg'
reg_folder="$prefix/drive_c/trezik-reg"
mkdir -p "$reg_folder"
cp "$build/trezik.dll" "$reg_folder/"
printf 'decimalplaces=3\r\n' >"$reg_folder/trezik.ini"

check "regsvr32 (per machine) registers trezik.dll" run regsvr32 /s "$reg_folder_win\\trezik.dll"
reference="$(class_values "$machine_classes" | normalised "$reg_folder_win")"
check "the reference holds the class, the ProgID, the library and the interface" \
  [ "$(cut -f1 <<<"$reference" | cut -d'\' -f1 | sort -u | tr '\n' ' ')" == "CLSID Interface TypeLib trezik.PWExtension " ]
same "trezik.msi writes exactly what DllRegisterServer writes" "$reference" "$msi_normalised"
check "regsvr32 /u (per machine)" run regsvr32 /u /s "$reg_folder_win\\trezik.dll"
check "regsvr32 /u left no machine class entry" no_class_keys "$machine_classes"

check "regsvr32 /n /i:user registers trezik.dll for the user" \
  run regsvr32 /s /n /i:user "$reg_folder_win\\trezik.dll"
same "regsvr32 /n /i:user writes exactly what DllRegisterServer writes" \
  "$reference" "$(class_values "$user_classes" | normalised "$reg_folder_win")"
activate "per-user" "$reg_folder_win\\"
same "the per-user registration activates the plug-in and it drives" \
  $'loaded 0 0\ndriven 0.111 0.333\ndone' "$(sed -n '2,$p' <<<"$drive_out")"
same "the meters are saved beside the per-user DLL" "0.111 0.333" "$(saved_meters "$reg_folder")"
check "regsvr32 /u /n /i:user" run regsvr32 /u /s /n /i:user "$reg_folder_win\\trezik.dll"
check "regsvr32 /u /n /i:user left no per-user class entry" no_class_keys "$user_classes"
check "regsvr32 /u /n /i:user left no machine class entry" no_class_keys "$machine_classes"
refuses_other() {
  ! run regsvr32 /s /n /i:machine "$reg_folder_win\\trezik.dll" >/dev/null 2>&1 &&
    no_class_keys "$user_classes"
}
check "DllInstall refuses another command line and writes nothing" refuses_other

finish
