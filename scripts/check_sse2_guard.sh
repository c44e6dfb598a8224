#!/usr/bin/env bash
# Checks that trezik.dll runs no SSE instruction before its exports have
# asked whether the processor has SSE2 (com/entry_points.h): from the DLL's
# entry point, its TLS callbacks and initialisers (.CRT), its static
# constructors (__CTOR_LIST__) and what they hand to atexit, and the five
# exports, every function reached through a direct call or jump up to the
# guarded bodies must be free of SSE. As a control it also requires SSE2
# past the guard (the registration's bodies), so that a broken search cannot
# pass.
#   scripts/check_sse2_guard.sh OBJDUMP DLL-WITH-SYMBOLS
# Indirect calls are not followed: those on this path go to system DLLs or
# to the tables named above. Exits 1 and names the function and its caller
# chain on a failure.
set -uo pipefail
objdump="$1"
dll="$2"
dis="$(mktemp)"
trap 'rm -f "$dis"' EXIT
"$objdump" -d "$dll" >"$dis" || exit 1

# The little-endian words of an objdump -s dump, as addresses.
words() {
  "$objdump" -s "$@" "$dll" | awk '/^ [0-9a-f]+ /{for (i = 2; i <= 5; i++)
    if ($i ~ /^[0-9a-f]+$/ && length($i) == 8)
      print substr($i, 7, 2) substr($i, 5, 2) substr($i, 3, 2) substr($i, 1, 2)}'
}
name_at() { awk -v a="$1" '$1 == a && $2 ~ /^</ {sub(/^</, "", $2); sub(/>:$/, "", $2); print $2; exit}' "$dis"; }

addresses=$(words -j .CRT)
text=$("$objdump" -h "$dll" | awk '$2 == ".text" {print $4}')
ctor=$("$objdump" -t "$dll" | awk '$NF == "___CTOR_LIST__" {print $(NF - 1)}')
if [ -z "$ctor" ] || [ -z "$text" ]; then echo "no symbols in $dll"; exit 1; fi
ctor=$(printf '%08x' $((0x$text + ctor)))  # objdump -t counts from .text
for a in $(words --start-address=0x$ctor --stop-address=0x$(printf '%x' $((0x$ctor + 256)))); do
  [ "$a" == 00000000 ] && break  # the list ends with 0 after its -1 head
  addresses+=" $a"
done
roots="_DllMainCRTStartup@12 _DllGetClassObject@12 _DllCanUnloadNow@0 _DllRegisterServer@0"
roots+=" _DllUnregisterServer@0 _DllInstall@8"
roots+=" $(awk '/^[0-9a-f]+ <.*SystemHasSse2.*>:$/ {sub(/^</, "", $2); sub(/>:$/, "", $2); print $2}' "$dis")"
for a in $addresses; do
  name=$(name_at "$a")
  [ -z "$name" ] && continue
  roots+=" $name"
  # What a static constructor registers with atexit runs at unload.
  case "$name" in *GLOBAL__sub_I*)
    for b in $(awk -v f="<$name>:" '$2 == f {on = 1; next} /^$/ {on = 0} on' "$dis" |
               grep -oE 'movl +\$0x[0-9a-f]{8},\(%esp\)' | grep -oE '[0-9a-f]{8}'); do
      name=$(name_at "$b")
      [ -n "$name" ] && roots+=" $name"
    done ;;
  esac
done
bodies="__ZN6trezik3com14GetClassObjectERK5_GUIDS3_PPv __ZN6trezik3com12CanUnloadNowEv"
bodies+=" __ZN6trezik3com21RegisterServerEntriesEv __ZN6trezik3com23UnregisterServerEntriesEv"
bodies+=" __ZN6trezik3com14InstallForUserEiPKw __ZN6trezik3com11ThreadEndedEv"

# reach ROOTS STOP: "name<TAB>chain<TAB>instruction" for each SSE instruction
# in a function reached from ROOTS without passing through STOP.
reach() {
  awk -v roots="$1" -v stop="$2" '
    function target(line,   t) {
      if (!match(line, /\t(call|jmp|j[a-z]+) +[0-9a-f]+ <[^>+]+/)) return ""
      t = substr(line, RSTART, RLENGTH); sub(/.*</, "", t); return t
    }
    /^[0-9a-f]+ <.+>:$/ { f = $2; sub(/^</, "", f); sub(/>:$/, "", f); known[f] = 1; next }
    f != "" && /\t/ {
      t = target($0)
      if (t != "" && t != f) calls[f] = calls[f] " " t
      if ($0 ~ /%xmm|\t(mfence|lfence|sfence|clflush|movnti|ldmxcsr|stmxcsr|prefetch[a-z0-9]*) /) {
        n = split($0, parts, "\t"); sse[f] = sse[f] ? sse[f] : parts[n]
      }
    }
    END {
      split(stop, s, " "); for (i in s) stopped[s[i]] = 1
      n = split(roots, queue, " ")
      for (i = 1; i <= n; i++) { seen[queue[i]] = 1; via[queue[i]] = "" }
      for (i = 1; i <= n; i++) {
        f = queue[i]
        if (f in sse) print f "\t" via[f] "\t" sse[f]
        m = split(calls[f], c, " ")
        for (j = 1; j <= m; j++) {
          if (!(c[j] in known) || (c[j] in seen) || (c[j] in stopped)) continue
          seen[c[j]] = 1; via[c[j]] = f (via[f] != "" ? " <- " via[f] : ""); queue[++n] = c[j]
        }
      }
    }' "$dis"
}

status=0
before=$(reach "$roots" "$bodies")
if [ -n "$before" ]; then
  echo "SSE before the processor check:"
  sed 's/^/  /' <<<"$before"
  status=1
fi
past=$(reach "__ZN6trezik3com21RegisterServerEntriesEv" "")
if [ -z "$past" ]; then
  echo "control failed: no SSE2 found past the check either (is the search broken?)"
  status=1
fi
if [ "$status" == 0 ]; then
  echo "no SSE before the processor check ($(wc -w <<<"$roots") roots); SSE2 found past it"
fi
exit "$status"
