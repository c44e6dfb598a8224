#!/usr/bin/env bash
# Replays a drive through the trezik plug-in on this machine: installs what
# the build needs, builds the simulator with the native preset and runs it
# in the current folder. Without arguments it replays the bundled default
# drive into ./trezik-drive-run; every argument is passed on to trezik-drive
# (see docs/simulator.md, or --help).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
(
  cd "$root"
  if [ ! -f build/native/build.ninja ]; then
    cmake --preset native >/dev/null
  fi
  cmake --build --preset native --target trezik-drive -- -j2 >/dev/null
)
exec "$root/build/native/tools/trezik-drive" "$@"
