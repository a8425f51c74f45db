#!/usr/bin/env bash
# Takes the manual's pictures from the real program on its simulated watches:
#     bash docs/screenshots.sh [BUILD_DIR]      (default: build)
# Runs the screenshot tour three times side by side (about two and a half minutes), each in
# a scratch data folder whose settings choose the watch: the 28800 bph watch as it comes,
# the 21600 bph watch, and the 28800 bph watch with raw sounds plotted. The settings dialog
# comes from its own picture tool, the position sequence and the sound card clock assistant
# from theirs. The pictures of the annotation dialog and the report are
# made with those dialogs and are not touched here. Uses pngquant and optipng, when at hand,
# for smaller files.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tour="$build/app/tickora-screenshot-tour"
shot="$build/tests/settings/settings_form_shot"
sequence="$build/tests/app/sequence_shots"
for program in "$tour" "$shot" "$sequence"; do
    [ -x "$program" ] || { echo "missing $program: build with -DTICKORA_TESTS=ON first" >&2; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen

# One settings file per run: device on line 12, plot raw on line 9.
settings() { # device plotraw
    printf '%s\r\n' AUTO 52 20 10 0 1 FALSE 5 "$2" FALSE "" "$1" \
        " 1.00000000000000E+0000" 1 1 1 1 1 1
}
run() { # name device plotraw
    mkdir -p "$scratch/$1/data/Tickora" "$scratch/$1/out"
    settings "$2" "$3" >"$scratch/$1/data/Tickora/Settings.ini"
    XDG_DATA_HOME="$scratch/$1/data" "$tour" "$scratch/$1/out" >"$scratch/$1/log" 2>&1
}
run w28800 "Simulated watch 28800 bph" FALSE &
run w21600 "Simulated watch 21600 bph" FALSE &
run raw "Simulated watch 28800 bph" TRUE &
# The position sequence and the sound card clock assistant (about a minute and a half).
mkdir -p "$scratch/sequence"
"$sequence" "$scratch/sequence" >"$scratch/sequence.log" 2>&1 &
wait

images=docs/images
mkdir -p "$images"
cp "$scratch/w28800/out/01-startup.png" "$images/startup.png"
cp "$scratch/w28800/out/02-idle.png" "$images/main-window.png"
cp "$scratch/w28800/out/03-calibration.png" "$images/calibration.png"
cp "$scratch/w28800/out/04-test-one-minute.png" "$images/trace-28800.png"
cp "$scratch/w21600/out/04-test-one-minute.png" "$images/trace-21600.png"
cp "$scratch/raw/out/04-test-one-minute.png" "$images/raw-sound.png"
cp "$scratch/w21600/out/05-scope.png" "$images/scope.png"
cp "$scratch/w28800/out/06-manual-level.png" "$images/manual-level.png"
cp "$scratch/w28800/out/10-long-term.png" "$images/long-term.png"
cp "$scratch/w28800/out/07-export-test.png" "$images/exported-page.png"
"$shot" "$images/settings-dialog.png" >/dev/null
for picture in sequence-dialog sequence-prompt card-clock; do
    cp "$scratch/sequence/$picture.png" "$images/$picture.png"
done
# The raw-sound raster is all fine shades: fewer colours keep it small.
if command -v pngquant >/dev/null; then
    pngquant --force --skip-if-larger --quality 70-90 --ext .png "$images/raw-sound.png" || true
fi
if command -v optipng >/dev/null; then
    optipng -quiet -o2 -strip all "$images"/{startup,main-window,calibration,trace-28800,trace-21600,raw-sound,scope,manual-level,long-term,exported-page,settings-dialog,sequence-dialog,sequence-prompt,card-clock}.png
fi
ls -l "$images"
