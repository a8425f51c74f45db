#!/usr/bin/env bash
# Every option a program's --help names is described in its man page, and the analyser's
# man page gives the --beats header the program prints.
#   man_pages.sh MAN_DIR tickora=PATH tickora-analyze=PATH tickora-synth=PATH
set -uo pipefail
man_dir=$1
shift
failed=0
for pair in "$@"; do
    name=${pair%%=*}
    program=${pair#*=}
    page="$man_dir/$name.1"
    # The man page's text with groff's escaped hyphens made plain.
    text=$(sed 's/\\-/-/g' "$page")
    help=$("$program" --help) || { echo "FAILED: $name --help exits with $?"; failed=1; }
    options=$(grep -o -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u)
    [ -n "$options" ] || { echo "FAILED: $name --help names no option"; failed=1; }
    for option in $options; do
        if ! grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$text"; then
            echo "FAILED: $name --help offers $option; $page does not describe it"
            failed=1
        fi
    done
    if [ "$name" = tickora-analyze ]; then
        header=$("$program" --demo --seconds 11 --beats | head -1)
        if ! grep -qxF -- "$header" <<<"$text"; then
            echo "FAILED: $page does not give the --beats header $header"
            failed=1
        fi
    fi
done
[ "$failed" -eq 0 ] && echo "every option and column is in the man pages"
exit "$failed"
