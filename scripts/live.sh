#!/usr/bin/env bash
# trezik in the car: installs what trezik-live needs (scripts/setup.sh live),
# builds it with the native preset and runs it. Every argument is passed on
# to trezik-live (docs/live.md, or --help), so
#
#   bash scripts/live.sh                      # gpsd on localhost:2947, page on 127.0.0.1:8787
#   bash scripts/live.sh --demo               # no receiver needed: the bundled drive through gpsd
#   bash scripts/live.sh --demo --speedup 10  # the same, ten times as fast
#
# --demo starts gpsd through gpsfake on the bundled drive as NMEA
# (tools/simulator/default_drive/default_drive.nmea, two sentences a second,
# replayed over and over), on a free port of its own, and runs trezik-live on
# it with the data folder ./trezik-live-demo (with a places.csv naming the
# drive's start and its filling station), so that a driver's own meters are
# never touched. With --speedup N gpsfake sends N times as fast (its
# delay between sentences is 0.5 s / N) and trezik-live ticks N times a
# second. Ctrl-C ends both; trezik-live saves the meters as it ends.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh" live >&2
build="$root/build/native"
live="$build/tools/trezik-live"
cd_root_and() { (cd "$root" && "$@"); }

if [ ! -f "$build/build.ninja" ] || ! grep -q "trezik-live" "$build/build.ninja"; then
  echo "live.sh: configuring build/native" >&2
  cd_root_and cmake --preset native >&2
fi
if ! output="$(cd_root_and cmake --build --preset native --target trezik-live -- -j2 2>&1)"; then
  printf '%s\n' "$output" >&2
  echo "live.sh: the build of trezik-live failed" >&2
  exit 1
fi
grep -q "no work to do" <<<"$output" || echo "live.sh: trezik-live built" >&2

demo=0
speedup=1
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --demo) demo=1 ;;
    --speedup) args+=("$1"); shift; speedup="${1:-1}"; args+=("$speedup") ;;
    --speedup=*) speedup="${1#--speedup=}"; args+=("$1") ;;
    *) args+=("$1") ;;
  esac
  shift
done
if [ "$demo" = 0 ]; then exec "$live" "${args[@]}"; fi

case "$speedup" in
  '' | *[!0-9]* | 0) echo "live.sh: --speedup wants a whole number from 1, not '$speedup'" >&2; exit 2 ;;
esac
export PATH="$PATH:/usr/sbin:/sbin"  # gpsfake starts gpsd from there
port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
cycle="$(python3 -c "print(0.5 / $speedup)")"
nmea="$root/tools/simulator/default_drive/default_drive.nmea"
echo "live.sh: gpsd through gpsfake on 127.0.0.1:$port, replaying $nmea" >&2
gpsfake -q -P "$port" -c "$cycle" "$nmea" >/dev/null 2>&1 &
gpsfake_pid=$!
stop_gpsfake() { kill "$gpsfake_pid" 2>/dev/null || true; wait "$gpsfake_pid" 2>/dev/null || true; }
trap stop_gpsfake EXIT
mkdir -p trezik-live-demo
# Two places of the bundled drive, so that its trip and fuel records name one.
if [ ! -f trezik-live-demo/places.csv ]; then
  printf '%s\n' "# The bundled drive's start and its filling station: trezik-live names the nearest within 2 km" \
    "Lindenweg,48.1372,11.0218" "Tankstelle Gewerbering,48.27991,11.18260" >trezik-live-demo/places.csv
fi
"$live" --gpsd "127.0.0.1:$port" --data "$PWD/trezik-live-demo" "${args[@]}" &
live_pid=$!
trap 'kill -TERM "$live_pid" 2>/dev/null || true' INT TERM HUP
status=0
wait "$live_pid" || status=$?
# A signal interrupts the first wait; the second waits for the meters' save.
if kill -0 "$live_pid" 2>/dev/null; then wait "$live_pid" || status=$?; fi
exit "$status"
