# The real-desktop tests' helpers: an X server and window manager of the test's own, the
# program started in it with a data folder of its own, keys and clicks sent as a user sends
# them, and checks on the window list, titles, sizes, screenshots and the files written.
# Sourced by each scenario script; `desktop_begin NAME TICKORA STATE_PAGES` comes first.
#
# Every step is named with `step`; a failed check prints the step, the reason and the path
# of a screenshot taken at that moment, and ends the script. Every process started here is
# ended on the way out, whatever the way.

set -u

desktop_begin() {
    TEST_NAME=$1
    TICKORA=$2
    STATE_PAGES=$3
    WORK="$PWD/desktop-$TEST_NAME"
    rm -rf "$WORK"
    mkdir -p "$WORK/data/Tickora"
    export XDG_DATA_HOME="$WORK/data"
    export XDG_CONFIG_HOME="$WORK/config" # openbox and Qt keep nothing of the user's
    export XDG_RUNTIME_DIR="$WORK/runtime"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset QT_QPA_PLATFORM SESSION_MANAGER
    DATA="$XDG_DATA_HOME/Tickora"
    STEP="start"
    XVFB_PID=""
    WM_PID=""
    APP_PID=""
    WATCHDOG_PID=""
    trap desktop_cleanup EXIT
    trap 'echo "FAILED at step \"$STEP\": stopped (time limit or signal)"; exit 1' INT TERM
    # Ends the script well within CTest's limit, so its processes are still ended here.
    (
        trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
        sleep "${DESKTOP_TIME_LIMIT:-240}" &
        sleeper=$!
        wait "$sleeper" && kill -TERM $$
    ) >/dev/null 2>&1 &
    WATCHDOG_PID=$!
    for tool in Xvfb openbox xdotool xwininfo import convert compare; do
        command -v "$tool" >/dev/null ||
            { echo "FAILED: $tool is missing (bash scripts/deps.sh installs it)"; exit 1; }
    done

    # The server picks a free display and writes its number to the pipe.
    local fifo="$WORK/displayfd"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local number=""
    read -r -t 20 number <"$fifo" || true
    [ -n "$number" ] || { echo "FAILED: Xvfb did not start (see $WORK/xvfb.log)"; exit 1; }
    export DISPLAY=":$number"
    # Under load openbox may fail to open a display that has only just started: it is
    # started again, and without a window manager the test does not go on.
    local attempt managed=""
    for attempt in 1 2 3; do
        openbox --sm-disable >>"$WORK/openbox.log" 2>&1 &
        WM_PID=$!
        for _ in $(seq 100); do
            if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
                managed=1
                break 2
            fi
            kill -0 "$WM_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$WM_PID" 2>/dev/null
        wait "$WM_PID" 2>/dev/null
        sleep "$attempt"
    done
    [ -n "$managed" ] || { echo "FAILED: openbox did not start (see $WORK/openbox.log)"; exit 1; }
    echo "== $TEST_NAME on display $DISPLAY, files in $WORK"
}

desktop_cleanup() {
    local pid
    for pid in $WATCHDOG_PID $APP_PID $WM_PID $XVFB_PID; do
        kill "$pid" 2>/dev/null
    done
    for pid in $APP_PID $WM_PID $XVFB_PID; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    done
    wait 2>/dev/null
}

step() {
    STEP=$*
    echo "-- $STEP"
}

shot() { # shot NAME: a screenshot of the whole screen; prints its path
    local path="$WORK/$1.png"
    import -window root "$path" 2>/dev/null
    echo "$path"
}

fail() {
    local path
    path=$(shot "failed")
    echo "FAILED at step \"$STEP\": $*"
    echo "screenshot: $path"
    if [ -n "$APP_PID" ] && ! kill -0 "$APP_PID" 2>/dev/null; then
        echo "the program is no longer running; its output: $WORK/tickora.log"
    fi
    echo "visible windows:"
    list_windows | sed 's/^/    /'
    exit 1
}

# Writes the settings file: beat rate (AUTO or bph), lift angle, averaging period, input.
write_settings() {
    printf '%s\n' "$1" "$2" "$3" 5 0.0 1/5.5 FALSE 5 FALSE FALSE \
        "Medium (400Hz - 12kHz)" "$4" 1 1 1 1 1 1 1 >"$DATA/Settings.ini"
}

start_program() {
    "$TICKORA" >>"$WORK/tickora.log" 2>&1 &
    APP_PID=$!
}

# Waits for the program to end by itself (after its window closed).
wait_program_end() {
    for _ in $(seq 100); do
        kill -0 "$APP_PID" 2>/dev/null || { wait "$APP_PID" 2>/dev/null; APP_PID=""; return 0; }
        sleep 0.1
    done
    fail "the program still runs 10 s after its window closed"
}

# The program's visible top-level windows: id, width x height, title.
list_windows() {
    [ -n "$APP_PID" ] || return 0
    local id
    for id in $(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null); do
        local geometry
        geometry=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
        echo "$id $geometry $(xdotool getwindowname "$id" 2>/dev/null)"
    done
}

# Visible windows whose title matches the extended regular expression exactly; the start-up
# picture (420x240, titled with the program's name) is left out.
windows_titled() {
    list_windows | awk -v re="^($1)\$" '$2 != "420x240" {
        id=$1; $1=""; $2=""; sub(/^  /, ""); if ($0 ~ re) print id }'
}

count_titled() { windows_titled "$1" | grep -c . ; }

# wait_file PATH [SECONDS]: true once the file is there and no longer growing.
wait_file() {
    local size="" last=-1
    for _ in $(seq $(( ${2:-10} * 10 ))); do
        if [ -f "$1" ]; then
            size=$(stat -c %s "$1")
            [ "$size" = "$last" ] && [ "$size" -gt 0 ] && return 0
            last=$size
        fi
        sleep 0.1
    done
    return 1
}

# Visible windows of the program of a size "WxH" (the start-up picture is 420x240).
count_sized() { list_windows | awk -v size="$1" '$2 == size' | grep -c . ; }

# True when the window is the topmost of the program's visible windows, as the window
# manager stacks them.
stacked_above() {
    local order="" top="" id
    # Under load the window manager may not have set the list yet: wait for it a little.
    for _ in $(seq 20); do
        order=$(xprop -root _NET_CLIENT_LIST_STACKING)
        [[ "$order" == *"#"* ]] && break
        sleep 0.1
    done
    [[ "$order" == *"#"* ]] || return 1
    order=$(sed 's/.*#//; s/,/ /g' <<<"$order")
    local mine
    mine=" $(list_windows | awk '{printf "%d ", $1}')"
    for id in $order; do
        [[ "$mine" == *" $((id)) "* ]] && top=$((id))
    done
    [ "$top" = "$1" ]
}

# wait_window TITLE-REGEX [SECONDS]: waits until such a window shows; prints its id.
wait_window() {
    local limit=$(( ${2:-10} * 10 ))
    for _ in $(seq "$limit"); do
        local id
        id=$(windows_titled "$1" | head -1)
        if [ -n "$id" ]; then
            sleep 0.3 # let it draw
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    fail "no window titled \"$1\" within ${2:-10} s"
}

# wait_gone TITLE-REGEX [SECONDS]
wait_gone() {
    local limit=$(( ${2:-10} * 10 ))
    for _ in $(seq "$limit"); do
        [ "$(count_titled "$1")" -eq 0 ] && return 0
        sleep 0.1
    done
    fail "the window titled \"$1\" is still there after ${2:-10} s"
}

# Visible windows of the program that are no ordinary titled window: the start-up picture.
count_untitled() { list_windows | awk 'NF == 2' | grep -c . ; }

# keys WINDOW KEY...: activates the window and types the keys into it.
keys() {
    local window=$1
    shift
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
    local key
    for key in "$@"; do
        xdotool key --clearmodifiers "$key"
        sleep 0.15
    done
}

type_text() { xdotool type --delay 30 "$1"; }

# The window's frame-less client geometry: "X Y W H".
geometry_of() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
        /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

# crop PICTURE X Y W H OUT: a part of a screenshot.
crop() { convert "$1" -crop "${4}x${5}+${2}+${3}" +repage "$6"; }

# Number of pixels in which two pictures of one size differ.
# A picture missing or of another size gives no count ("none"): neither the same nor different.
differing_pixels() {
    local out status
    out=$(compare -metric AE "$1" "$2" null: 2>&1)
    status=$?
    if [ "$status" -gt 1 ]; then
        echo "cannot compare $1 with $2: $out" >&2
        echo none
        return
    fi
    echo "$out" | awk '{print int($1)}'
}

# The main window's client area in a screenshot: "X Y".
main_origin() {
    local g
    g=$(geometry_of "$MAIN")
    echo "${g% * *}"
}

# crop_main PICTURE X Y W H OUT: a part of the main window's client area.
crop_main() {
    local origin
    origin=$(main_origin)
    crop "$1" $(( ${origin% *} + $2 )) $(( ${origin#* } + $3 )) "$4" "$5" "$6"
}

# Pixels of the main window's part X Y W H, as the user sees it now, that are COLOUR; with
# "not-" before the colour, those that are not.
#   count_pixels NAME X Y W H [not-]COLOUR
count_pixels() {
    local picture colour=${6#not-} fill=white
    [ "$colour" = "$6" ] || fill=black
    picture=$(shot "$1")
    crop_main "$picture" "$2" "$3" "$4" "$5" "$WORK/$1-part.png"
    convert "$WORK/$1-part.png" -fill "$fill" +opaque "$colour" -negate \
        -format "%[fx:int(mean*w*h+0.5)]" info:
}

# The parameters label, as the user sees it now: prints the crop's path.
parameters_label() {
    local picture
    picture=$(shot "$1-screen")
    crop_main "$picture" 668 24 248 24 "$WORK/$1.png"
    echo "$WORK/$1.png"
}

# True when the window's centre lies within 3 pixels of the main window's centre.
centred_on_main() {
    local a b
    read -r ax ay aw ah <<<"$(geometry_of "$1")"
    read -r bx by bw bh <<<"$(geometry_of "$MAIN")"
    a=$(( (2 * ax + aw) - (2 * bx + bw) ))
    b=$(( (2 * ay + ah) - (2 * by + bh) ))
    [ "${a#-}" -le 6 ] && [ "${b#-}" -le 6 ]
}

# choose_file_type DIALOG N: picks the Nth entry of a save dialog's type list with the keys.
choose_file_type() {
    local down
    keys "$1" Tab # from the name to the type list
    keys "$1" Home
    for ((down = 1; down < $2; down++)); do keys "$1" Down; done
    keys "$1" shift+Tab # back to the name
}

# within SECONDS COMMAND...: true as soon as the command is (tried every 0.2 s), so a check
# does not depend on how fast a loaded machine repaints.
within() {
    local limit=$(( $1 * 5 ))
    shift
    for _ in $(seq "$limit"); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}

# label_is NAME REFERENCE: the parameters label now looks exactly as in the reference crop.
label_is() { [ "$(differing_pixels "$(parameters_label "$1")" "$2")" -eq 0 ]; }
label_is_not() { [ "$(differing_pixels "$(parameters_label "$1")" "$2")" -gt 0 ]; }
title_is() { [ "$(xdotool getwindowname "$MAIN")" = "$1" ]; }

pages_on_disk() { "$STATE_PAGES" "$DATA"; }

# Closes the main window as the window manager's close button does.
close_main() {
    xdotool windowactivate --sync "$MAIN" >/dev/null 2>&1
    xdotool key --clearmodifiers alt+F4
    wait_program_end
}
