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
