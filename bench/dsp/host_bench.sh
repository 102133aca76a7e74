#!/usr/bin/env bash
# Each effect through the script host (Load + SelectAll + effect, the whole
# process), beside sox doing the same to the same file, timed in the same run.
#
# Usage: bench/dsp/host_bench.sh [HOST] [MINUTES]
#   HOST     sonarch2-host to measure (default build/editor/control/host/sonarch2-host)
#   MINUTES  length of the stereo 16-bit 44.1 kHz test document (default 10)
#   ECHO_DELAYS (environment) the echo delays to run (default "0.05 0.2 1.0")
#   REPEAT (environment) runs of each side, the least time is shown (default 3)
# Prints one row per effect: our wall and processor seconds, sox's, and ours / sox.
set -euo pipefail
host=${1:-build/editor/control/host/sonarch2-host}
minutes=${2:-10}
seconds=$((minutes * 60))
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen
# A registry of its own, so that the host registers and loads the library
# beside it rather than one registered earlier by another build.
export XDG_CONFIG_HOME="$dir/config"

# Music-like audio: two tones and quiet noise per channel.
sox -n -r 44100 -b 16 -c 2 "$dir/in.wav" synth "$seconds" sine 110 sine 300 \
    synth "$seconds" whitenoise amod 0.1 0 vol 0.5

# Runs a command, prints "wall cpu" seconds (cpu = user + system, children included).
timed() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" > "$dir/out.txt" 2>/dev/null; } 2> "$dir/time.txt"
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$dir/time.txt"
}

ours() {  # script lines after Load + SelectAll, or a whole script that starts with its own Load
    case "$1" in
    Load*) printf '%b' "$1" > "$dir/script" ;;
    *) printf 'Load "%s" 4\nSelectAll\n%b' "$dir/in.wav" "$1" > "$dir/script" ;;
    esac
    timed "$host" "$dir/script"
    grep -q 'Load = 1' "$dir/out.txt" || { echo "host failed: $(cat "$dir/out.txt")" >&2; exit 1; }
}

theirs() {
    # shellcheck disable=SC2086
    timed sox -V1 "$dir/in.wav" "$dir/sox.wav" $1
    rm -f "$dir/sox.wav"
}

best() {  # the least wall and the least cpu time of REPEAT runs of "$@"
    local wall="" cpu="" w c
    for _ in $(seq "${REPEAT:-3}"); do
        read -r w c < <("$@")
        wall=$(awk -v a="$wall" -v b="$w" 'BEGIN { print (a == "" || b < a) ? b : a }')
        cpu=$(awk -v a="$cpu" -v b="$c" 'BEGIN { print (a == "" || b < a) ? b : a }')
    done
    echo "$wall $cpu"
}

row() {  # name, our script lines, sox effect
    local aw ac bw bc
    read -r aw ac < <(best ours "$2")
    read -r bw bc < <(best theirs "$3")
    printf '| %-26s | %7.2f | %7.2f | %-26s | %7.2f | %7.2f | %6.2f | %6.2f |\n' "$1" "$aw" "$ac" "$3" "$bw" "$bc" \
        "$(awk -v a="$aw" -v b="$bw" 'BEGIN { print a / b }')" "$(awk -v a="$ac" -v b="$bc" 'BEGIN { print a / b }')"
}

echo "$minutes-minute stereo 16-bit 44.1 kHz document; wall seconds of the whole process, least of ${REPEAT:-3} runs"
echo "| effect | ours wall s | ours cpu s | sox effect | sox wall s | sox cpu s | wall ratio | cpu ratio |"
echo "|---|---|---|---|---|---|---|---|"
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
# The interface cannot select part of a document, so the noise profile comes
# from a 10-second file of the same music, loaded first, as a user would take
# it from a quiet stretch; then the document is cleaned. The second row takes
# the profile from the whole document instead: both halves at full length.
sox "$dir/in.wav" "$dir/head.wav" trim 0 10
row "FxNoiseRemoval 4 (10 s profile)" \
    "Load \"$dir/head.wav\" 4\nSelectAll\nFxNoiseRemoval 1 0\nLoad \"$dir/in.wav\" 4\nSelectAll\nFxNoiseRemoval 0 4\n" "sinc -1000"
row "FxNoiseRemoval whole capture + 4" 'FxNoiseRemoval 1 0\nFxNoiseRemoval 0 4\n' "sinc -1000"
for delay in ${ECHO_DELAYS:-0.05 0.2 1.0}; do
    ms=$(awk -v d="$delay" 'BEGIN { printf "%d", d * 1000 }')
    row "FxEcho $delay 0.5" "FxEcho $delay 0.5\n" "echo 0.8 0.9 $ms 0.5"
done
