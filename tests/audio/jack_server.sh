#!/usr/bin/env bash
# Runs a test program beside a JACK dummy server of its own (48000 samples/s, under a name
# no other server on the machine uses), then stops the server and removes what it left.
# The program finds the server's process id in TICKORA_JACK_SERVER_PID.
#   jack_server.sh PROGRAM [ARGS...]
# Exit status 77 (a skip for CTest) when jackd is not installed.
set -uo pipefail
command -v jackd >/dev/null || { echo "jackd is not installed (scripts/deps.sh installs jackd2)"; exit 77; }
export JACK_NO_AUDIO_RESERVATION=1
export JACK_DEFAULT_SERVER="tickora-test-$$"
log=$(mktemp)
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 1024 >"$log" 2>&1 &
server=$!
cleanup() {
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    rm -f "$log" /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"_* /dev/shm/jack_"$JACK_DEFAULT_SERVER"_*
}
trap cleanup EXIT
# Ready once a client can list its ports.
for _ in $(seq 100); do
    jack_lsp >/dev/null 2>&1 && break
    kill -0 "$server" 2>/dev/null || { echo "jackd did not start:"; cat "$log"; exit 1; }
    sleep 0.1
done
TICKORA_JACK_SERVER_PID=$server "$@"
