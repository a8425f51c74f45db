#!/usr/bin/env bash
# Installs the Debian packages Tickora builds and runs with, when any is missing.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev portaudio19-dev libpng-dev libjpeg62-turbo-dev
          libsndfile1-dev libsamplerate0-dev libgtest-dev libgmock-dev libbenchmark-dev
          fonts-liberation fonts-croscore fontconfig xvfb xauth clang libclang-rt-14-dev
          desktop-file-utils openbox xdotool x11-utils imagemagick appstream dpkg-dev file
          groff-base gzip ccache lintian jackd2 libpulse-dev pulseaudio pulseaudio-utils
          dbus)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
