#!/bin/sh
# The manual page renders without warnings; `cmake --install` lays out the program, its manual
# page and its documents; the Debian package holds them, takes its version from the project, its
# Depends from dpkg-shlibdeps and its Architecture from the binary's, and lintian --pedantic finds
# no error or warning in it. Usage: package_test.sh BUILD [EMULATOR...]
# Where any tool it needs is missing (dpkg, as on a system that is not Debian's, or lintian), it
# names them and exits 77, which CTest reports as skipped.
set -eu
. "$(dirname "$0")/../tools/common.sh"
skip_unless "the Debian package is not checked (tools/install-deps package installs them)" \
    dpkg dpkg-deb dpkg-shlibdeps lintian groff file readelf
build=$(cd "$1" && pwd)
shift  # what is left runs a cross-built dehex: its emulator
work=$(mktemp -d)
at_exit 'rm -rf "$work"'

warnings=$(groff -man -ww -z "$build/man/dehex.1" 2>&1) || fail "groff failed"
[ -z "$warnings" ] || fail "groff warns: $warnings"

cmake --install "$build" --prefix "$work/prefix" > /dev/null
for f in bin/dehex share/man/man1/dehex.1.gz share/doc/dehex/copyright share/doc/dehex/changelog.gz; do
    [ -f "$work/prefix/$f" ] || fail "cmake --install left no $f"
done
[ "$(printf 41 | "$@" "$work/prefix/bin/dehex")" = A ] || fail "the installed dehex does not decode"

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" > cpack.log 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/dehex_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/dehex ./usr/share/man/man1/dehex.1.gz ./usr/share/doc/dehex/copyright \
         ./usr/share/doc/dehex/changelog.gz; do
    echo "$contents" | grep -q " $f\$" || fail "$deb lacks $f"
done
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = dehex ] || fail "package name"
[ "$(field Section)" = utils ] || fail "section"
field Maintainer | grep -q . || fail "no maintainer"
field Depends | grep -Eq '(^|, )libc6( |,|$)' || fail "Depends '$(field Depends)' does not name libc6"

dpkg-deb -x "$deb" "$work/root"
version=$(field Version)
zcat "$work/root/usr/share/man/man1/dehex.1.gz" | grep -q "^\.TH DEHEX 1 [0-9-]* \"dehex $version\"" ||
    fail "the manual page's header does not name version $version"
zcat "$work/root/usr/share/doc/dehex/changelog.gz" | head -n 1 | grep -q "^dehex ($version) " ||
    fail "the changelog's first entry is not version $version"

arches=$(package_arches deb "$work/root/usr/bin/dehex")
case " $arches " in
*" $(field Architecture) "*) ;;
*) fail "Architecture $(field Architecture) for a binary that packages name $arches" ;;
esac

lintian --pedantic --fail-on error,warning "$deb" > "$work/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$work/lintian.log")"
echo "ok: man page, install tree and $(basename "$deb") ($(field Architecture), Depends: $(field Depends))"
