# Shared by the tests that need a real X server: starts a virtual one on the
# display number given, and ends it and every process the test registered
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

StartXServer() {
    export DISPLAY=":$1"
    unset WAYLAND_DISPLAY XDG_SESSION_TYPE QT_QPA_PLATFORM
    Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
    started+=($!)
    WaitFor 10 xdotool getdisplaygeometry || Fail "Xvfb did not start on $DISPLAY"
}
