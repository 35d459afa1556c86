#!/usr/bin/env bash
# Builds the web site into build/web/ with Debian's emscripten: the built-in instrument packed
# by the packer built for this machine, then the core, the browser's platform and the page.
set -euo pipefail
cd "$(dirname "$0")/.."

SITE="$PWD/build/web"
TOOLS="$PWD/build/web-tools"
# Debian's emscripten runs its optimiser with the system's Node, which finds the acorn parser
# only through Debian's module folder.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"

mkdir -p "$TOOLS"
PACKER="$TOOLS/chordlane-pack-builtin"
PACKER_SOURCES=(resources/PackBuiltin.cpp language/Packer.cpp platform/std/Text.cpp)
if [ ! -x "$PACKER" ] || [ -n "$(find "${PACKER_SOURCES[@]}" language/Packer.h -newer "$PACKER")" ]; then
    g++ -std=c++20 -O1 -I. "${PACKER_SOURCES[@]}" -o "$PACKER"
fi

emcmake cmake -S . -B build/web-build -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCHORDLANE_HOST_PACKER="$PACKER" -DCHORDLANE_SITE_DIR="$SITE" >/dev/null
cmake --build build/web-build
echo "The site is in build/web/ ($(du -sh "$SITE" | cut -f1)); make serve-web serves it."
