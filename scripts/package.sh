#!/usr/bin/env bash
# Builds the Debian package build/package/tickora_<version>_<arch>.deb: a Release build
# installed under /usr, built with Debian's hardening flags, its library dependencies found
# by dpkg-shlibdeps.
# Extra cmake arguments are passed on (scripts/test.sh adds -DTICKORA_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build=build/package
# Debian's hardening flags, all of them (bind-now too): fortified string functions, stack
# protector, read-only relocations.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DTICKORA_TESTS=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/tickora_*.deb
