#!/usr/bin/env bash
# trezik-live against a real gpsd, fed by gpsfake from a recorded drive.
#
# usage: live_gpsd.sh CASE TREZIK-LIVE TREZIK-DRIVE TRACK
#   replay   the whole drive: the trip meter agrees with trezik-drive's
#            replay of the same log within 0.5 %; ends with SIGINT. The
#            track trezik-live recorded of it, replayed by trezik-drive,
#            gives the trip meter counted live within the rounding of its
#            fixes (7 decimals of a degree: 1.1 cm a coordinate)
#   restart  gpsd killed mid-drive and started again: trezik-live connects
#            again and the meters go on growing; ends with SIGHUP
#   signal   a trip logged through the page names the nearest place of
#            places.csv; SIGTERM: the plug-in's release saves tripmeter.ini,
#            which the plug-in's own autosave (trezik.ini) did not touch before
#
# Keeping step. gpsfake -c is the delay between sentences; the drive has
# about 12.6 sentences a fix (its RMC sentences count the fixes), so at
# cycle = 1 / (sentences per fix x N) one fix comes per tick of trezik-live
# --speedup N. The host samples the latest fix at each tick: a fix that
# comes late or twice in a row makes a step of zero or one a little longer,
# and only two fixes within one tick lose a corner; gpsfake's own time per
# sentence makes fixes come slightly slower than ticks, so that is rare.
# The 3 s age limit scales with N (150 ms at N = 20), above the 50 ms
# between fixes. The drive's fixes are 2 s apart: trezik-live sees each
# once, trezik-drive interpolates between them, and both measure the same
# straight steps.
#
# gpsfake feeds its gpsd from the moment it runs (it watches as a client of
# its own), and gpsd passes a client only what comes while it is connected:
# the fixes fed before trezik-live connects never reach it. So every log
# starts with the car standing for a while (pad_nmea.py), and that costs no
# distance however late trezik-live connects. Each case takes its own ports.
# Exit 77 (skipped) without gpsfake or the track, except under CI=true.
set -uo pipefail

case_name=$1 live=$2 drive=$3 track=$4
here=$(cd "$(dirname "$0")" && pwd)
speedup=${LIVE_TEST_SPEEDUP:-20}

skip_or_fail() {
  if [ "${CI:-}" = true ]; then echo "FAIL: $1 (CI has it)"; exit 1; fi
  echo "SKIP: $1"; exit 77
}
[ -f "$track" ] || skip_or_fail "no recorded drive at $track"
command -v gpsfake >/dev/null || skip_or_fail "no gpsfake (gpsd-clients)"

work=$(mktemp -d "${TMPDIR:-/tmp}/trezik-live-test.XXXXXX")
gpsfake_group="" live_pid=""
cleanup() {
  if [ -n "$live_pid" ]; then kill -KILL "$live_pid" 2>/dev/null; wait "$live_pid" 2>/dev/null; fi
  stop_gpsd
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- trezik-live's output"; cat "$work/live.out" "$work/live.err" 2>/dev/null
  exit 1
}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
gpsd_port=$(free_port)

sentences=$(grep -c '' "$track")
fixes=$(grep -c '^\$..RMC' "$track")
cycle=$(python3 -c "print(1 / ($sentences / $fixes * $speedup))")

# gpsfake in a process group of its own, with its gpsd: -1 once through
# the log, -l says each line it sends (the last one "# EOF").
start_gpsd() {  # LOG NAME
  setsid gpsfake -P "$gpsd_port" -1 -q -l -c "$cycle" "$1" >"$work/$2.out" 2>&1 &
  gpsfake_group=$!
}
# gpsfake outlives a SIGTERM: the whole group goes at once.
stop_gpsd() {
  [ -n "$gpsfake_group" ] || return 0
  kill -KILL -- "-$gpsfake_group" 2>/dev/null
  wait "$gpsfake_group" 2>/dev/null
  rm -f "/tmp/gpsfake-$gpsfake_group.sock"
  gpsfake_group=""
}
wait_fed() {  # NAME SECONDS
  local waited=0
  until grep -q '# EOF' "$work/$1.out"; do
    sleep 0.5; waited=$((waited + 1))
    [ "$waited" -le $(($2 * 2)) ] || fail "gpsfake did not get through $1 in $2 s"
  done
}

start_live() {  # DATA
  "$live" --gpsd "127.0.0.1:$gpsd_port" --data "$1" --speedup "$speedup" --listen 127.0.0.1:0 \
    >"$work/live.out" 2>"$work/live.err" &
  live_pid=$!
}
# Sends SIGNAL and checks that trezik-live ends with 0 within 10 s.
end_live() {  # SIGNAL
  kill "-$1" "$live_pid"
  local waited=0
  while kill -0 "$live_pid" 2>/dev/null; do
    sleep 0.2; waited=$((waited + 1))
    [ "$waited" -le 50 ] || fail "trezik-live still runs 10 s after SIG$1"
  done
  wait "$live_pid"; local status=$?
  live_pid=""
  [ "$status" = 0 ] || fail "trezik-live ended with $status after SIG$1"
}

total_of() { head -1 "$1/tripmeter.ini" | tr -d '\r'; }
# trezik-drive's total over LOG: the second number after "tripmeter.ini".
drive_total() {
  "$drive" --plain --no-chart -o "$work/drive" "$1" | grep -A1 'plugin/tripmeter.ini$' | tail -1 | tr -d ' '
}
within() {  # A B PERCENT: |A - B| <= PERCENT % of B
  awk -v a="$1" -v b="$2" -v p="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= p / 100 * b) }'
}
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

case "$case_name" in
  replay)
    python3 "$here/pad_nmea.py" "$track" 100 "$work/drive.nmea"
    expected=$(drive_total "$work/drive.nmea")
    above "$expected" 10 || fail "trezik-drive's replay gave '$expected'"
    start_gpsd "$work/drive.nmea" gpsfake
    sleep 1
    start_live "$work/data"
    wait_fed gpsfake 120
    sleep 2  # the last fixes' ticks, and the save on the next 30th tick
    saved=$(total_of "$work/data")
    within "$saved" "$expected" 0.5 || fail "saved while running: $saved km, trezik-drive: $expected km"
    end_live INT
    total=$(total_of "$work/data")
    within "$total" "$expected" 0.5 || fail "trip total $total km, trezik-drive: $expected km"
    tracks=("$work"/data/tracks/*.gpx)
    [ "${#tracks[@]}" = 1 ] && [ -f "${tracks[0]}" ] || fail "no one track recorded: ${tracks[*]}"
    replayed=$(drive_total "${tracks[0]}")
    # The plug-in sees the recorded coordinates to the same 7 decimals: the
    # rounding leaves a few metres at most over the drive's ~1000 steps.
    awk -v a="$replayed" -v b="$total" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= 0.005) }' ||
      fail "the recorded track replays to $replayed km, trezik-live counted $total km"
    echo "trezik-live $total km, trezik-drive $expected km, its recorded track $replayed km"
    ;;
  restart)
    python3 "$here/pad_nmea.py" "$track" 100 "$work/first.nmea"
    python3 "$here/pad_nmea.py" "$track" 100 "$work/second.nmea" 600
    after_restart=$(drive_total "$work/second.nmea")
    above "$after_restart" 3 || fail "trezik-drive's replay gave '$after_restart'"
    start_gpsd "$work/first.nmea" gpsfake1
    sleep 1
    start_live "$work/data"
    # Mid-drive: once the meters were saved past 3 km.
    for _ in $(seq 160); do
      sleep 0.25
      [ -f "$work/data/tripmeter.ini" ] && above "$(total_of "$work/data")" 3 && break
    done
    above "$(total_of "$work/data")" 3 || fail "the meters did not pass 3 km in 40 s"
    stop_gpsd
    sleep 0.3  # the save due by then
    before=$(total_of "$work/data")
    sleep 1.5
    start_gpsd "$work/second.nmea" gpsfake2
    wait_fed gpsfake2 60
    sleep 2
    end_live HUP
    total=$(total_of "$work/data")
    grep -q 'gpsd is gone' "$work/live.err" || fail "trezik-live did not notice that gpsd was gone"
    [ "$(grep -c 'gpsd connected' "$work/live.err")" = 2 ] || fail "trezik-live did not connect to the second gpsd"
    # Resuming is the point here, the precision the replay's: 2 % of room
    # for a fix or two lost while two gpsfakes and gpsds share the machine.
    awk -v b="$before" -v t="$total" -v d="$after_restart" 'BEGIN { exit !(t >= b + 0.98 * d) }' ||
      fail "the meters did not go on: $before km when gpsd went, $total km at the end, $after_restart km driven after"
    echo "$before km when gpsd went, $total km at the end ($after_restart km driven after the restart)"
    ;;
  signal)
    # The car stands at the drive's start (49.0265667 N, 12.0652717 E) for
    # 200 fixes, 10 s here: long enough to log a trip there through the
    # page's command, named after the nearest place within 2 km.
    python3 "$here/pad_nmea.py" "$track" 200 "$work/drive.nmea" 0 200
    expected=$(drive_total "$work/drive.nmea")
    above "$expected" 1 || fail "trezik-drive's replay gave '$expected'"
    mkdir -p "$work/data"
    printf 'autosave=3600\r\n' >"$work/data/trezik.ini"
    printf '%s\n' "Nearby, 49.0300, 12.0653" "Home, 49.0266, 12.0653" "Hbf, 49.0117, 12.0998" >"$work/data/places.csv"
    start_gpsd "$work/drive.nmea" gpsfake
    sleep 1
    start_live "$work/data"
    for _ in $(seq 100); do
      sleep 0.2
      page=$(sed -n 's/^page: //p' "$work/live.out")
      [ -n "$page" ] && curl -sf "${page}labels" | grep -q '"gps":"fix"' && break
    done
    answer=$(curl -s -H 'Content-Type: application/json' -d '{"command":"logtrip"}' "${page}command")
    grep -q '"result":2' <<<"$answer" || fail "logtrip was answered $answer"
    tail -1 "$work/data/tripmeter.log" | grep -q '"Home"' || fail "the trip log names no Home: $(cat "$work/data/tripmeter.log")"
    wait_fed gpsfake 60
    sleep 2
    # The plug-in saves only every hour and trezik-live leaves saving to it.
    [ "$(total_of "$work/data")" = 0 ] || fail "tripmeter.ini was saved before the end: $(total_of "$work/data")"
    end_live TERM
    total=$(total_of "$work/data")
    within "$total" "$expected" 0.5 || fail "after SIGTERM tripmeter.ini holds $total km, trezik-drive: $expected km"
    echo "after SIGTERM: $total km, trezik-drive $expected km; logged at $(tail -1 "$work/data/tripmeter.log")"
    ;;
  *)
    echo "unknown case $case_name"; exit 2 ;;
esac
