#!/usr/bin/env bash
# trezik-live and its data folder, without gpsd (nothing listens on its port).
#
# usage: live_folder.sh CASE TREZIK-LIVE
#   lock     a second trezik-live on the same folder exits at once with 1 and
#            one line naming the folder and the first one's process id, also
#            after the lock file was deleted; a folder another program locked
#            is named as such
#   strange  files that are not what they claim to be: tripmeter.ini as a
#            FIFO and places.csv as a link loop hold neither the start nor
#            SIGTERM; tripmeter.ini.new as a link or a FIFO is replaced by
#            the save, not written through; a FIFO as the token file ends
#            the start at once
#   save     saves that fail (a read-only folder; as root, to whom every
#            folder is writable, a folder where the temporary file goes) are
#            shown in /labels' problems, on stderr, and in the exit code, 3
#   told     gpsd unreached is named with its cause, once, on stderr and in
#            /labels' problems; a write of fuelcarry.ini that fails (a folder
#            where its temporary file goes) likewise, and in the exit code, 3
#   unread   a tripmeter.ini that holds no meters and a FIFO as places.csv:
#            the start is not held, both are named, the exit code is 3
set -uo pipefail

case_name=$1 live=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/trezik-live-folder.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  for f in "$work"/*.out "$work"/*.err; do [ -f "$f" ] && { echo "--- $f"; cat "$f"; }; done
  exit 1
}

start_live() {  # NAME DATA
  "$live" --gpsd 127.0.0.1:1 --data "$2" --listen 127.0.0.1:0 >"$work/$1.out" 2>"$work/$1.err" &
  pids+=($!)
  live_pid=$!
  for _ in $(seq 50); do
    page=$(sed -n 's/^page: //p' "$work/$1.out")
    [ -n "$page" ] && return 0
    sleep 0.1
  done
  fail "$1 showed no page in 5 s"
}
# Ends the latest trezik-live with SIGTERM; its exit code in $status.
end_live() {
  kill -TERM "$live_pid"
  wait "$live_pid"; status=$?
}
labels_until() {  # PATTERN: /labels matches within 3 s
  for _ in $(seq 30); do
    curl -sf "${page}labels" | grep -q "$1" && return 0
    sleep 0.1
  done
  fail "/labels never matched $1: $(curl -s "${page}labels")"
}

case "$case_name" in
  lock)
    start_live first "$work/data"
    first=$live_pid
    started=$(date +%s%N)
    "$live" --gpsd 127.0.0.1:1 --data "$work/data" --listen 127.0.0.1:0 >"$work/second.out" 2>"$work/second.err"
    second=$?
    took=$((($(date +%s%N) - started) / 1000000))
    [ "$second" = 1 ] || fail "the second trezik-live ended with $second"
    [ "$took" -lt 2000 ] || fail "the second trezik-live took $took ms to give up"
    [ "$(wc -l <"$work/second.err")" = 1 ] || fail "the second one said more than one line"
    grep -q "$work/data .*process $first" "$work/second.err" || fail "the folder or process $first is not named"
    [ ! -s "$work/second.out" ] || fail "the second one printed a page"
    kill -0 "$first" || fail "the first one is gone"
    rm "$work/data/trezik-live.lock"
    timeout 5 "$live" --gpsd 127.0.0.1:1 --data "$work/data" --listen 127.0.0.1:0 >"$work/third.out" 2>"$work/third.err"
    [ $? = 1 ] || fail "a second trezik-live started once the lock file was deleted"
    grep -q "process $first" "$work/third.err" || fail "without the lock file, process $first is not named"
    mkdir "$work/other"
    flock "$work/other" sleep 3 >/dev/null 2>&1 &
    pids+=($!)
    sleep 0.3
    timeout 5 "$live" --gpsd 127.0.0.1:1 --data "$work/other" --listen 127.0.0.1:0 >"$work/fourth.out" 2>"$work/fourth.err"
    [ $? = 1 ] || fail "trezik-live started on a folder another program locked"
    grep -q "locked by another program, flock" "$work/fourth.err" || fail "the other program is not named"
    end_live
    [ "$status" = 0 ] || fail "the first one ended with $status"
    echo "refused in $took ms: $(cat "$work/second.err")"
    ;;
  save)
    mkdir -p "$work/data"
    printf '12.5\r\n3\r\n' >"$work/data/tripmeter.ini"
    start_live live "$work/data"
    if [ "$(id -u)" = 0 ]; then mkdir "$work/data/tripmeter.ini.new"; else chmod a-w "$work/data"; fi
    # A reset of the total is saved at once, by the plug-in's own rule.
    answer=$(curl -s -H 'Content-Type: application/json' -d '{"command":"resettotal"}' "${page}command")
    grep -q '"result":2' <<<"$answer" || fail "resettotal was answered $answer"
    labels_until '"problems":\["The meters could not be saved'
    grep -q 'could not be saved' "$work/live.err" || fail "nothing said on stderr"
    end_live
    [ "$status" = 3 ] || fail "trezik-live ended with $status after failed saves"
    grep -q 'could not be saved at the end' "$work/live.err" || fail "the failed last save is not told"
    [ "$(head -1 "$work/data/tripmeter.ini" | tr -d '\r')" = 12.5 ] || fail "tripmeter.ini was changed"
    echo "told: $(tail -1 "$work/live.err")"
    ;;
  told)
    mkdir -p "$work/data"
    start_live live "$work/data"
    labels_until '"problems":\["no gpsd at 127.0.0.1:1: connection refused"\]'
    mkdir "$work/data/fuelcarry.ini.new"
    answer=$(curl -s -H 'Content-Type: application/json' -d '{"command":"trezik_partial"}' "${page}command")
    grep -q '"result":2' <<<"$answer" || fail "trezik_partial was answered $answer"
    labels_until 'carry to the next full tank could not be saved'
    grep -q 'fuelcarry.ini could not be written' "$work/live.err" || fail "the failed write is not told on stderr"
    sleep 2  # gpsd is tried again meanwhile, with the same outcome
    told=$(grep -c 'no gpsd at 127.0.0.1:1: connection refused' "$work/live.err")
    [ "$told" = 1 ] || fail "gpsd unreached was told $told times"
    end_live
    [ "$status" = 3 ] || fail "trezik-live ended with $status after a failed write of fuelcarry.ini"
    # The write at the key, and the one tried again at the plug-in's release.
    grep -q 'fuelcarry.ini could not be written at the end' "$work/live.err" || fail "the last write is not told"
    grep -q '2 writes of fuelcarry.ini failed in this run' "$work/live.err" || fail "the run's failed writes are not counted"
    echo "told: $(head -1 "$work/live.err"); $(grep 'fuelcarry' "$work/live.err" | head -1)"
    ;;
  unread)
    mkdir -p "$work/data"
    printf 'nan\r\nnan\r\n' >"$work/data/tripmeter.ini"
    mkfifo "$work/data/places.csv"
    start_live live "$work/data"
    labels_until '"problems":\["tripmeter.ini does not hold two meters'
    grep -q 'places.csv: it is no regular file' "$work/live.err" || fail "the FIFO is not named"
    end_live
    [ "$status" = 3 ] || fail "trezik-live ended with $status after an unreadable tripmeter.ini"
    [ -f "$work/data/tripmeter.ini.bad" ] || fail "no tripmeter.ini.bad was kept"
    echo "told: $(head -2 "$work/live.err" | tr '\n' ' ')"
    ;;
  strange)
    mkdir -p "$work/data"
    mkfifo "$work/data/tripmeter.ini"
    ln -s places.csv "$work/data/places.csv"
    start_live live "$work/data"
    labels_until '"problems":\["tripmeter.ini cannot be read'
    grep -q 'places.csv: it is a symbolic link' "$work/live.err" || fail "the link loop is not named"
    started=$(date +%s%N)
    end_live
    took=$((($(date +%s%N) - started) / 1000000))
    [ "$took" -lt 3000 ] || fail "SIGTERM took $took ms"
    rm -rf "$work/data"; mkdir -p "$work/data"
    printf '12.5\r\n3\r\n' >"$work/data/tripmeter.ini"
    printf 'the user'"'"'s own\n' >"$work/outside"
    ln -s "$work/outside" "$work/data/tripmeter.ini.new"
    start_live live "$work/data"
    command() { curl -s -m 5 -H 'Content-Type: application/json' -d "{\"command\":\"$1\"}" "${page}command"; }
    grep -q '"result":2' <<<"$(command resettotal)" || fail "resettotal was not answered"
    [ "$(cat "$work/outside")" = "the user's own" ] || fail "the save wrote through the link"
    [ -f "$work/data/tripmeter.ini" ] && [ ! -L "$work/data/tripmeter.ini" ] || fail "tripmeter.ini is no file"
    [ "$(head -1 "$work/data/tripmeter.ini" | tr -d '\r')" = 0 ] || fail "the reset total was not saved"
    mkfifo "$work/data/tripmeter.ini.new"
    grep -q '"result":2' <<<"$(command resetwork)" || fail "a save over a FIFO hung"
    [ "$(sed -n 2p "$work/data/tripmeter.ini" | tr -d '\r')" = 0 ] || fail "the reset work meter was not saved"
    end_live
    [ "$status" = 0 ] || fail "trezik-live ended with $status"
    mkfifo "$work/token"
    started=$(date +%s%N)
    timeout 5 "$live" --gpsd 127.0.0.1:1 --data "$work/data" --listen 0.0.0.0:0 --token-file "$work/token" \
      >"$work/token.out" 2>"$work/token.err"
    [ $? = 1 ] || fail "a FIFO as the token file did not end the start with 1"
    grep -q 'token file' "$work/token.err" || fail "the token file is not named"
    echo "told: $(cat "$work/token.err")"
    ;;
  *)
    echo "unknown case $case_name"; exit 2 ;;
esac
