#!/bin/sh
# The manual page renders without warnings, `cmake --install` lays out bin/ and share/man/, and
# the Debian package holds /usr/bin/dehex and its manual page.
# Usage: package_test.sh SRC BUILD [EMULATOR...]
set -eu
src=$1
build=$2
shift 2  # what is left runs a cross-built dehex: its emulator
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

warnings=$(groff -man -ww -z "$src/man/dehex.1" 2>&1) || fail "groff failed"
[ -z "$warnings" ] || fail "groff warns: $warnings"

cmake --install "$build" --prefix "$work/prefix" > /dev/null
for f in bin/dehex share/man/man1/dehex.1; do
    [ -f "$work/prefix/$f" ] || fail "cmake --install left no $f"
done
[ "$(printf 41 | "$@" "$work/prefix/bin/dehex")" = A ] || fail "the installed dehex does not decode"

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" > cpack.log) || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/dehex_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/dehex ./usr/share/man/man1/dehex.1; do
    echo "$contents" | grep -q " $f\$" || fail "$deb lacks $f"
done
[ "$(dpkg-deb -f "$deb" Package)" = dehex ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "section"
dpkg-deb -f "$deb" Maintainer | grep -q . || fail "no maintainer"
echo "ok: man page, install tree and $(basename "$deb")"
