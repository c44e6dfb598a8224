#!/usr/bin/env bash
# What trezik-live costs in a car: its CPU share at one fix a second, over a
# real-time minute, and its memory (RSS) at the start, the middle and the
# end of a simulated day replayed at a high rate, both against a real gpsd
# fed by gpsfake with the benchmark's day drive (generate_day_drive: 86,400
# fixes, one RMC and one GGA sentence each).
#
# usage: bash tools/live/measure_live.sh [BUILD-DIR]   (default build/native)
# Needs trezik-live and generate_day_drive built there
# (cmake --build BUILD-DIR --target trezik-live generate_day_drive), and
# gpsfake (gpsd-clients). Takes about 4 minutes.
set -uo pipefail
build=${1:-build/native}
live=$build/tools/trezik-live
generator=$(find "$build" -name generate_day_drive -type f -perm -u+x | head -1)
for tool in "$live" "$generator"; do
  [ -x "$tool" ] || { echo "measure_live: build trezik-live and generate_day_drive in $build first"; exit 2; }
done
command -v gpsfake >/dev/null || { echo "measure_live: gpsfake is missing (gpsd-clients)"; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/trezik-live-measure.XXXXXX")
gpsfake_group="" live_pid=""
stop() {
  if [ -n "$live_pid" ]; then kill -TERM "$live_pid" 2>/dev/null; wait "$live_pid" 2>/dev/null; live_pid=""; fi
  if [ -n "$gpsfake_group" ]; then
    kill -KILL -- "-$gpsfake_group" 2>/dev/null; wait "$gpsfake_group" 2>/dev/null
    rm -f "/tmp/gpsfake-$gpsfake_group.sock"; gpsfake_group=""
  fi
}
trap 'stop; rm -rf "$work"' EXIT

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$generator" "$work" >/dev/null
log=$work/day_drive.nmea
sentences=$(grep -c '' "$log")

# RUN CYCLE SPEEDUP: gpsfake at CYCLE s a sentence, trezik-live at SPEEDUP.
run() {
  rm -rf "$work/data"
  setsid gpsfake -P "$port" -1 -q -l -c "$1" "$log" >"$work/gpsfake.out" 2>&1 &
  gpsfake_group=$!
  sleep 1
  "$live" --gpsd "127.0.0.1:$port" --data "$work/data" --speedup "$2" --listen 127.0.0.1:0 \
    >"$work/live.out" 2>"$work/live.err" &
  live_pid=$!
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$live_pid/stat"; }
rss_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$live_pid/status"; }
fed() { grep -c '^gpsfake: line' "$work/gpsfake.out"; }

# One fix a second: 2 sentences a fix, 0.5 s apart.
run 0.5 1
sleep 10
hz=$(getconf CLK_TCK)
before=$(cpu_ticks); start=$(date +%s.%N)
sleep 60
after=$(cpu_ticks); end=$(date +%s.%N)
rss_one_fix=$(rss_kib)
share=$(awk -v t=$((after - before)) -v hz="$hz" -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", 100 * t / hz / (e - s) }')
echo "CPU at one fix a second: ${share} % of one core over $(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.0f", e - s }') s" \
     "($((after - before)) ticks of 1/$hz s), RSS ${rss_one_fix} KiB"
stop
echo "  (the trip meter counted $(head -1 "$work/data/tripmeter.ini" | tr -d '\r') km meanwhile)"

# The day at the highest rate: --speedup 1000 and a fix every 2 x 0.5 ms.
run 0.0005 1000
sleep 3
rss_start=$(rss_kib); cpu_start=$(cpu_ticks); t_start=$(date +%s.%N)
rss_middle=""
until grep -q '# EOF' "$work/gpsfake.out"; do
  sleep 1
  if [ -z "$rss_middle" ] && [ "$(fed)" -ge $((sentences / 2)) ]; then rss_middle=$(rss_kib); fi
done
sleep 1
rss_end=$(rss_kib); cpu_end=$(cpu_ticks); t_end=$(date +%s.%N)
echo "A day of fixes at --speedup 1000 in $(awk -v s="$t_start" -v e="$t_end" 'BEGIN { printf "%.0f", e - s }') s:" \
     "RSS ${rss_start} KiB at the start, ${rss_middle} KiB in the middle, ${rss_end} KiB at the end;" \
     "CPU $(awk -v t=$((cpu_end - cpu_start)) -v hz="$hz" -v s="$t_start" -v e="$t_end" 'BEGIN { printf "%.1f", 100 * t / hz / (e - s) }') % of one core"
kill -TERM "$live_pid"; wait "$live_pid"; live_pid=""
echo "trip total after the day: $(head -1 "$work/data/tripmeter.ini" | tr -d '\r') km"
