#!/usr/bin/env bash
# Each effect through the script host (Load + SelectAll + effect, the whole
# process), beside sox doing the same to the same file, timed in the same run.
#
# Usage: bench/dsp/host_bench.sh [HOST] [MINUTES]
#   HOST     sonarch2-host to measure (default build/editor/control/host/sonarch2-host)
#   MINUTES  length of the stereo 16-bit 44.1 kHz test document (default 10)
#   ECHO_DELAYS (environment) the echo delays to run (default "0.05 0.2 1.0")
#   REPEAT (environment) runs of each side, the least time is shown (default 3)
# Prints one row per effect: our wall seconds, sox's, and ours / sox.
set -euo pipefail
host=${1:-build/editor/control/host/sonarch2-host}
minutes=${2:-10}
seconds=$((minutes * 60))
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen

# Music-like audio: two tones and quiet noise per channel.
sox -n -r 44100 -b 16 -c 2 "$dir/in.wav" synth "$seconds" sine 110 sine 300 \
    synth "$seconds" whitenoise amod 0.1 0 vol 0.5

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

ours() {  # script lines after Load + SelectAll
    printf 'Load "%s" 4\nSelectAll\n%b' "$dir/in.wav" "$1" > "$dir/script"
    local t0; t0=$(now)
    "$host" "$dir/script" > "$dir/out.txt" 2>/dev/null
    local t1; t1=$(now)
    grep -q 'Load = 1' "$dir/out.txt" || { echo "host failed: $(cat "$dir/out.txt")" >&2; exit 1; }
    elapsed "$t0" "$t1"
}

theirs() {
    local t0; t0=$(now)
    # shellcheck disable=SC2086
    sox -V1 "$dir/in.wav" "$dir/sox.wav" $1
    local t1; t1=$(now)
    rm -f "$dir/sox.wav"
    elapsed "$t0" "$t1"
}

best() {  # the least of REPEAT runs of "$@"
    local least="" t
    for _ in $(seq "${REPEAT:-3}"); do
        t=$("$@")
        least=$(awk -v a="$least" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
    done
    echo "$least"
}

row() {  # name, our script lines, sox effect
    local a b
    a=$(best ours "$2")
    b=$(best theirs "$3")
    printf '| %-26s | %8.2f | %-26s | %8.2f | %6.2f |\n' "$1" "$a" "$3" "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { print a / b }')"
}

echo "$minutes-minute stereo 16-bit 44.1 kHz document; wall seconds of the whole process, least of ${REPEAT:-3} runs"
echo "| effect | ours s | sox effect | sox s | ours / sox |"
echo "|---|---|---|---|---|"
row "Load + SelectAll only" "" "vol 1"
row "FxAmplify 0.5" 'FxAmplify 0.5\n' "vol 0.5"
row "FxSilence" 'FxSilence\n' "vol 0"
row "FxInvert" 'FxInvert\n' "vol -1"
row "FxFadeIn" 'FxFadeIn\n' "fade t $seconds"
row "FxFadeOut" 'FxFadeOut\n' "fade t 0 $seconds $seconds"
row "FxBassBoost 200 3" 'FxBassBoost 200 3\n' "bass +9.5 200"
row "FxReverse" 'FxReverse\n' "reverse"
row "FxLowPassFilter 1000" 'FxLowPassFilter 1000\n' "sinc -1000"
row "FxHighPassFilter 3000" 'FxHighPassFilter 3000\n' "sinc 3000"
row "FxBandPassFilter 300 3000" 'FxBandPassFilter 300 3000\n' "sinc 300-3000"
row "FxBandStopFilter 300 3000" 'FxBandStopFilter 300 3000\n' "sinc 3000-300"
row "FxNoiseRemoval (10 s, 4)" 'ManualSelect 0 10\nFxNoiseRemoval 1 0\nSelectAll\nFxNoiseRemoval 0 4\n' "sinc -1000"
for delay in ${ECHO_DELAYS:-0.05 0.2 1.0}; do
    ms=$(awk -v d="$delay" 'BEGIN { printf "%d", d * 1000 }')
    row "FxEcho $delay 0.5" "FxEcho $delay 0.5\n" "echo 0.8 0.9 $ms 0.5"
done
