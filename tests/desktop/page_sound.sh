#!/usr/bin/env bash
# A page keeps its sound: a test on a simulated watch ended with Esc leaves 1.flac beside
# 1.png; tickora-analyze reads the page's own results from it; after a restart with another
# lift angle, G analyses the sound again into the amplitude that angle gives, with the same
# rate and beat error; a data folder the program may not write keeps a test running with one
# message.
# Usage: page_sound.sh TICKORA STATE-PAGES TICKORA-ANALYZE
source "$(dirname "$0")/lib.sh"
desktop_begin page_sound "$1" "$2"
ANALYZE=$3

# page_results: "rate amplitude beat-error sound" of page 1 as saved.
page_results() { "$STATE_PAGES" "$DATA" --results | awk '$1 == 1 {print $2, $3, $4, $5}'; }
# analysed LIFT: "rate amplitude beat-error" that tickora-analyze reads from 1.flac with the
# settings the test ran with.
analysed() {
    "$ANALYZE" --json --lift "$1" --period 20 --filter medium "$DATA/1.flac" |
        sed -E 's/.*"rate": ([^,]+), "amplitude": ([^,]+), "beat_error": ([^,]+),.*/\1 \2 \3/' |
        awk '{ printf "%.4f %.4f %.4f\n", $1, $2, $3 }'
}

step "a test on the simulated watch, ended with Esc: a page"
write_settings AUTO 52 20 "Simulated watch 28800 bph"
start_program
MAIN=$(wait_window "Tickora 1\.4" 15)
sleep 2.5 # past the start-up picture's time
keys "$MAIN" space
sleep 14 # five seconds of calibration, then beats
keys "$MAIN" Escape
within 5 title_is "Tickora 1.4" || fail "the caption is not the title after Esc"
close_main
[ -s "$DATA/1.png" ] || fail "no 1.png"
[ -s "$DATA/1.flac" ] || fail "no 1.flac beside 1.png: $(ls "$DATA")"
leftovers=$(cd "$DATA" && ls | grep -v -x -E '1\.png|1\.flac|State\.tkr|Settings\.ini')
[ -z "$leftovers" ] || fail "files left in the data folder: $leftovers"

step "tickora-analyze reads the page's own results from 1.flac"
read -r rate amplitude beat_error sound <<<"$(page_results)"
[ "$sound" = "$DATA/1.flac" ] || fail "the page's sound is \"$sound\""
from_file=$(analysed 52) || fail "tickora-analyze did not read 1.flac"
[ "$from_file" = "$rate $amplitude $beat_error" ] ||
    fail "1.flac reads \"$from_file\", the page says \"$rate $amplitude $beat_error\""

step "after a restart with lift angle 44, G analyses the page's sound again"
write_settings AUTO 44 20 "Simulated watch 28800 bph"
start_program
MAIN=$(wait_window "Tickora 1\.4" 15)
sleep 2.5
keys "$MAIN" g
sleep 3
[ "$(count_titled Tickora)" -eq 0 ] || fail "a message box opened"
close_main
read -r rate44 amplitude44 beat_error44 _ <<<"$(page_results)"
expected=$(analysed 44)
[ "$expected" = "$rate44 $amplitude44 $beat_error44" ] ||
    fail "analysed again: \"$rate44 $amplitude44 $beat_error44\", at 44 degrees: \"$expected\""
[ "$rate44 $beat_error44" = "$rate $beat_error" ] ||
    fail "the rate or beat error changed: $rate44 $beat_error44, was $rate $beat_error"
# A smaller lift angle reads a smaller amplitude: the angle was used.
awk -v a="$amplitude44" -v b="$amplitude" 'BEGIN { exit !(a < b - 20) }' ||
    fail "the amplitude at 44 degrees, $amplitude44, is not well below $amplitude"
pages=$(pages_on_disk) || fail "the state file does not read: $pages"
[ "$(echo "$pages" | awk '{print $2, $3, $4}')" = "28800 44 20" ] ||
    fail "the page's parameters are not the new ones: $pages"

step "a data folder the program may not write: the test runs on with one message"
# Run as an unprivileged user, for whom the folder (root's) is read-only.
chmod 755 "$WORK" "$WORK/data" "$DATA"
chmod 644 "$DATA"/*
TICKORA_USER_COMMAND=(setpriv --reuid=65534 --regid=65534 --clear-groups "$TICKORA")
"${TICKORA_USER_COMMAND[@]}" >>"$WORK/tickora.log" 2>&1 &
APP_PID=$!
MAIN=$(wait_window "Tickora 1\.4" 15)
sleep 2.5
keys "$MAIN" space
box=$(wait_window "Tickora" 10)
sleep 12 # the test goes on behind the message
[ "$(count_titled Tickora)" -eq 1 ] || fail "not one message: $(list_windows)"
shot read-only-message >/dev/null
keys "$box" Return
wait_gone "Tickora" 5
sleep 1
[ "$(count_titled Tickora)" -eq 0 ] || fail "a second message followed"
xdotool getwindowname "$MAIN" | grep -q "^Tickora 1\.4$" || fail "the title changed"
keys "$MAIN" Escape
sleep 1
picture=$(shot read-only-page)
crop_main "$picture" 56 55 960 511 "$WORK/read-only-plot.png"
dots=$(convert "$WORK/read-only-plot.png" -fill white +opaque black -negate \
    -format "%[fx:int(mean*w*h+0.5)]" info:)
[ "$dots" -ge 20 ] || fail "the test's trace has only $dots black pixels"
kill "$APP_PID" 2>/dev/null
wait "$APP_PID" 2>/dev/null
APP_PID=""
[ ! -e "$DATA/2.flac" ] || fail "a sound was written into the read-only folder"
echo "PASSED"
