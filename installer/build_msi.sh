#!/usr/bin/env bash
# Builds trezik.msi from a trezik.dll and a trezik-report.exe with wixl
# (Debian package wixl) and msibuild (msitools):
#   installer/build_msi.sh VERSION DLL OUTPUT [REPORT_EXE]
# VERSION is x.y.z (the project version: the MSI's ProductVersion, which
# decides upgrades). REPORT_EXE defaults to the trezik-report.exe beside the
# DLL, else beside OUTPUT. Both are staged as "trezik.dll" and
# "trezik-report.exe" in a folder of their own, where trezik.wxs finds them. CMake's target trezik_msi runs this; the
# wine test runs it again to make a newer package.
set -euo pipefail
if [ $# -ne 3 ] && [ $# -ne 4 ]; then
  echo "usage: $0 VERSION DLL OUTPUT [REPORT_EXE]" >&2
  exit 64
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
version="$1"
dll="$(realpath "$2")"
output="$(realpath -m "$3")"
report="${4:-$(dirname "$dll")/trezik-report.exe}"
[ -f "$report" ] || report="$(dirname "$output")/trezik-report.exe"
if [ ! -f "$report" ]; then
  echo "$0: no trezik-report.exe beside $dll or $output" >&2
  exit 66
fi
if ! [[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  echo "$0: version '$version' is not x.y.z" >&2
  exit 64
fi
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cp "$dll" "$stage/trezik.dll"
cp "$report" "$stage/trezik-report.exe"
(cd "$stage" && wixl --arch x86 --define Version="$version" --output "$stage/trezik.msi" \
   "$here/trezik.wxs")
# The report's shortcut starts its console window minimized (ShowCmd 7,
# SW_SHOWMINNOACTIVE): the driver sees the page, not a flash of text. wixl
# has no attribute for it, so the Shortcut table is written back with it.
mkdir "$stage/table"
msiinfo export "$stage/trezik.msi" Shortcut |
  awk -F '\t' -v OFS='\t' 'NR > 3 && $1 == "ReportShortcut" { $11 = 7 } { print }' >"$stage/table/Shortcut.idt"
(cd "$stage/table" && msibuild "$stage/trezik.msi" -i Shortcut.idt)
mv "$stage/trezik.msi" "$output"
