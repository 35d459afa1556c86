#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need, and only those
# that are missing, so a machine that has them all does not touch apt at all.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev libgl-dev fonts-liberation
  portaudio19-dev libsamplerate0-dev libsndfile1-dev
  librtmidi-dev libjack-jackd2-dev jackd2
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  # chordlane-tool import plays SoundFonts through FluidSynth; the tests import Debian's
  # small General MIDI SoundFont too.
  libfluidsynth-dev timgm6mb-soundfont
  dpkg-dev file desktop-file-utils appstream lintian
  # Another program's reader of the MIDI files we write.
  python3-mido
  # A sound server for the real-output tests: .ci/run starts one with a null sink.
  pulseaudio pulseaudio-utils libasound2-plugins
  # The JACK latency harness: the program's window on a private X server, keys sent with XTest.
  xvfb libxtst-dev
  # The web build: Debian's emscripten, Node for its optimiser and the page's own tests, and
  # a real browser with its driver for the page's tests.
  emscripten nodejs chromium chromium-driver python3-selenium
)
if [ "${CHORDLANE_WITH_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-dev)
fi
# The import benchmark's full General MIDI SoundFont (140 MB): for make bench only.
if [ "${CHORDLANE_WITH_BENCH:-0}" = 1 ]; then
  packages+=(fluid-soundfont-gm)
fi
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to allow real-time scheduling; the test server runs without it.
echo "jackd2 jackd2/realtime-priority boolean false" | $sudo debconf-set-selections
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
