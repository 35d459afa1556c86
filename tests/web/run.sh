#!/usr/bin/env bash
# Runs the browser tests of the web build: build/web (or CHORDLANE_WEB_DIR) served and
# played in headless Chromium, compared with build/default's chordlane-tool (or
# CHORDLANE_TOOL). Without a browser the tests are skipped, except in CI, where make test
# has installed one and its absence is a fault.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export CHORDLANE_WEB_DIR=$(realpath -m "${CHORDLANE_WEB_DIR:-$root/build/web}")
export CHORDLANE_TOOL=$(realpath -m "${CHORDLANE_TOOL:-$root/build/default/tools/chordlane-tool}")

# Debian's Python, whose python3-selenium matches Debian's chromium-driver; a python3 of
# another make earlier on the PATH would not have it.
python=/usr/bin/python3
missing=()
for program in "${CHORDLANE_CHROMIUM:-/usr/bin/chromium}" \
  "${CHORDLANE_CHROMEDRIVER:-/usr/bin/chromedriver}" "$python"; do
  [ -x "$program" ] || missing+=("$program")
done
if [ -x "$python" ] && ! "$python" -c "import selenium" 2>/dev/null; then
  missing+=(python3-selenium)
fi
if [ ${#missing[@]} -gt 0 ]; then
  if [ "${CI:-}" = true ]; then
    echo "web tests: ${missing[*]} missing; make test installs them" >&2
    exit 1
  fi
  echo "web tests skipped: ${missing[*]} missing (make test installs them)"
  exit 0
fi
for needed in "$CHORDLANE_WEB_DIR/index.html" "$CHORDLANE_TOOL"; do
  if [ ! -e "$needed" ]; then
    echo "web tests: $needed is missing (make web; make build)" >&2
    exit 1
  fi
done
cd "$root/tests/web"
export PYTHONDONTWRITEBYTECODE=1  # no __pycache__ left in the source tree
exec "$python" test_page.py "$@"
