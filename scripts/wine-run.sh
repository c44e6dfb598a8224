#!/usr/bin/env bash
# Runs a Windows program under wine in the project's private 32-bit prefix,
# headless (null graphics driver), creating the prefix on first use.
#   scripts/wine-run.sh program.exe [arguments...]
# TREZIK_WINEPREFIX chooses the prefix (default: build/wineprefix of this
# work tree). Several runs may start at once: the first one creates the
# prefix under a lock, the others wait for it.
# The prefix has no automatic debugger (AeDebug's Debugger is empty): a
# program that crashes ends at once with its exception code (5 for an access
# violation) instead of waiting in winedbg, so a crash fails its test fast.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${TREZIK_WINEPREFIX:-$root/build/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$WINEPREFIX/.trezik-ready-2" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.trezik-ready-2" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
    wine reg add "$aedebug" /v Debugger /d '' /f >/dev/null 2>&1
    wine reg add "$aedebug" /v Auto /d 1 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.trezik-ready-2"
  fi
  flock -u 9
  exec 9>&-
fi

exec wine "$@"
