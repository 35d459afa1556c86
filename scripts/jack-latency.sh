#!/usr/bin/env bash
# Key and tap to the JACK graph through the real program's window. Starts a private X server
# (Xvfb, on a display no one uses) and a private JACK server on the dummy driver at 64 frames
# and 48 kHz, with real-time priority where the system allows it, then runs
# chordlane_jack_latency: the program plays a click for each key press and tap that XTest
# sends, and a second JACK client stamps the cycle the click is in. Nothing is heard, and a
# desktop's own X and JACK servers are never touched.
#
# The X server runs at the lowest real-time priority where the system allows it, so that a
# press is timed from the moment the X server makes its event, as the program's own part;
# --ordinary-x leaves it an ordinary process, whose own waits under load then count too.
#
# Usage: scripts/jack-latency.sh [BUILD_DIR] [--ordinary-x] [HARNESS OPTIONS...]
#   e.g. scripts/jack-latency.sh build/default --busy 2 --presses 20
# Exit 77 (skipped) where Xvfb or jackd is missing.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
shift || true
x_priority=realtime
if [ "${1:-}" = --ordinary-x ]; then
  x_priority=ordinary
  shift
fi
harness="$build/bench/chordlane_jack_latency"
program="$build/desktop/chordlane"
for needed in Xvfb jackd; do
  if ! command -v "$needed" >/dev/null; then
    echo "jack-latency: $needed is not installed; skipped"
    exit 77
  fi
done
if [ ! -x "$harness" ]; then
  echo "jack-latency: $harness was not built (the XTest headers were missing); skipped"
  exit 77
fi
dir=$(mktemp -d)
xvfb_pid=""
cleanup() {
  bash "$root/scripts/jack-server.sh" stop "$dir"
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  rm -rf "$dir"
}
trap cleanup EXIT
# -displayfd: the server picks a free display and writes its number when it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.05; done
if [ ! -s "$dir/display" ]; then
  echo "jack-latency: Xvfb did not start:" >&2
  cat "$dir/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$dir/display")"
if [ "$x_priority" = realtime ] && chrt -f -p 1 "$xvfb_pid" >/dev/null 2>&1; then
  echo "jack-latency: the X server runs at real-time priority 1"
else
  echo "jack-latency: the X server runs at ordinary priority"
fi
name="chordlane-latency-$$"
JACK_PERIOD=${JACK_PERIOD:-64} JACK_REALTIME=1 bash "$root/scripts/jack-server.sh" start "$name" "$dir" ||
  exit 1
JACK_DEFAULT_SERVER=$name JACK_NO_START_SERVER=1 "$harness" --program "$program" "$@"
