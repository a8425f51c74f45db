#!/usr/bin/env bash
# Runs a test program beside a PulseAudio server of its own: a private session bus and
# runtime folder, a null sink "Tickora test watch" whose monitor carries a synthesised watch
# played into it in a loop. The program restarts the server by running the command in
# TICKORA_PULSE_RESTART; everything started here is stopped at the end, also on failure.
#   pulse_server.sh SYNTH PROGRAM [ARGS...]     SYNTH: the tickora-synth program
# Exit status 77 (a skip for CTest) when pulseaudio or paplay is not installed.
set -uo pipefail
if [ "${1:-}" = restart ]; then
    # Inside the session: the server goes away under its clients and comes back.
    dir=$2
    kill -KILL "$(cat "$dir/server.pid")" "$(cat "$dir/player.pid")" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$(cat "$dir/server.pid")" 2>/dev/null || break; sleep 0.1; done
    exec bash "$0" serve "$dir"
fi
if [ "${1:-}" = serve ]; then
    dir=$2
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
        -L module-native-protocol-unix \
        -L "module-null-sink sink_name=tickora_test sink_properties=\"device.description='Tickora test watch'\"" \
        >>"$dir/server.log" 2>&1 &
    echo $! >"$dir/server.pid"
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        kill -0 "$(cat "$dir/server.pid")" 2>/dev/null || { echo "pulseaudio did not start:"; cat "$dir/server.log"; exit 1; }
        sleep 0.1
    done
    # paplay ends with the server; a loop keeps the watch going while it lives.
    (while paplay --device=tickora_test "$dir/watch.wav" 2>/dev/null; do :; done) &
    echo $! >"$dir/player.pid"
    exit 0
fi
if [ "${1:-}" = session ]; then
    shift
    dir=$1
    shift
    stop() {
        kill -KILL "$(cat "$dir/player.pid" 2>/dev/null)" 2>/dev/null
        pactl exit >/dev/null 2>&1 || kill "$(cat "$dir/server.pid" 2>/dev/null)" 2>/dev/null
        sleep 0.2
        kill -KILL "$(cat "$dir/server.pid" 2>/dev/null)" 2>/dev/null
    }
    trap stop EXIT
    bash "$0" serve "$dir" || exit 1
    TICKORA_PULSE_RESTART="bash $0 restart $dir" "$@"
    exit $?
fi

command -v pulseaudio >/dev/null && command -v paplay >/dev/null ||
    { echo "pulseaudio or paplay is not installed (scripts/deps.sh installs them)"; exit 77; }
command -v dbus-run-session >/dev/null || { echo "dbus-run-session is not installed"; exit 77; }
synth=$1
shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$synth" --preset 28800 --seconds 60 "$dir/watch.wav" >/dev/null || exit 1
mkdir -p "$dir/runtime" "$dir/home"
chmod 700 "$dir/runtime"
# A private runtime folder and home: the server and its clients meet no other server, and
# its cookie and state go nowhere else.
env -u PULSE_SERVER XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir/home" \
    dbus-run-session -- bash "$0" session "$dir" "$@" 2> >(grep -v 'fd limit' >&2)
