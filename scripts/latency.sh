#!/usr/bin/env bash
# Tap-to-sound through the real output: PortAudio -> ALSA -> PulseAudio. Loads a null sink
# into the PulseAudio server in reach (a desktop's own, or the one .ci/run starts), plays
# taps into it through the program's own mixer and records its monitor; prints the median
# and worst delay of 20 taps at each buffer size. Nothing is heard: the taps go to the null
# sink only, which is unloaded again at the end.
# Usage: scripts/latency.sh [BUILD_DIR] [FRAMES...]   (default: build/default 64 128 256)
# Exit 77 (skipped) when no PulseAudio server answers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
shift || true
sizes=("$@")
if [ ${#sizes[@]} -eq 0 ]; then sizes=(64 128 256); fi
harness="$build/bench/chordlane_latency"
if ! command -v pactl >/dev/null || ! pactl info >/dev/null 2>&1; then
  echo "latency: no PulseAudio server answers; skipped"
  exit 77
fi
sink=chordlane_latency_$$
module=$(pactl load-module module-null-sink sink_name="$sink" rate=48000 \
  sink_properties=device.description=chordlane-latency)
trap 'pactl unload-module "$module" >/dev/null 2>&1 || true' EXIT
status=0
for frames in "${sizes[@]}"; do
  # PULSE_SINK sends the program's stream to the null sink, whatever the default sink is.
  PULSE_SINK="$sink" "$harness" --monitor "$sink.monitor" --buffer "$frames" --taps 20 ||
    status=1
done
exit $status
