# shellcheck shell=bash
# Shared by the tests that need a real X server: the virtual one of
# scripts/xserver.sh, and helpers; every process the test registers in
# `started` is ended when the test exits. Sourced, not run.

# shellcheck source=scripts/xserver.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xserver.sh"

started=()
cleanup() {
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
}
at_exit cleanup

Fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits up to $2 seconds for the command in the remaining arguments to succeed.
WaitFor() {
    local seconds=$1
    shift
    local tries=$((seconds * 20))
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.05
    done
}

# True once process $1 has ended (a zombie waiting for its parent counts).
Ended() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
    [ -z "$state" ] || [ "${state#Z}" != "$state" ]
}
