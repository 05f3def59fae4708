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

# skip_unless WHAT TOOL...: where any TOOL is missing, names them in one line and exits 77, which
# CTest reports as skipped: WHAT cannot be checked here.
skip_unless() {
    what=$1
    shift
    missing=""
    for tool in "$@"; do
        command -v "$tool" > /dev/null || missing="$missing $tool"
    done
    [ -z "$missing" ] && return 0
    echo "SKIP: no${missing} on this system: $what"
    exit 77
}

# run_suite NAME BUILD EXPECTED [CTEST_ARGS...]: runs BUILD's tests that CTEST_ARGS select, and
# fails if no test ran or fewer than EXPECTED did. Prints one line with the counts.
run_suite() {
    name=$1 dir=$2 should=$3
    shift 3
    ctest --test-dir "$dir" --no-tests=error --output-on-failure -j2 -O "$dir/ctest-suite.log" "$@" ||
        { suite_counts "$name" "$dir/ctest-suite.log" "$should"; fail "$name: ctest failed"; }
    suite_counts "$name" "$dir/ctest-suite.log" "$should"
}

# logged LOG COMMAND...: runs COMMAND, its output shown and kept in LOG, and returns its status.
logged() {
    log=$1
    shift
    { status=0; "$@" 2>&1 || status=$?; echo "$status" > "$log.status"; } | tee "$log"
    status=$(cat "$log.status")
    rm -f "$log.status"
    return "$status"
}

# suite_size BUILD [CTEST_ARGS...]: how many tests BUILD's suite registers for that selection.
suite_size() {
    dir=$1
    shift
    ctest --test-dir "$dir" -N "$@" | sed -n 's/^Total Tests: //p'
}

# suite_counts NAME LOG SHOULD: from a ctest log, how many tests ran and were skipped; fails if
# none ran or fewer than SHOULD.
suite_counts() {
    ran=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$2" | tail -n 1)
    skipped=$(grep -c '\*\*\*Skipped' "$2" || true)
    echo "$1: ${ran:-0} tests ran of $3 expected, $skipped skipped"
    [ "${ran:-0}" -gt 0 ] || fail "$1: no test ran"
    [ "$ran" -ge "$3" ] || fail "$1: $ran tests ran, fewer than the $3 expected"
}

# gtest_counts NAME LOG PROGRAM: the same for a GoogleTest program run directly: how many of the
# tests that PROGRAM lists passed and were skipped in LOG, its output; fails unless all ran.
gtest_counts() {
    listed=$(gtest_listed "$3")
    passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests*\.$/\1/p' "$2")
    skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests*, listed below:$/\1/p' "$2")
    echo "$1: ${passed:-0} passed, ${skipped:-0} skipped, of $listed listed"
    [ "${passed:-0}" -gt 0 ] || fail "$1: no test passed"
    [ $((passed + ${skipped:-0})) -eq "$listed" ] || fail "$1: $((passed + ${skipped:-0})) of $listed tests ran"
}

# gtest_listed PROGRAM: how many tests a GoogleTest program lists.
gtest_listed() {
    "$1" --gtest_list_tests | grep -c '^  '
}

# decodes_known_cases COMMAND...: COMMAND, a dehex (after its emulator, if any), decodes each of
# a set of cases right, each its input (a printf format) and its output in hex.
decodes_known_cases() {
    while IFS='|' read -r input expected; do
        # shellcheck disable=SC2059 # the input is a printf format
        got=$(printf "$input" | "$@" | od -An -v -tx1 | tr -d ' \n')
        [ "$got" = "$expected" ] || fail "$*: '$input' gives '$got', not '$expected'"
    done << 'EOF'
cafe\n|cafe
414\r\n|411d
caf\n|ca
FF\n|76
zz\n|53
ca\0fe\n|ca
{}GG \060\n|fd8700
\377\200\177\001\n|40c1
\n\nab\n\ncd|abcd
EOF
}

# not_libc: of the RPM Requires on standard input, those that are not the C library's (its
# sonames, its loader's and its ELF hash style).
not_libc() {
    grep -Ev '^(libc\.so\.6|ld-linux[-a-z0-9_.]*\.so\.[0-9]+|rtld\(GNU_HASH\))([( ]|$)' || true
}
