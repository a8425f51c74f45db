#!/usr/bin/env bash
# First starts that need the user at once: no audio device (this machine's default input does
# not open, or the settings name one that is gone), and a refused value in the settings file.
# Each must show its message once, in front, and carry on after one answer.
# Usage: startup_faults.sh TICKORA STATE-PAGES
source "$(dirname "$0")/lib.sh"
desktop_begin startup_faults "$1" "$2"

step "very first start, no settings file, no audio device: one error box, no other notice"
rm -f "$DATA/Settings.ini"
start_program
box=$(wait_window "Tickora" 15)
sleep 1.5
shot fresh-start-box >/dev/null
[ "$(count_titled Tickora)" -eq 1 ] || fail "$(count_titled Tickora) message boxes are open, not one"
keys "$box" Return
wait_gone "Tickora" 5
MAIN=$(wait_window "Tickora 1\.4" 5)
sleep 1
[ "$(count_titled Tickora)" -eq 0 ] || fail "another box opened after the first was answered"
close_main

step "first start without an audio device: one error box"
write_settings AUTO 52 20 "A card that was unplugged"
start_program
box=$(wait_window "Tickora" 15)
sleep 1.5 # the activation fallback and any re-activation have had their turn
[ "$(count_titled Tickora)" -eq 1 ] || fail "$(count_titled Tickora) message boxes are open, not one"

step "first start without an audio device: nothing covers the box"
MAIN=$(windows_titled "Tickora 1\.4")
crop_main "$(shot no-device-box)" 0 0 1016 55 "$WORK/strip-under-box.png"
crop_main "$WORK/no-device-box.png" 0 0 56 566 "$WORK/toolbar-under-box.png"
[ "$(count_sized 420x240)" -eq 0 ] || fail "the start-up picture still shows while the box waits"
stacked_above "$box" || fail "the box is not the topmost window"

step "first start without an audio device: one Enter answers it"
keys "$box" Return
wait_gone "Tickora" 5
MAIN=$(wait_window "Tickora 1\.4" 5)
sleep 1
[ "$(count_titled Tickora)" -eq 0 ] || fail "another box opened after the first was answered"
[ "$(geometry_of "$MAIN" | cut -d' ' -f3-)" = "1016 566" ] ||
    fail "the main window is $(geometry_of "$MAIN" | cut -d' ' -f3-), not 1016 566"
crop_main "$(shot no-device-answered)" 0 0 1016 55 "$WORK/strip-answered.png"
crop_main "$WORK/no-device-answered.png" 0 0 56 566 "$WORK/toolbar-answered.png"
same_picture() { [ "$(differing_pixels "$1" "$2")" -eq 0 ]; }
if ! same_picture "$WORK/toolbar-under-box.png" "$WORK/toolbar-answered.png" ||
    ! same_picture "$WORK/strip-under-box.png" "$WORK/strip-answered.png"; then
    fail "the window under the box was not laid out as it is after (see no-device-box.png)"
fi

step "without a device Space starts nothing"
keys "$MAIN" space
sleep 1
[ "$(count_titled 'Tickora|Settings')" -eq 0 ] || fail "Space opened a window without a device"
[ "$(xdotool getwindowname "$MAIN")" = "Tickora 1.4" ] || fail "the caption changed"
close_main

step "first start with a refused lift angle: one message"
write_settings AUTO abc 20 "Simulated watch 28800 bph"
start_program
box=$(wait_window "Tickora" 15)
sleep 1.5
[ "$(count_titled Tickora)" -eq 1 ] || fail "$(count_titled Tickora) message boxes are open, not one"
[ "$(count_sized 420x240)" -eq 0 ] || fail "the start-up picture still shows while the box waits"

step "first start with a refused lift angle: the settings dialog, once"
shot refused-value-box >/dev/null
keys "$box" Return
settings=$(wait_window "Settings" 5)
sleep 1
shot refused-value-settings >/dev/null
[ "$(count_titled Tickora)" -eq 0 ] || fail "the message showed again"
[ "$(count_titled Settings)" -eq 1 ] || fail "$(count_titled Settings) settings dialogs are open"
stacked_above "$settings" || fail "the settings dialog is not in front"

step "first start with a refused lift angle: a valid angle and OK"
keys "$settings" ctrl+a
type_text "48"
keys "$settings" Return
wait_gone "Settings" 5
sleep 1.5
[ "$(count_titled 'Tickora|Settings')" -eq 0 ] ||
    fail "a window opened again after the settings were answered"
MAIN=$(wait_window "Tickora 1\.4" 5)
[ "$(sed -n 2p "$DATA/Settings.ini" | tr -d "\r")" = "48" ] ||
    fail "Settings.ini does not hold the lift angle 48"

step "the simulated watch opened: the scope view runs"
keys "$MAIN" s
sleep 1
[ "$(count_titled Tickora)" -eq 0 ] || fail "the scope view brought a message box"
gain_strip() { # the gain bar and its label, right in the result strip
    crop_main "$(shot "$1-screen")" 760 0 256 55 "$WORK/$1.png"
    echo "$WORK/$1.png"
}
gain_is() { [ "$(differing_pixels "$(gain_strip "$1")" "$2")" -eq 0 ]; }
gain_is_not() { ! gain_is "$@"; }
at_start=$(gain_strip gain-start)

step "scope view: + raises the gain, Shift with − lowers it again"
keys "$MAIN" plus
within 5 gain_is_not gain-raised "$at_start" || fail "+ did not change the gain display"
keys "$MAIN" shift+minus
within 5 gain_is gain-lowered "$at_start" ||
    fail "Shift with − did not bring the gain back: $WORK/gain-lowered.png"
keys "$MAIN" Escape
close_main
echo "PASSED: desktop_startup_faults"
