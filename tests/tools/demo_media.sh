#!/bin/sh
# kuzotool demo-media: the demo title's effects come out as 44100 Hz 16-bit stereo wave files, the
# MIDI piece as a two-track file the MIDI reader takes, and the material the build encodes has the
# lengths the pages rely on (20 s of music, 1.8 s of voice, 4 s of movie at 24 frames of 256 x 144).
set -eu
tool="$1"; work="$2"
rm -rf "$work"; mkdir -p "$work"
"$tool" demo-media "$work/media"
bytes() {  # FILE OFFSET COUNT: the bytes as hex
  od -An -tx1 -j "$2" -N "$3" "$work/media/$1" | tr -d ' \n'
}
expect() {  # WHAT GOT WANTED
  [ "$2" = "$3" ] || { echo "$1: got $2, expected $3"; exit 1; }
}
for f in click.wav hover.wav music-pcm.wav voice-pcm.wav movie-pcm.wav; do
  expect "$f header" "$(bytes $f 0 4)$(bytes $f 8 4)" "5249464657415645"  # "RIFF" "WAVE"
  expect "$f format" "$(bytes $f 20 16)" "0100020044ac000010b1020004001000"  # PCM, 2 ch, 44100, 16 bit
done
size() { stat -c %s "$work/media/$1"; }
expect "music length" "$(size music-pcm.wav)" "$((44 + 20 * 44100 * 4))"
expect "voice length" "$(size voice-pcm.wav)" "$((44 + 79380 * 4))"
expect "movie sound length" "$(size movie-pcm.wav)" "$((44 + 4 * 44100 * 4))"
expect "movie frames" "$(size movie.rgb)" "$((256 * 144 * 3 * 24 * 4))"
expect "midi header" "$(bytes theme.mid 0 14)" "4d546864000000060001000201e0"  # format 1, 2 tracks, 480
expect "midi tracks" "$(bytes theme.mid 14 4)" "4d54726b"
