#!/usr/bin/env bash
# The Debian packages from a clean install. Builds the amd64 packages
# (scripts/build_packages.sh), checks them with lintian (an error fails, a
# warning is shown), and installs them with "apt-get install ./PACKAGE.deb"
# into a clean Debian 12 root made with debootstrap from the archive this
# machine's apt uses (kept in build/pkg-chroot/base, so that later runs only
# copy it). There, as a user:
#
#   - trezik-drive replays the bundled drive, trezik-report reads its logs;
#   - trezik-live --version names the packages' version;
#   - trezik-live as the unit starts it: data in ~/.local/share/trezik,
#     ended by SIGTERM with the meters saved;
#   - trezik-live --demo (gpsfake from gpsd-clients): the page's trip meter
#     moves, and SIGTERM saves it;
#   - the unit passes systemd-analyze --user verify; in the root booted as a
#     container (systemd-nspawn), "systemctl --user enable --now trezik-live"
#     starts it under the driver's own systemd;
#
# then "apt-get purge" both, and checks that no file of the packages is left
# and that the user's data are.
#
#   bash scripts/test_packages.sh            # build, lintian, install test
#   bash scripts/test_packages.sh --no-build # the packages already in build/pkg-amd64/packages
#
# Needs root (debootstrap, chroot, mounts); installs what it needs first
# (scripts/setup.sh packages).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=1
[ "${1:-}" = --no-build ] && build=0
if [ "$(id -u)" != 0 ]; then echo "test_packages.sh: needs root (debootstrap, chroot)" >&2; exit 2; fi
bash "$root/scripts/setup.sh" packages
export PATH="$PATH:/usr/sbin:/sbin"
arch="$(dpkg --print-architecture)"
packages="$root/build/pkg-$arch/packages"
chroot_dir="$root/build/pkg-chroot"
base="$chroot_dir/base"
run="$chroot_dir/run"

# shellcheck source=scripts/named_checks.sh
source "$root/scripts/named_checks.sh"

if [ "$build" = 1 ]; then
  echo "=== packages ($arch)"
  bash "$root/scripts/build_packages.sh" >/dev/null 2>&1 || { bash "$root/scripts/build_packages.sh"; exit 1; }
fi
tools_deb="$(ls "$packages"/trezik-tools_*_"$arch".deb)"
live_deb="$(ls "$packages"/trezik-live_*_"$arch".deb)"
version="$(dpkg-deb -f "$tools_deb" Version)"
echo "=== lintian"
lintian_out="$(lintian --fail-on error "$tools_deb" "$live_deb" 2>&1 | grep -v 'running with root privileges')" &&
  lintian_rc=0 || lintian_rc=$?
printf '%s\n' "$lintian_out" | sed 's/^/      /'
check "lintian: no error" test "$lintian_rc" = 0

# The archive apt uses here, for a suite: the first entry of the deb822
# .sources files or of the one-line lists that names it.
debian_mirror() {
  local suite=$1 f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v suite="$suite" '
      function flush() { if (deb && hit && uri != "") { print uri; exit } deb = hit = 0; uri = "" }
      /^[[:space:]]*$/ { flush(); next }
      /^#/ { next }
      tolower($1) == "types:" { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
      tolower($1) == "uris:" { uri = $2 }
      tolower($1) == "suites:" { for (i = 2; i <= NF; i++) if ($i == suite) hit = 1 }
      tolower($1) == "enabled:" && tolower($2) == "no" { deb = 0 }
      END { flush() }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v suite="$suite" '$1 == "deb" {
      i = 2
      if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
      if ($(i + 1) == suite) { print $i; exit } }' "$f"
  done
}

# The clean root, made once (again when its recipe changes): Debian 12's
# minimal base with systemd and man, for systemd-analyze (which opens the
# unit's man page). Services never start inside
# it (policy-rc.d).
recipe="bookworm minbase systemd man-db"
if [ "$(cat "$base/.trezik-base" 2>/dev/null)" != "$recipe" ]; then
  mirror="$(debian_mirror bookworm | head -n 1)"
  if [ -z "$mirror" ]; then echo "test_packages.sh: apt has no source for bookworm" >&2; exit 1; fi
  echo "=== debootstrap of Debian 12 into $base"
  rm -rf --one-file-system "$base.tmp"
  mkdir -p "$chroot_dir"
  debootstrap --variant=minbase --include=systemd,man-db bookworm "$base.tmp" "$mirror" >"$chroot_dir/debootstrap.log" 2>&1 ||
    { tail -n 20 "$chroot_dir/debootstrap.log" >&2; exit 1; }
  {
    for suite in bookworm bookworm-updates bookworm-security; do
      uri="$(debian_mirror "$suite" | head -n 1)"
      [ -z "$uri" ] || echo "deb $uri $suite main"
    done
  } >"$base.tmp/etc/apt/sources.list"
  printf '#!/bin/sh\nexit 101\n' >"$base.tmp/usr/sbin/policy-rc.d"
  chmod 755 "$base.tmp/usr/sbin/policy-rc.d"
  echo "$recipe" >"$base.tmp/.trezik-base"
  rm -rf --one-file-system "$base"
  mv "$base.tmp" "$base"
fi

# A fresh copy for this run, with /proc, /dev and the name service; every
# process left in it and every mount are ended on the way out.
chroot_processes() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$run" ] && echo "${p#/proc/}"
  done
  return 0
}
# The container runs from a check's subshell: its pid is kept in a file.
stop_container() {
  local i pid
  pid="$(cat "$chroot_dir/nspawn.pid" 2>/dev/null)" || return 0
  rm -f "$chroot_dir/nspawn.pid"
  # systemd-nspawn halts the container on the first SIGTERM, at once on the second.
  kill -TERM "$pid" 2>/dev/null || return 0
  for i in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.5; done
  kill -TERM "$pid" 2>/dev/null || true
  for i in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.5; done
}
unmount_run() {
  local pids
  stop_container
  pids="$(chroot_processes)"
  if [ -n "$pids" ]; then kill $pids 2>/dev/null || true; sleep 1; fi
  for m in dev/pts dev proc; do
    if mountpoint -q "$run/$m"; then umount "$run/$m" 2>/dev/null || umount -l "$run/$m"; fi
  done
}
trap unmount_run EXIT
if [ -d "$run" ]; then
  unmount_run
  rm -rf --one-file-system "$run"
fi
echo "=== clean install into a copy of $base"
cp -a "$base" "$run"
mount -t proc proc "$run/proc"
mount --bind /dev "$run/dev"
mount --bind /dev/pts "$run/dev/pts"
cp /etc/resolv.conf "$run/etc/resolv.conf"
mkdir -p "$run/tmp/debs"
cp "$tools_deb" "$live_deb" "$run/tmp/debs/"
in_root() { chroot "$run" "$@"; }
as_driver() { chroot "$run" runuser -l driver -c "$1"; }

in_root apt-get update -q >/dev/null
check "apt-get install ./trezik-tools ./trezik-live (with Recommends), gpsd-clients" \
  in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    "./tmp/debs/$(basename "$tools_deb")" "./tmp/debs/$(basename "$live_deb")" gpsd-clients dbus
in_root useradd -m -s /bin/bash driver

# The bundled drive, from where the package put it.
check "trezik-drive replays the bundled drive from /usr/share/trezik" as_driver '
  trezik-drive >drive.out 2>&1 || { cat drive.out; exit 1; }
  head -n 1 drive.out | grep -F "/usr/share/trezik/default_drive.gpx" &&
  test -s trezik-drive-run/plugin/tripmeter.log'
check "trezik-report reads the replay's logs" as_driver '
  trezik-report --out my-report trezik-drive-run/plugin &&
  grep -q "<html" my-report/report.html && test "$(wc -l <my-report/trips.csv)" -ge 2'
check "trezik-live --version says $version" as_driver "trezik-live --version | grep -F 'trezik-live ${version%-*}'"
check "man pages of the three commands" in_root test -s /usr/share/man/man1/trezik-drive.1.gz \
  -a -s /usr/share/man/man1/trezik-report.1.gz -a -s /usr/share/man/man1/trezik-live.1.gz

# trezik-live as the unit runs it: the default data folder, SIGTERM saves.
live_run() {  # live_run ARGS...: starts trezik-live as the driver, waits for its page, prints the URL
  chroot --userspec=driver:driver "$run" env -i HOME=/home/driver USER=driver PATH=/usr/local/bin:/usr/bin:/bin \
    trezik-live "$@" >"$run/home/driver/live.out" 2>"$run/home/driver/live.err" &
  live_pid=$!
  local i
  for i in $(seq 1 100); do
    url="$(sed -n 's/^page: //p' "$run/home/driver/live.out" 2>/dev/null | head -n 1)"
    [ -n "$url" ] && return 0
    sleep 0.2
  done
  cat "$run/home/driver/live.err" >&2
  return 1
}
live_stop() {  # SIGTERM to trezik-live and its exit status
  local status=0
  kill -TERM "$live_pid"
  wait "$live_pid" || status=$?
  return "$status"
}
service_run() {
  live_run --listen 127.0.0.1:0 || return 1
  sleep 1
  live_stop || { echo "exit status $?"; cat "$run/home/driver/live.err"; return 1; }
  test -f "$run/home/driver/.local/share/trezik/tripmeter.ini" &&
    test -f "$run/home/driver/.local/share/trezik/pw.ini"
}
check "trezik-live: data in ~/.local/share/trezik, SIGTERM ends it with exit 0 and the meters saved" service_run

# --demo: gpsfake replays the bundled NMEA drive; the trip meter moves.
labels() { curl -s --max-time 2 "${url%/}/labels"; }
trip_of() { sed -n 's/.*"tripmeter": *"\([^"]*\)".*/\1/p'; }
demo_run() {
  # At --speedup N a fix is fresh for 3/N s: N = 4 leaves gpsfake 0.75 s on a
  # busy machine, and the drive moves within its first minute (15 s here).
  live_run --demo --speedup 4 --listen 127.0.0.1:0 || return 1
  local i trip="" answer=""
  for i in $(seq 1 90); do
    answer="$(labels)" || true
    trip="$(trip_of <<<"$answer")"
    case "$trip" in '' | 0 | 0.0 | 0.00) sleep 1 ;; *) break ;; esac
  done
  echo "trip meter on the page: '$trip' ($answer)"
  live_stop || { echo "exit status $?"; cat "$run/home/driver/live.err"; return 1; }
  case "$trip" in '' | 0 | 0.0 | 0.00) return 1 ;; esac
  # The saved trip, tripmeter.ini's first line, is the distance counted.
  saved="$(head -n 1 "$run/home/driver/.local/share/trezik-demo/tripmeter.ini")"
  echo "saved: $saved"
  awk -v s="$saved" 'BEGIN { exit !(s + 0 > 0) }'
  # gpsfake and its gpsd went with it.
  sleep 1
  test -z "$(chroot_processes)"
}
check "trezik-live --demo: the page's trip meter moves, SIGTERM saves it, gpsfake ends" demo_run

# The unit: systemd's own check, on the installed root, and its [Install].
# verify passes a key it cannot parse with a warning: any word from it fails.
check "systemd-analyze --user verify trezik-live.service: not a word to say" as_driver '
  export XDG_RUNTIME_DIR="$(mktemp -d)"
  out="$(systemd-analyze --user verify /usr/lib/systemd/user/trezik-live.service 2>&1)" && rc=0 || rc=$?
  printf "%s\n" "$out"
  [ "$rc" = 0 ] && [ -z "$out" ]'
check "systemctl --global enable trezik-live" bash -c "
  systemctl --root='$run' --global enable trezik-live.service &&
  test -L '$run/etc/systemd/user/default.target.wants/trezik-live.service' &&
  systemctl --root='$run' --global disable trezik-live.service"
echo "      hardening: $(as_driver 'export XDG_RUNTIME_DIR="$(mktemp -d)"
  systemd-analyze security --offline=true --user /usr/lib/systemd/user/trezik-live.service' 2>&1 | tail -n 1)"

# The unit under a real user manager: the root booted as a container
# (systemd-nspawn, with a network of its own) where logind starts the
# lingering driver's manager, and gpsd its socket. There the driver types
# "systemctl --user enable --now trezik-live"; a killed trezik-live is
# started again, a stopped one ends with 0 and has saved the meters. (In a
# container the manager may be refused the user namespace behind
# ProtectSystem= and PrivateTmp=, and then runs the unit without them.)
service_in_container() {
  local uid init="" i state
  command -v systemd-nspawn >/dev/null || { echo "no systemd-nspawn (systemd-container)"; return 1; }
  uid="$(in_root id -u driver)"
  unmount_run
  mkdir -p "$run/var/lib/systemd/linger"
  touch "$run/var/lib/systemd/linger/driver"
  rm -f "$run/usr/sbin/policy-rc.d" "$run/home/driver/.local/share/trezik/tripmeter.ini"
  systemd-nspawn -D "$run" -b --register=no --keep-unit --private-network --console=passive \
    >"$chroot_dir/nspawn.log" 2>&1 &
  echo $! >"$chroot_dir/nspawn.pid"
  for i in $(seq 1 50); do
    init="$(ps -o pid= --ppid "$(cat "$chroot_dir/nspawn.pid")" | tr -d ' ' | head -n 1)"
    [ -n "$init" ] && break
    sleep 0.2
  done
  [ -n "$init" ] || { cat "$chroot_dir/nspawn.log"; return 1; }
  in_ct() { nsenter -t "$init" -a "$@"; }  # the page is read with this machine's curl, in its network
  as_user() { in_ct runuser -u driver -- env XDG_RUNTIME_DIR="/run/user/$uid" "$@"; }
  for i in $(seq 1 120); do in_ct test -S "/run/user/$uid/systemd/private" 2>/dev/null && break; sleep 0.5; done
  as_user systemctl --user enable --now trezik-live || return 1
  for i in $(seq 1 40); do nsenter -t "$init" -n curl -sf http://127.0.0.1:8787/labels | grep -q '"labels"' && break; sleep 0.5; done
  nsenter -t "$init" -n curl -sf http://127.0.0.1:8787/labels || { as_user systemctl --user status trezik-live; return 1; }
  echo
  in_ct kill -KILL "$(as_user systemctl --user show -p MainPID --value trezik-live)"
  for i in $(seq 1 40); do
    state="$(as_user systemctl --user show -p NRestarts -p ActiveState --value trezik-live | tr '\n' ' ')"
    [ "$state" = "1 active " ] && break
    sleep 0.5
  done
  echo "after SIGKILL: restarts, state: $state"
  [ "$state" = "1 active " ] || return 1
  sleep 1
  as_user systemctl --user stop trezik-live
  state="$(as_user systemctl --user show -p ExecMainStatus --value trezik-live)"
  echo "after stop: exit status $state"
  as_user journalctl --user -u trezik-live --no-pager -q 2>/dev/null | tail -n 5
  [ "$state" = 0 ] && test -f "$run/home/driver/.local/share/trezik/tripmeter.ini"
}
check "systemctl --user enable --now trezik-live under the driver's systemd: page up, restarted after SIGKILL, stop saves" \
  service_in_container
stop_container
printf '#!/bin/sh\nexit 101\n' >"$run/usr/sbin/policy-rc.d"
mount -t proc proc "$run/proc"
mount --bind /dev "$run/dev"
mount --bind /dev/pts "$run/dev/pts"

# Purge: nothing of the packages is left, the user's data are.
files="$( (dpkg-deb -c "$tools_deb"; dpkg-deb -c "$live_deb") | awk '$1 !~ /^d/ { print substr($6, 2) }')"
check "apt-get purge trezik-tools trezik-live" in_root env DEBIAN_FRONTEND=noninteractive \
  apt-get purge -y -q trezik-tools trezik-live
left_over() {
  local f left=0
  for f in $files /usr/share/trezik /usr/libexec/trezik /usr/share/doc/trezik-tools /usr/share/doc/trezik-live; do
    if [ -e "$run$f" ] || [ -L "$run$f" ]; then echo "left: $f"; left=1; fi
  done
  if in_root dpkg-query -W trezik-tools trezik-live 2>/dev/null; then echo "still known to dpkg"; left=1; fi
  [ "$left" = 0 ]
}
check "no file of the packages left ($(wc -w <<<"$files") files, their folders)" left_over
check "the user's data are kept" test -f "$run/home/driver/.local/share/trezik/tripmeter.ini" \
  -a -f "$run/home/driver/.local/share/trezik-demo/tripmeter.ini" \
  -a -f "$run/home/driver/trezik-drive-run/plugin/tripmeter.log" -a -f "$run/home/driver/my-report/report.html"

echo "packages: $passed passed, $failed failed"
[ "$failed" = 0 ]
