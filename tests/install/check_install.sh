#!/usr/bin/env bash
# Installs the build tree into a temporary DESTDIR and checks that every
# program, help file and manual page lands where it belongs.
set -euo pipefail
build=$1 prefix=$2 helpdir=$3
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR=$dest cmake --install "$build" >/dev/null

missing=0
expect() {
    if [ ! -e "$dest$1" ]; then
        echo "missing: $1"
        missing=1
    fi
}
for p in amberpane cobaltpane indigopane scanhost; do
    expect "$prefix/bin/$p"
    [ -x "$dest$prefix/bin/$p" ] || { echo "not executable: $prefix/bin/$p"; missing=1; }
    expect "$prefix/share/man/man1/$p.1"
    man --warnings -l "$dest$prefix/share/man/man1/$p.1" >/dev/null 2>"$dest/man.err" || missing=1
    if [ -s "$dest/man.err" ]; then cat "$dest/man.err"; missing=1; fi
done
for p in amberpane cobaltpane indigopane; do
    expect "$helpdir/$p/$p.hlp"
done
exit $missing
