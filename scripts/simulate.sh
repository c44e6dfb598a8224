#!/usr/bin/env bash
# Replays a drive through the trezik plug-in on this machine: installs what
# the simulator needs (scripts/setup.sh simulator: no Windows tool chain, wine
# or browser), builds trezik-drive and trezik-report with the native preset
# and runs trezik-drive in the current folder. Without arguments it replays the bundled default
# drive into ./trezik-drive-run; every argument is passed on to trezik-drive
# (see docs/simulator.md, or --help).
#
# The first build (81 steps, about a minute and a quarter on two cores)
# shows its progress; after that the
# build says in one line whether it had anything to do. Build messages go to
# standard error, so standard output holds the simulator's alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh" simulator >&2
build="$root/build/native"
drive="$build/tools/trezik-drive"
targets=(trezik-drive trezik-report)
cd_root_and() { (cd "$root" && "$@"); }

if [ ! -f "$build/build.ninja" ] || [ ! -x "$drive" ]; then
  echo "simulate.sh: building trezik-drive and trezik-report in build/native (the first time takes about a minute and a quarter)" >&2
  if [ ! -f "$build/build.ninja" ]; then cd_root_and cmake --preset native >&2; fi
  cd_root_and cmake --build --preset native --target "${targets[@]}" -- -j2 >&2
  echo "simulate.sh: trezik-drive and trezik-report built" >&2
else
  if ! output="$(cd_root_and cmake --build --preset native --target "${targets[@]}" -- -j2 2>&1)"; then
    printf '%s\n' "$output" >&2
    echo "simulate.sh: the build of trezik-drive failed" >&2
    exit 1
  fi
  if grep -q "no work to do" <<<"$output"; then
    echo "simulate.sh: trezik-drive and trezik-report are up to date" >&2
  else
    echo "simulate.sh: trezik-drive and trezik-report rebuilt ($(grep -c '^\[' <<<"$output") build steps)" >&2
  fi
fi
exec "$drive" "$@"
