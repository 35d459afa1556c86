"""Measures the web build in headless Chromium and prints the figures as a Markdown table:
the time from navigation to ready, tap-to-sound, underruns while the main thread is busy,
and what a first visit downloads. Run it as tests/web/run.sh runs the tests, e.g.
    CHORDLANE_WEB_DIR=build/web /usr/bin/python3 tests/web/measure.py
"""

import statistics
import sys

import webpage
from webpage import BUILT_IN, Page, Server

LOADS = 5
TAPS = 20
BUSY_ROUNDS = 3


def measure():
    rows = []
    with Server() as server:
        driver = webpage.start_browser()
        try:
            page = Page(driver, server.url)
            # A new profile: the first load is a first visit, the others may be served by
            # the service worker, as for a returning player.
            ready = []
            for _ in range(LOADS):
                page.load()
                ready.append(page.ready_ms)
            rows.append((f"ready after navigation, {LOADS} loads (first cold), ms",
                         f"{statistics.median(ready):.0f}", f"{max(ready):.0f}"))

            elements = webpage.dump(BUILT_IN, page.view)
            strings = webpage.open_strings(elements)
            waits = []
            latencies = webpage.tap_latencies(page, strings, TAPS, waits)
            rows.append((f"tap to sound from the pen-down's arrival, {TAPS} taps, ms",
                         f"{statistics.median(latencies):.1f}", f"{max(latencies):.1f}"))
            rows.append(("the browser's hold on each pen-down before it arrived, ms",
                         f"{statistics.median(waits):.1f}", f"{max(waits):.1f}"))

            underruns = [webpage.busy_underruns(page, strings[0]) for _ in range(BUSY_ROUNDS)]
            rows.append((f"underruns in a busy second, {BUSY_ROUNDS} rounds",
                         f"{statistics.median(underruns):.0f}", f"{max(underruns)}"))
            rate = page.audio()["rate"]
        finally:
            driver.quit()
    size = webpage.gzip_size(webpage.first_visit_files())
    rows.append(("first visit, gzip, MB", f"{size / 1e6:.2f}", ""))
    return rows, rate


def main():
    reason = webpage.browser_missing()
    if reason:
        print(f"measure.py: {reason}", file=sys.stderr)
        return 1
    rows, rate = measure()
    print(f"Web build in headless Chromium (audio at {rate} Hz)\n")
    print("| Figure | Median | Max |")
    print("|---|---:|---:|")
    for name, median, largest in rows:
        print(f"| {name} | {median} | {largest} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
