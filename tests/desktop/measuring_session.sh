#!/usr/bin/env bash
# A watchmaker's session on a simulated watch: a first test through to a page, the settings
# dialog and the parameters label, both export formats, an annotation, the report, then a
# restart that restores the pages and a test that is paused, paged back and resumed.
# Usage: measuring_session.sh TICKORA STATE-PAGES
source "$(dirname "$0")/lib.sh"
desktop_begin measuring_session "$1" "$2"

# Black pixels in the plot area (the main window's client area below the result strip): the
# trace's dots; its lines and scales are grey.
plot_dots() { count_pixels "$1" 56 55 960 511 black; }

step "first start with the simulated watch: the window, no box"
write_settings AUTO 52 20 "Simulated watch 28800 bph"
start_program
MAIN=$(wait_window "Tickora 1\.4" 15)
sleep 2.5 # past the start-up picture's time
[ "$(count_titled Tickora)" -eq 0 ] || fail "a message box opened at start"
[ "$(count_sized 420x240)" -eq 0 ] || fail "the start-up picture did not close"
auto_label=$(parameters_label auto-label)

step "a first test: Space calibrates, then the trace runs"
keys "$MAIN" space
sleep 8 # five seconds of calibration, then beats
has_dots() { [ "$(plot_dots testing)" -ge 20 ]; }
within 5 has_dots || fail "the trace shows only $(plot_dots testing) black pixels after 13 s"
within 5 label_is_not tested-label "$auto_label" ||
    fail "the parameters label did not change to the detected rate"
tested_label="$WORK/tested-label.png"

step "Esc ends the test: its page"
keys "$MAIN" Escape
within 5 title_is "Tickora 1.4" || fail "the caption is not the title"

step "settings dialog: in front of the main window, also after a click on the main window"
keys "$MAIN" Tab
settings=$(wait_window "Settings" 5)
centred_on_main "$settings" || fail "the settings dialog is not centred on the main window"
read -r x y _ <<<"$(geometry_of "$MAIN")"
xdotool mousemove $((x + 500)) $((y + 300)) click 1
sleep 0.5
stacked_above "$settings" || fail "the main window came above the settings dialog"

step "settings dialog OK over the test's page: the label keeps the page's parameters"
keys "$settings" Return
wait_gone "Settings" 5
sleep 0.5 # the main window is active again
within 5 label_is settings-label "$tested_label" ||
    fail "the parameters label does not read the page's 28800bph 52° 20s: $WORK/settings-label.png"
sleep 1
label_is settings-label-later "$tested_label" ||
    fail "the parameters label changed again: $WORK/settings-label-later.png"

step "export as PNG: a bare name gets .png"
keys "$MAIN" f
save=$(wait_window "Save Image" 5)
type_text "$WORK/export-png"
keys "$save" Return
wait_gone "Save Image" 5
wait_file "$WORK/export-png.png" || fail "no export-png.png was written"
[ "$(identify -format %m "$WORK/export-png.png")" = PNG ] || fail "export-png.png is no PNG"
[ "$(identify -format %w "$WORK/export-png.png")" = 962 ] || fail "the picture is not 962 wide"

step "export as JPEG: the JPEG type chosen, a bare name gets .jpg"
keys "$MAIN" f
save=$(wait_window "Save Image" 5)
choose_file_type "$save" 2
type_text "$WORK/export-jpeg"
keys "$save" Return
wait_gone "Save Image" 5
wait_file "$WORK/export-jpeg.jpg" || fail "no export-jpeg.jpg was written; written: $(cd "$WORK" && echo export-*)"
[ "$(identify -format %m "$WORK/export-jpeg.jpg")" = JPEG ] || fail "export-jpeg.jpg is no JPEG"

step "annotation: the dialog centred on the main window, the position stored"
keys "$MAIN" a
annotation=$(wait_window "Edit Position Annotation" 5)
centred_on_main "$annotation" || fail "the annotation dialog is not centred on the main window"
type_text "Dial Up"
keys "$annotation" Return
wait_gone "Edit Position Annotation" 5

step "report: it opens centred and closes with Esc"
keys "$MAIN" r
report=$(wait_window "Performance Report" 5)
shot report >/dev/null
centred_on_main "$report" || fail "the report is not centred on the main window"
keys "$report" Escape
wait_gone "Performance Report" 5

step "close: the page is saved with the test's values and its position"
close_main
pages=$(pages_on_disk) || fail "the state file does not read: $pages"
[ "$(echo "$pages" | grep -c .)" -eq 1 ] || fail "expected one page on disk, found: $pages"
[ "$(echo "$pages" | cut -d' ' -f2-4,7-)" = "28800 52 20 Dial Up" ] ||
    fail "the page reads \"$pages\", not 28800 bph, 52°, 20 s, Dial Up"

step "restart: the saved page shows as it was"
write_settings AUTO 45 10 "Simulated watch 28800 bph"
start_program
MAIN=$(wait_window "Tickora 1\.4" 15)
sleep 2.5
[ "$(count_titled Tickora)" -eq 0 ] || fail "a message box opened at start"
plot_dots restored >/dev/null
convert "$WORK/restored-part.png" -crop 960x480+0+0 +repage "$WORK/restored-top.png"
convert "$DATA/1.png" -crop 960x480+0+0 +repage "$WORK/page-top.png"
[ "$(differing_pixels "$WORK/restored-top.png" "$WORK/page-top.png")" -eq 0 ] ||
    fail "the plot does not show the saved picture 1.png"
within 5 label_is restored-label "$tested_label" ||
    fail "the parameters label does not show the page's 28800bph 52° 20s"

step "a second test, paused"
keys "$MAIN" space
sleep 8
keys "$MAIN" space
within 5 title_is "Tickora 1.4 (PAUSED)" || fail "the caption has no (PAUSED)"
within 5 label_is_not paused-label "$tested_label" ||
    fail "the paused test's label does not show its own 45° 10s"
paused_label="$WORK/paused-label.png"

step "paused: page back to the first test's page"
keys "$MAIN" Left
within 5 label_is back-label "$tested_label" ||
    fail "page 1 does not show its own 28800bph 52° 20s"

step "resume: the paused test goes on with its own values"
keys "$MAIN" space
within 5 title_is "Tickora 1.4" || fail "the caption kept (PAUSED)"
within 5 label_is resumed-label "$paused_label" ||
    fail "the resumed test's label does not read as when it was paused"
sleep 4

step "the session ends under the running test: it is stopped and kept as at a close"
kill -TERM "$APP_PID"
wait_program_end
pages=$(pages_on_disk) || fail "the state file does not read: $pages"
newest=$(echo "$pages" | tail -1)
[ "$(echo "$newest" | cut -d' ' -f2-4)" = "28800 45 10" ] ||
    fail "the resumed test's page reads \"$newest\", not 28800 bph, 45°, 10 s"
echo "PASSED: desktop_measuring_session"
