#!/usr/bin/env bash
# Installs a Tickora Debian package into a fresh, empty root with dpkg --root and checks
# it as a Debian user would meet it: its dependencies resolve with apt, every file is
# where it belongs, the metadata validates, the man pages render, and the installed
# programs start, and Debian's own checker, lintian, finds no error or warning. Prints "N passed, M failed" and fails when any check fails.
#   bash packaging/check-package.sh build/package/tickora_1.4_amd64.deb
set -uo pipefail
deb=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
passed=0
failed=0
check() { # check "what" command...
    local what=$1
    shift
    if "$@" >"$root.log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
        sed 's/^/    /' "$root.log" | head -20
    fi
}

version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
check "the file is named tickora_<version>_<arch>.deb" \
    test "$(basename "$deb")" = "tickora_${version}_$(dpkg --print-architecture).deb"
check "the dependencies name the libraries and the fonts" \
    bash -c "grep -q 'libqt6widgets6' <<<'$depends' && grep -q 'libportaudio2' <<<'$depends' \
             && grep -q 'libsamplerate0' <<<'$depends' && grep -q 'fonts-liberation' <<<'$depends'"
# apt resolves every dependency on this system (a simulation: nothing is changed).
check "apt can install it with its dependencies" \
    apt-get install --simulate --no-install-recommends "$deb"

mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The root has no libraries: the dependencies are checked above, against this system.
check "dpkg installs it into an empty root" \
    dpkg --root="$root" --force-not-root --force-depends --log=/dev/null -i "$deb"
check "dpkg lists it as installed" \
    bash -c "dpkg --root='$root' -s tickora | grep -q '^Status: install ok installed'"

for path in usr/bin/tickora usr/bin/tickora-analyze usr/bin/tickora-synth \
    usr/share/tickora/Manual/index.html usr/share/applications/tickora.desktop \
    usr/share/icons/hicolor/48x48/apps/tickora.png usr/share/icons/hicolor/scalable/apps/tickora.svg \
    usr/share/metainfo/org.tickora.Tickora.metainfo.xml usr/share/doc/tickora/copyright \
    usr/share/man/man1/tickora.1.gz usr/share/man/man1/tickora-analyze.1.gz \
    usr/share/man/man1/tickora-synth.1.gz; do
    check "installs /$path" test -s "$root/$path"
done
check "nothing outside /usr" bash -c "cd '$root' && [ -z \"\$(ls | grep -v -e '^usr\$' -e '^var\$')\" ]"
check "the desktop entry starts the program by name" \
    grep -qx 'Exec=tickora' "$root/usr/share/applications/tickora.desktop"
if command -v desktop-file-validate >/dev/null; then
    check "the desktop entry validates" \
        desktop-file-validate "$root/usr/share/applications/tickora.desktop"
fi
check "appstreamcli accepts the AppStream metadata" \
    appstreamcli validate --no-net "$root/usr/share/metainfo/org.tickora.Tickora.metainfo.xml"
for page in tickora tickora-analyze tickora-synth; do
    check "man page $page renders without warnings" \
        bash -c "zcat '$root/usr/share/man/man1/$page.1.gz' | groff -man -ww -z -Tutf8 2>&1 | \
                 (! grep .) && zcat '$root/usr/share/man/man1/$page.1.gz' | grep -q '^.SH NAME'"
done
check "tickora-analyze --version runs" \
    bash -c "[ \"\$('$root/usr/bin/tickora-analyze' --version)\" = 'tickora-analyze $version' ]"
check "tickora-synth --version runs" \
    bash -c "[ \"\$('$root/usr/bin/tickora-synth' --version)\" = 'tickora-synth $version' ]"
# Without a display: the program answers these before it needs one.
check "tickora --version runs without a display" \
    bash -c "[ \"\$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= '$root/usr/bin/tickora' --version)\" = 'tickora $version' ]"
check "tickora --help runs without a display" \
    bash -c "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= '$root/usr/bin/tickora' --help | grep -q -- --version"
check "the copyright file and the AppStream metadata give the licence" \
    bash -c "grep -q '^License: GPL-3+' '$root/usr/share/doc/tickora/copyright' && \
             grep -q '<project_license>GPL-3.0-or-later</project_license>' \
                 '$root/usr/share/metainfo/org.tickora.Tickora.metainfo.xml'"
check "tickora-analyze --help runs" \
    bash -c "'$root/usr/bin/tickora-analyze' --help | grep -q -- --version"
check "tickora-analyze measures the demo watch" \
    bash -c "'$root/usr/bin/tickora-analyze' --demo | grep -q 28800"
check "the program finds all its libraries" \
    bash -c "! ldd '$root/usr/bin/tickora' | grep -q 'not found'"
check "the programs are stripped" \
    bash -c "! file '$root/usr/bin/tickora' | grep -q 'not stripped'"

# Errors and warnings fail the check; the pedantic and informational tags are shown.
if command -v lintian >/dev/null; then
    check "lintian finds no error or warning" lintian --fail-on error,warning "$deb"
    lintian --pedantic -I --fail-on none "$deb" | sed 's/^/    lintian: /'
else
    failed=$((failed + 1))
    echo "FAILED: lintian is not installed (scripts/deps.sh installs it)"
fi

echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB; Depends: $depends"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
