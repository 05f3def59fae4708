# The helpers that this project's shell scripts share; each sources it: . "$top/tools/common.sh"

# A heading in a long log.
step() { printf '\n=== %s\n' "$*"; }

# One line on standard error, named for the script.
say() { printf '%s: %s\n' "${0##*/}" "$*" >&2; }

# Says so, and ends the script with status 1.
fail() {
    say "$*"
    exit 1
}

# Runs the commands in $1 however the script ends: at its end, by exit, or by HUP, INT or TERM
# (an EXIT trap alone runs under dash on none of those signals). Once the end has begun, signals
# are ignored, so that a second one cannot stop the clean-up half-way.
at_exit() {
    # shellcheck disable=SC2064 # the commands are fixed now
    trap "trap '' HUP INT TERM; $1" EXIT
    trap "trap '' HUP INT TERM; exit 129" HUP
    trap "trap '' HUP INT TERM; exit 130" INT
    trap "trap '' HUP INT TERM; exit 143" TERM
}

# package_arches deb|rpm BINARY: the architecture names that a package of that kind may give the
# ELF machine of BINARY, one line, space-separated.
package_arches() {
    machine=$(readelf -h "$2" | sed -n 's/^ *Machine: *//p')
    case $machine in
    *X86-64) deb=amd64 rpm=x86_64 ;;
    "Intel 80386") deb=i386 rpm="i686 i586 i386" ;;
    AArch64) deb=arm64 rpm=aarch64 ;;
    ARM) deb="armhf armel" rpm="armv7hl armv5tel" ;;
    RISC-V) deb=riscv64 rpm=riscv64 ;;
    PowerPC64) deb="ppc64el ppc64" rpm="ppc64le ppc64" ;;
    "IBM S/390") deb=s390x rpm=s390x ;;
    *) fail "no package architecture known for ELF machine '$machine'" ;;
    esac
    if [ "$1" = deb ]; then echo "$deb"; else echo "$rpm"; fi
}
