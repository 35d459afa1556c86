#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds on its corpus: the committed seeds in
# fuzz/corpus/<target> and the inputs found so far in build/fuzz/corpus/<target>, where new
# ones are kept. A crash, leak, timeout or memory blow-up stops the run with the target's log
# and leaves the input that caused it in build/fuzz/artifacts/.
# Usage: fuzz/run.sh SECONDS [TARGET...]   (targets: text load wave picture play grammar library)
set -uo pipefail
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(text load wave picture play grammar library); fi
# Sanitised loads run about ten times slower than the release build's bound of 2 s.
export CHORDLANE_FUZZ_SLOW_MS=${CHORDLANE_FUZZ_SLOW_MS:-20000}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
mkdir -p "$build/artifacts"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  log="$build/fuzz_$t.log"
  # A grammar input is a whole instrument with its files: it flags its own slow loads (at
  # CHORDLANE_FUZZ_SLOW_MS, run twice to confirm), so libFuzzer's own limit must lie beyond
  # two of them.
  timeout=10
  if [ "$t" = grammar ]; then timeout=60; fi
  "$build/fuzz/fuzz_$t" "$build/corpus/$t" "$root/fuzz/corpus/$t" \
    -dict="$root/fuzz/chordlane.dict" -max_total_time="$seconds" \
    -rss_limit_mb=2048 -timeout="$timeout" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" >"$log" 2>&1
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  cov=$(grep -E '^#[0-9]+.*(DONE|pulse|REDUCE|NEW)' "$log" | tail -1 | grep -o 'cov: [0-9]*')
  echo "fuzz_$t: ${seconds} s, ${runs:-?} runs, ${cov:-cov: ?}"
  if [ $rc -ne 0 ]; then
    echo "fuzz_$t failed (exit $rc); the end of $log:"
    tail -40 "$log"
    # The cause comes before a long stack and may be cut from the end: say it again last.
    grep -E "finding:|ERROR:|runtime error:|SUMMARY:" "$log" | head -5
    status=1
  fi
done
exit $status
