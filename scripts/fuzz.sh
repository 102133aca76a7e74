#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (ASan + UBSan) in their own
# build folder and runs each one for the given number of seconds, starting from
# the committed seed corpus in fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh 30            # CI: half a minute per target
#   scripts/fuzz.sh 3600          # an hour per target
#   scripts/fuzz.sh 600 fuzz_load_wma fuzz_wavefile   # chosen targets only
#
# New inputs found along the way go to build-fuzz/work/<target>/ (kept between
# runs, so long runs build on each other); the committed corpus is not
# touched. A crash, leak, sanitizer report, broken property or timeout stops
# that target, leaves the input in build-fuzz/artifacts/ and makes the script
# fail after all targets ran.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET=${1:-30}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(fuzz_wavefile fuzz_clipboard fuzz_textfiles fuzz_edits
  fuzz_load_mp3 fuzz_load_ogg fuzz_load_raw fuzz_load_wav fuzz_load_wma)

BUILD=build-fuzz
mkdir -p "$BUILD"
if ! { cmake -S fuzz -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVRT_FUZZ=ON &&
       cmake --build "$BUILD" --target "${TARGETS[@]}"; } >"$BUILD/build.log" 2>&1; then
  cat "$BUILD/build.log"
  echo "building the fuzz targets failed"
  exit 1
fi

mkdir -p "$BUILD/logs" "$BUILD/artifacts"
failed=()
for t in "${TARGETS[@]}"; do
  seeds=fuzz/corpus/${t#fuzz_}
  work=$BUILD/work/$t
  mkdir -p "$work"
  log=$BUILD/logs/$t.log
  dict=()
  case $t in
    fuzz_wavefile|fuzz_clipboard|fuzz_load_wav) dict=(-dict=fuzz/dicts/riff.dict) ;;
  esac
  status=0
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$BUILD/$t" "$work" "$seeds" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 \
      -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 "${dict[@]}" \
      -artifact_prefix="$BUILD/artifacts/$t-" >"$log" 2>&1 || status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  corpus=$(find "$work" -type f | wc -l)
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    echo "$t: FAILED (exit $status) after ${runs:-?} executions; see $log"
    grep -m1 -E 'ERROR|runtime error|fuzz property violated|Timeout|ALARM' "$log" || true
  else
    echo "$t: ${runs:-?} executions in ${SECONDS_PER_TARGET} s, no crash (work corpus $corpus inputs)"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz targets with findings: ${failed[*]}"
  exit 1
fi
