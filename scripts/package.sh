#!/usr/bin/env bash
# Builds the Debian package build/package/tickora_<version>_<arch>.deb: a Release build
# installed under /usr, with its library dependencies found by dpkg-shlibdeps.
# Extra cmake arguments are passed on (scripts/test.sh adds -DTICKORA_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build=build/package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DTICKORA_TESTS=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/tickora_*.deb
