#!/usr/bin/env bash
# Builds trezik.msi from a trezik.dll with wixl (Debian package wixl):
#   installer/build_msi.sh VERSION DLL OUTPUT
# VERSION is x.y.z (the project version: the MSI's ProductVersion, which
# decides upgrades). The DLL is staged as "trezik.dll" in a folder of its
# own, where trezik.wxs finds it. CMake's target trezik_msi runs this; the
# wine test runs it again to make a newer package.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 VERSION DLL OUTPUT" >&2
  exit 64
fi
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
version="$1"
dll="$(realpath "$2")"
output="$(realpath -m "$3")"
if ! [[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  echo "$0: version '$version' is not x.y.z" >&2
  exit 64
fi
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cp "$dll" "$stage/trezik.dll"
(cd "$stage" && wixl --arch x86 --define Version="$version" --output "$stage/trezik.msi" \
   "$here/trezik.wxs")
mv "$stage/trezik.msi" "$output"
