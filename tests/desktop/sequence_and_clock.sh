#!/usr/bin/env bash
# A watchmaker's session with the clock assistant and the position sequence on a simulated
# watch, averaged over 60 s: Enter takes the assistant's reading while it measures; the
# sequence's first prompt stands over a cleared result strip, and a position whose trace
# fills the screen before its reading settles still makes exactly one page.
# Usage: sequence_and_clock.sh TICKORA STATE-PAGES
source "$(dirname "$0")/lib.sh"
desktop_begin sequence_and_clock "$1" "$2"

# Pixels of the three result labels that are not white: their red or green texts.
result_ink() { count_pixels "$1" 168 24 386 24 not-white; }

step "first start with the simulated watch"
write_settings AUTO 52 60 "Simulated watch 28800 bph"
start_program
MAIN=$(wait_window "Tickora 1\.4" 15)
sleep 2.5 # past the start-up picture's time

step "clock assistant: Enter starts it, and Enter while it measures takes its reading"
keys "$MAIN" Tab
settings=$(wait_window "Settings" 5)
keys "$settings" alt+s
assistant=$(wait_window "Sound Card Clock" 5)
keys "$assistant" Return
sleep 8 # a reading needs five seconds
keys "$assistant" Return
assistant_gone() { [ "$(count_titled "Sound Card Clock")" -eq 0 ]; }
within 3 assistant_gone || fail "Enter did not take the reading and close the assistant"
keys "$settings" Escape
wait_gone "Settings" 5

step "a first test, kept as a page: its results stay on the strip"
keys "$MAIN" space
sleep 9
keys "$MAIN" Escape
has_results() { [ "$(result_ink with-results)" -gt 50 ]; }
within 5 has_results || fail "no results on the strip after the first test"

step "the sequence's first prompt stands over a cleared result strip"
keys "$MAIN" q
dialog=$(wait_window "Position Sequence" 5)
keys "$dialog" alt+d alt+w alt+o alt+l alt+r # Dial Up alone
keys "$dialog" Return
wait_gone "Position Sequence" 5
within 5 title_is "Tickora 1.4 - Dial Up (1/1)" || fail "no Dial Up prompt in the title"
cleared() { [ "$(result_ink first-prompt)" -eq 0 ]; }
within 5 cleared || fail "the first prompt stands over the last test's results"

step "Dial Up, 60 s averaging: the trace fills its screen, the report opens after the page"
keys "$MAIN" space
report=$(wait_window "Performance Report" 110)
shot report >/dev/null
keys "$report" Escape
wait_gone "Performance Report" 5

step "close: the first test's page and one Dial Up page, nothing more"
close_main
pages=$(pages_on_disk) || fail "the state file does not read: $pages"
[ "$(echo "$pages" | grep -c .)" -eq 2 ] || fail "expected two pages on disk, found: $pages"
[ "$(echo "$pages" | tail -1 | cut -d' ' -f2-)" = "28800 52 60 1 0 Dial Up" ] ||
    fail "the sequence's page reads \"$(echo "$pages" | tail -1)\", not a settled Dial Up"
echo "PASSED: desktop_sequence_and_clock"
