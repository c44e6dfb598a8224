#!/usr/bin/env bash
# Replays a drive through the trezik plug-in on this machine: installs what
# the build needs, builds the simulator with the native preset and runs it
# in the current folder. Without arguments it replays the bundled default
# drive into ./trezik-drive-run; every argument is passed on to trezik-drive
# (see docs/simulator.md, or --help).
#
# The first build takes about a minute and shows its progress; after that the
# build says in one line whether it had anything to do. Build messages go to
# standard error, so standard output holds the simulator's alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
build="$root/build/native"
drive="$build/tools/trezik-drive"
cd_root_and() { (cd "$root" && "$@"); }

if [ ! -f "$build/build.ninja" ] || [ ! -x "$drive" ]; then
  echo "simulate.sh: building trezik-drive in build/native (the first time takes about a minute)" >&2
  if [ ! -f "$build/build.ninja" ]; then cd_root_and cmake --preset native >&2; fi
  cd_root_and cmake --build --preset native --target trezik-drive -- -j2 >&2
  echo "simulate.sh: trezik-drive built" >&2
else
  if ! output="$(cd_root_and cmake --build --preset native --target trezik-drive -- -j2 2>&1)"; then
    printf '%s\n' "$output" >&2
    echo "simulate.sh: the build of trezik-drive failed" >&2
    exit 1
  fi
  if grep -q "no work to do" <<<"$output"; then
    echo "simulate.sh: trezik-drive is up to date" >&2
  else
    echo "simulate.sh: trezik-drive rebuilt ($(grep -c '^\[' <<<"$output") build steps)" >&2
  fi
fi
exec "$drive" "$@"
