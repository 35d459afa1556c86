#!/usr/bin/env bash
# Measures the pitch copies of real recordings: nine General MIDI notes rendered from the
# small SoundFont Debian ships, plus the pitched sounds shipped with the instruments, each
# shifted -12..+12 semitones by the exact method, the fine method and soundstretch (a
# reference only). Needs fluidsynth, soundstretch, timgm6mb-soundfont and the pitchquality
# program (built as the target of that name, or give its path in PITCHQUALITY).
#
#   bash scripts/pitch-quality.sh [-v]      (-v: one line per shift)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
tool=${PITCHQUALITY:-$here/build/default/tools/pitchquality/pitchquality}
font=${SOUNDFONT:-/usr/share/sounds/sf2/TimGM6mb.sf2}
work=${WORK:-/tmp/pitchquality}
mkdir -p "$work"

# A one-track MIDI file: program $2, note $3 held two seconds, then one second of release.
midi() {
    local program note
    program=$(printf '%02x' "$2")
    note=$(printf '%02x' "$3")
    printf "MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk\x00\x00\x00\x11"`
          `"\x00\xc0\x${program}\x00\x90\x${note}\x64\x8f\x00\x80\x${note}\x40\x83\x60\xff\x2f\x00" >"$1"
}

recordings=()
# name program note
while read -r name program note; do
    midi "$work/$name.mid" "$program" "$note"
    fluidsynth -ni -R 0 -C 0 -g 0.8 -F "$work/$name-note.wav" -r 44100 "$font" "$work/$name.mid" \
        >/dev/null 2>&1
    hz=$(awk -v n="$note" 'BEGIN { printf "%.4f", 440 * 2 ^ ((n - 69) / 12) }')
    recordings+=("$name=$work/$name-note.wav@$hz")
done <<'NOTES'
piano 0 60
nylon 24 52
organ 16 60
flute 73 79
violin 40 69
bass 32 40
marimba 12 72
choir 52 57
clarinet 71 62
NOTES

sounds=$here/instruments/sounds
recordings+=("epiano-c3=$sounds/epiano-c3.wav@130.813" "epiano-c4=$sounds/epiano-c4.wav@261.626"
    "gtr-e2=$sounds/gtr-e2.wav@82.4069" "gtr-a2=$sounds/gtr-a2.wav@110"
    "gtr-d3=$sounds/gtr-d3.wav@146.832" "gtr-g3=$sounds/gtr-g3.wav@195.998"
    "gtr-b3=$sounds/gtr-b3.wav@246.942" "gtr-e4=$sounds/gtr-e4.wav@329.628")

"$tool" "$@" --work "$work" --external 'soundstretch {in} {out} -pitch={shift}' "${recordings[@]}"
