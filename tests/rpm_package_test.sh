#!/bin/sh
# The RPM package, as cpack makes it from the build: its files (the licence marked as such), its
# version, release and changelog, its Requires (the C library's only, as rpm finds them, or in a
# sanitized build what dehex links), no scripts, its architecture the binary's, and nothing from
# rpmlint but what package/rpmlint.toml explains. A native build's package is then installed with
# rpm into a scratch root, run there on known cases, its manual page read, verified, and removed,
# leaving the root as it was.
# Usage: rpm_package_test.sh BUILD [EMULATOR...]
# Where any tool it needs is missing (rpm, or rpmbuild and rpmlint, which Fedora and openSUSE
# install apart from it), it names them and exits 77, which CTest reports as skipped.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/common.sh"
skip_unless "the RPM package is not checked (tools/install-deps package installs them)" \
    rpm rpmbuild rpm2archive rpmlint groff readelf
build=$(cd "$1" && pwd)
shift  # what is left runs a cross-built dehex: its emulator
work=$(mktemp -d)
at_exit 'rm -rf "$work"'
# The Requires that may not be there: all but the C library's, and in a build with the sanitizers,
# whose runtimes need the C++ library and libm, all but those of the libraries the binary links.
sanitized=$(sed -n 's/^DEHEX_SANITIZE:BOOL=//p' "$build/CMakeCache.txt")
linked=$(readelf -d "$build/dehex" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p')
not_allowed() {
    not_libc | while IFS= read -r required; do
        [ "$sanitized" = ON ] && echo "$linked" | grep -qxF "${required%%(*}" && continue
        echo "$required"
    done
}
# Debian's rpm says on standard error, at each install, that alien is the way: not this test's.
rpm() { command rpm "$@" 2> "$work/rpm.err" || { cat "$work/rpm.err" >&2; return 1; }; }

(cd "$work" && cpack -G RPM --config "$build/CPackConfig.cmake" > cpack.log 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
pkg=$(ls "$work"/dehex-*.rpm)
tag() { rpm -qp --qf "%{$1}" "$pkg"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(tag NAME)-$(tag VERSION)" = "dehex-$version" ] || fail "$(tag NAME)-$(tag VERSION) is not dehex-$version"
[ "$(basename "$pkg")" = "dehex-$version-$(tag RELEASE).$(tag ARCH).rpm" ] || fail "file name $(basename "$pkg")"
for t in SUMMARY DESCRIPTION LICENSE URL PACKAGER; do
    case $(tag $t) in "" | "(none)") fail "no $t" ;; esac
done
rpm -qp --changelog "$pkg" | head -n 1 | grep -q " - $version-$(tag RELEASE)\$" ||
    fail "the changelog's first entry is not $version-$(tag RELEASE)"
[ "$(tag BUILDHOST)" = reproducible ] || fail "build host $(tag BUILDHOST) in the package"

# Every file, and which are documents and licences; /usr/lib/.build-id is rpm's, named for the binary.
files=$(rpm -qpl "$pkg" | grep -v '^/usr/lib/\.build-id')
expected="/usr/bin/dehex
/usr/share/doc/dehex
/usr/share/doc/dehex/LICENSE
/usr/share/doc/dehex/README.md
/usr/share/man/man1/dehex.1.gz"
[ "$files" = "$expected" ] || fail "files: $files"
[ "$(rpm -qpL "$pkg")" = /usr/share/doc/dehex/LICENSE ] || fail "licence files: $(rpm -qpL "$pkg")"
rpm -qpd "$pkg" | grep -qx /usr/share/man/man1/dehex.1.gz || fail "the manual page is no document"
[ -z "$(rpm -qp --scripts "$pkg")" ] || fail "scripts: $(rpm -qp --scripts "$pkg")"
# The C library's sonames, its loader's and its ELF hash style: nothing else, and libc.so.6 at least.
requires=$(rpm -qp --requires "$pkg" | grep -v '^rpmlib(')
others=$(echo "$requires" | not_allowed)
[ -z "$others" ] || fail "Requires other than the C library's (or, sanitized, than what dehex links): $others"
echo "$requires" | grep -q '^libc\.so\.6' || fail "Requires names no libc.so.6: $requires"

mkdir "$work/payload"
rpm2archive - < "$pkg" | tar -xzf - -C "$work/payload"
arches=$(package_arches rpm "$work/payload/usr/bin/dehex")
case " $arches " in
*" $(tag ARCH) "*) ;;
*) fail "architecture $(tag ARCH) for a binary that packages name $arches" ;;
esac
zcat "$work/payload/usr/share/man/man1/dehex.1.gz" | grep -q "^\.TH DEHEX 1 [0-9-]* \"dehex $version\"" ||
    fail "the manual page's header does not name version $version"

rpmlint -c "$top/package/rpmlint.toml" "$pkg" > "$work/rpmlint.log" 2>&1 || fail "rpmlint: $(cat "$work/rpmlint.log")"
findings=$(grep ': [EW]: ' "$work/rpmlint.log" || true)
# The sanitizers' runtime, linked into a sanitized dehex, looks up host names for its reports.
[ "$sanitized" != ON ] || findings=$(echo "$findings" | grep -v ': W: binary-or-shlib-calls-gethostbyname ' || true)
[ -z "$findings" ] || fail "rpmlint: $(cat "$work/rpmlint.log")"

if [ $# -gt 0 ]; then
    echo "ok: $(basename "$pkg") ($(tag ARCH)); not installed: a cross build's package is not for this machine"
    exit 0
fi

# Installed as a user would, into a scratch root with the folders a system has. Its rpm database
# has no glibc, so the install is told --nodeps, once the test install has shown that the C
# library's are the only Requires missing.
root=$work/root
mkdir -p "$root/usr/bin" "$root/usr/lib" "$root/usr/share/man/man1" "$root/usr/share/doc"
inroot() { rpm --root "$root" --dbpath /var/lib/rpm "$@"; }
inroot --initdb
before=$(cd "$root" && find . | sort)
unmet=$(inroot -i --test "$pkg" 2>&1 | sed -n 's/^[[:space:]]*\(.*\) is needed by .*/\1/p')
[ -n "$unmet" ] || fail "installed into an empty root, with no C library: rpm found no Requires"
others=$(echo "$unmet" | not_allowed)
[ -z "$others" ] || fail "unmet Requires other than the C library's: $others"
inroot -i --nodeps "$pkg"
inroot -V --nodeps dehex || fail "rpm -V: the installed files differ from the package's"

decodes_known_cases "$root/usr/bin/dehex"
man=$(inroot -qd dehex | grep '/man1/dehex\.1\.gz$') || fail "no manual page among the installed documents"
zcat "$root$man" | groff -man -Tutf8 -P-cbou 2> /dev/null | grep -q "^NAME" || fail "the installed manual page does not render"
[ "$(inroot -qL dehex)" = /usr/share/doc/dehex/LICENSE ] || fail "the installed licence: $(inroot -qL dehex)"

inroot -e dehex
after=$(cd "$root" && find . | sort)
[ "$after" = "$before" ] || fail "left behind after rpm -e: $(echo "$after" | grep -vxF "$before")"
echo "ok: $(basename "$pkg") ($(tag ARCH), Requires: $(echo "$requires" | tr '\n' ' ')), installed, run and removed"
