#!/usr/bin/env bash
# A private JACK server on the dummy driver (no sound card needed), for the tests and the
# benchmark of the live MIDI port. Its name is given, and clients reach it by setting
# JACK_DEFAULT_SERVER to that name, so a desktop's own JACK server is never touched.
#
#   jack-server.sh start NAME DIR   starts it; its process id and log go to DIR
#   jack-server.sh stop DIR         stops the server started with DIR
#   jack-server.sh run NAME DIR -- COMMAND...   start, run COMMAND with JACK_DEFAULT_SERVER
#                                   set, stop; exits with COMMAND's status
#
# JACK_PERIOD sets the frames of one period at 48 kHz (default 256, 5.3 ms): the tests want
# a server that keeps up on a busy machine, the latency benchmark a short period.
# JACK_REALTIME=1 runs the server's cycle with real-time priority where the system allows it
# (as a studio's server runs), and without where it does not.
#
# Without jackd installed, start says so and succeeds: the tests then skip themselves.
set -uo pipefail

start() {
  local name=$1 dir=$2
  mkdir -p "$dir"
  if ! command -v jackd >/dev/null; then
    echo "jack-server.sh: jackd is not installed; the live MIDI tests will skip" >&2
    return 0
  fi
  stop "$dir"
  if [ "${JACK_REALTIME:-0}" = 1 ] && chrt -f 70 true 2>/dev/null &&
    launch "$name" "$dir" --realtime --realtime-priority 70; then
    return 0
  fi
  # Without real-time priority where the system (or the server) would not have it.
  if launch "$name" "$dir" --no-realtime; then return 0; fi
  echo "jack-server.sh: the JACK server '$name' did not start; see $dir/jackd.log" >&2
  tail -n 5 "$dir/jackd.log" >&2
  stop "$dir"
  return 1
}

# Starts jackd with the priority options given and waits until it answers.
launch() {
  local name=$1 dir=$2
  shift 2
  jackd "$@" -n "$name" -d dummy -r 48000 -p "${JACK_PERIOD:-256}" >"$dir/jackd.log" 2>&1 &
  echo $! >"$dir/jackd.pid"
  for _ in $(seq 100); do
    if JACK_DEFAULT_SERVER=$name JACK_NO_START_SERVER=1 jack_lsp >/dev/null 2>&1; then
      return 0
    fi
    if ! kill -0 "$(cat "$dir/jackd.pid")" 2>/dev/null; then break; fi
    sleep 0.1
  done
  stop "$dir"
  return 1
}

stop() {
  local dir=$1 pid
  [ -f "$dir/jackd.pid" ] || return 0
  pid=$(cat "$dir/jackd.pid")
  rm -f "$dir/jackd.pid"
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null
  return 0
}

case "${1:-}" in
  start) start "$2" "$3" ;;
  stop) stop "$2" ;;
  run)
    name=$2 dir=$3
    shift 4
    start "$name" "$dir" || exit 1
    JACK_DEFAULT_SERVER=$name "$@"
    status=$?
    stop "$dir"
    exit $status
    ;;
  *)
    echo "usage: jack-server.sh start NAME DIR | stop DIR | run NAME DIR -- COMMAND..." >&2
    exit 2
    ;;
esac
