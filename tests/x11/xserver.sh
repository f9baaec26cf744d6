# Shared by the tests that need a real X server: starts a virtual one on a
# free display, and ends it and every process the test registered
# when the test exits. Sourced, not run.

started=()
cleanup() {
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT

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

# Starts a virtual X server on a display nobody else uses (Xvfb picks it and
# writes its number once it accepts connections) and sets DISPLAY.
StartXServer() {
    unset WAYLAND_DISPLAY XDG_SESSION_TYPE QT_QPA_PLATFORM
    local number
    number=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    started+=($!)
    WaitFor 10 test -s "$number" || Fail "Xvfb did not start"
    export DISPLAY=":$(head -n 1 "$number")"
    rm -f "$number"
}
