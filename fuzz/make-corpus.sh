#!/usr/bin/env bash
# Makes the seed corpora in fuzz/corpus/ from short test tones, with sox,
# lame, oggenc and ffmpeg. The files are committed; run this again only to
# renew them. Every file is kept small so that the fuzzer mutates headers,
# not megabytes of samples.
set -euo pipefail
cd "$(dirname "$0")"
C=corpus
rm -rf "$C"
mkdir -p "$C"/{wavefile,clipboard,textfiles,load_mp3,load_ogg,load_raw,load_wav,load_wma}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

tone() {  # tone <file> <seconds> <sox options before the file>...
  local out=$1 secs=$2; shift 2
  sox -n "$@" "$out" synth "$secs" sine 440 sine 660 gain -6 2>/dev/null
}

# RIFF/WAVE images in the encodings and chunk layouts the reader meets.
tone "$C/wavefile/pcm16-stereo.wav" 0.005 -r 8000 -c 2 -b 16 -e signed-integer
tone "$C/wavefile/pcm8-mono.wav" 0.01 -r 8000 -c 1 -b 8 -e unsigned-integer
tone "$C/wavefile/float32.wav" 0.005 -r 8000 -c 1 -b 32 -e floating-point
tone "$C/wavefile/ulaw.wav" 0.01 -r 8000 -c 1 -e u-law
tone "$C/wavefile/pcm24-extensible.wav" 0.005 -r 8000 -c 2 -b 24 -e signed-integer
tone "$C/wavefile/adpcm.wav" 0.02 -r 8000 -c 1 -e ms-adpcm
ffmpeg -v quiet -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.005" \
  -metadata title=seed -c:a pcm_s16le -fflags +bitexact "$C/wavefile/with-list.wav"
cp "$C/wavefile/pcm16-stereo.wav" "$C/wavefile/pcm8-mono.wav" "$C/wavefile/with-list.wav" "$C/clipboard/"
cp "$C"/wavefile/*.wav "$C/load_wav/"

# The program's own text files, and a short piece of each.
cp ../data/CountryCodes.txt ../data/MobileModels.txt "$C/textfiles/"
head -c 200 ../data/CountryCodes.txt > "$C/textfiles/countries-head.txt"
printf 'Nokia 3310 \t\r\nlone\nLF\r\n\r\nNo end' > "$C/textfiles/mixed-ends.txt"

# Compressed formats from a short tone.
tone "$T/tone.wav" 0.15 -r 22050 -c 1 -b 16
tone "$T/tone2.wav" 0.1 -r 44100 -c 2 -b 16
lame --quiet -b 32 "$T/tone.wav" "$C/load_mp3/mono32.mp3"
lame --quiet -b 64 --tt seed --ta vrt --add-id3v2 "$T/tone2.wav" "$C/load_mp3/stereo-id3.mp3"
lame --quiet -V 9 "$T/tone.wav" "$C/load_mp3/vbr.mp3"
oggenc -Q -q 0 -o "$C/load_ogg/mono.ogg" "$T/tone.wav"
oggenc -Q -q 0 -o "$C/load_ogg/stereo.ogg" "$T/tone2.wav"
ffmpeg -v quiet -i "$T/tone2.wav" -c:a wmav2 -b:a 64k -fflags +bitexact "$C/load_wma/stereo.wma"
ffmpeg -v quiet -i "$T/tone.wav" -ar 22050 -c:a wmav2 -b:a 32k -fflags +bitexact "$C/load_wma/mono.wma"
ffmpeg -v quiet -i "$T/tone.wav" -c:a wmav1 -b:a 32k -fflags +bitexact "$C/load_wma/wmav1.wma"

# Raw PCM is taken in the document's format: any bytes are a raw file.
tail -c 400 "$C/wavefile/pcm16-stereo.wav" > "$C/load_raw/pcm16.raw"
printf '\x01' > "$C/load_raw/one-byte.raw"

du -sh "$C"/*
