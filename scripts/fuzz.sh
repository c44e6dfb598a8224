#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz, built with clang in build/fuzz
# (configured with TREZIK_FUZZ=ON and built here when needed).
#
#   bash scripts/fuzz.sh TARGET [SECONDS]  one target (e.g. gpx), 60 s unless
#                                          told; keeps its scratch folder
#                                          (grown corpus, any crash input)
#   bash scripts/fuzz.sh --all SECONDS     every target, two at a time; fails
#                                          when one crashes (the test run's
#                                          fuzz stage)
#   bash scripts/fuzz.sh --list            the targets
#
# The seeds in tests/fuzz/corpus/TARGET are copied to a scratch folder first,
# so a run never writes into the checkout. A crash input can be replayed with
# build/fuzz/tests/fuzz/TARGET_fuzz CRASH_FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/fuzz
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

targets() {
  local file
  for file in tests/fuzz/*_fuzz.cc; do
    file=${file##*/}
    echo "${file%_fuzz.cc}"
  done
}

# Optimised as libFuzzer likes it, with assertions on, and with line tables
# only: stacks name file and line, and the build takes half the time.
build_targets() {
  if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" -DTREZIK_FUZZ=ON >/dev/null
  fi
  if ! grep -q '^TREZIK_HAVE_LIBFUZZER:INTERNAL=1' "$build/CMakeCache.txt"; then
    echo "fuzz: $build has no libFuzzer; it needs clang with libclang-rt (scripts/setup.sh)" >&2
    return 1
  fi
  cmake --build "$build" --target fuzz -j 2
}

# run_one TARGET SECONDS FOLDER: fuzzes TARGET for SECONDS on a copy of its
# seeds in FOLDER/corpus; libFuzzer's output goes to FOLDER/log and a crash
# input to FOLDER/crash-*. Fails when the target crashed.
run_one() {
  local target=$1 seconds=$2 folder=$3 status=0 pid
  mkdir -p "$folder/corpus"
  cp tests/fuzz/corpus/"$target"/* "$folder/corpus/"
  local args=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
              -artifact_prefix="$folder/")
  if [ -f "tests/fuzz/$target.dict" ]; then args+=(-dict="tests/fuzz/$target.dict"); fi
  "$build/tests/fuzz/${target}_fuzz" "${args[@]}" "$folder/corpus" >"$folder/log" 2>&1 &
  pid=$!
  wait "$pid" || status=$?
  # A target that crashed could not remove its own scratch folder.
  rm -rf "/dev/shm/trezik-fuzz-$pid" "${TMPDIR:-/tmp}/trezik-fuzz-$pid"
  return "$status"
}

report() {
  local target=$1 folder=$2 status=$3 runs
  runs=$(grep -oE '^Done [0-9]+ runs in [0-9]+ second' "$folder/log" | tail -1 || true)
  if [ "$status" = 0 ]; then
    echo "$target: ${runs:-no summary}s, no crash"
  else
    echo "$target: CRASHED (exit $status); log and input in $folder"
    grep -E 'property broken|ERROR:|runtime error|SUMMARY|Test unit written' "$folder/log" | head -8 || true
  fi
}

case "${1:-}" in
  --list)
    targets
    ;;
  --all)
    seconds=${2:?usage: scripts/fuzz.sh --all SECONDS}
    build_targets
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/trezik-fuzz.XXXXXX")
    mapfile -t all < <(targets)
    passed=0
    failed=0
    # Two at a time: one per core.
    for ((i = 0; i < ${#all[@]}; i += 2)); do
      pair=("${all[@]:i:2}")
      pids=()
      for target in "${pair[@]}"; do
        run_one "$target" "$seconds" "$scratch/$target" &
        pids+=($!)
      done
      for j in "${!pair[@]}"; do
        status=0
        wait "${pids[$j]}" || status=$?
        report "${pair[$j]}" "$scratch/${pair[$j]}" "$status"
        if [ "$status" = 0 ]; then
          passed=$((passed + 1))
          rm -rf "${scratch:?}/${pair[$j]}"
        else
          failed=$((failed + 1))
        fi
      done
    done
    echo "fuzz: $passed passed, $failed failed"
    if [ "$failed" = 0 ]; then rm -rf "$scratch"; fi
    [ "$failed" = 0 ]
    ;;
  "" | -h | --help)
    sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
    ;;
  *)
    target=${1%_fuzz}
    seconds=${2:-60}
    if [ ! -f "tests/fuzz/${target}_fuzz.cc" ]; then
      echo "fuzz: no target '$target'; the targets are: $(targets | tr '\n' ' ')" >&2
      exit 2
    fi
    build_targets
    folder=$(mktemp -d "${TMPDIR:-/tmp}/trezik-fuzz-$target.XXXXXX")
    echo "fuzzing $target for $seconds s in $folder"
    status=0
    run_one "$target" "$seconds" "$folder" || status=$?
    report "$target" "$folder" "$status"
    echo "corpus grown to $(find "$folder/corpus" -type f | wc -l) inputs in $folder/corpus"
    exit "$status"
    ;;
esac
