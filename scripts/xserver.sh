# shellcheck shell=bash
# Sourced by the scripts and tests that run programs on a virtual X server,
# so that the programs neither show on the user's screen nor touch their
# clipboard: start_xserver starts one and sets DISPLAY, and at_exit ends it
# with the shell that sourced this file. Once at_exit has been called, add
# further exit work with at_exit too: a later `trap ... EXIT` would replace it.

# Sourced twice, the actions already added stay.
declare -p exit_actions >/dev/null 2>&1 || exit_actions=()

# Runs the command in the arguments when the shell exits; the last added
# runs first. An EXIT trap set before the first call runs last.
at_exit() {
    if [ ${#exit_actions[@]} -eq 0 ]; then
        local previous
        previous=$(trap -p EXIT)
        if [ -n "$previous" ]; then
            # `trap -p` prints the command quoted for the shell to read back.
            eval "set -- $previous \"\$@\""
            exit_actions+=("$3")
            shift 4
        fi
        trap run_exit_actions EXIT
    fi
    exit_actions+=("$(printf '%q ' "$@")")
}

run_exit_actions() {
    local i
    for ((i = ${#exit_actions[@]} - 1; i >= 0; i--)); do
        eval "${exit_actions[i]}" 2>/dev/null || true
    done
}

# Starts Xvfb on a display nobody else uses, with a screen of $1 (1600x1000
# unless given): Xvfb picks the display and writes its number once it
# accepts connections. Toolkits that would rather talk to a Wayland
# compositor are sent to it too.
# shellcheck disable=SC2120
start_xserver() {
    local size=${1:-1600x1000} number server
    unset WAYLAND_DISPLAY XDG_SESSION_TYPE QT_QPA_PLATFORM
    number=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    server=$!
    at_exit kill "$server"
    for _ in $(seq 100); do
        [ -s "$number" ] && break
        kill -0 "$server" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$number" ]; then
        rm -f "$number"
        echo "Xvfb did not start" >&2
        return 1
    fi
    DISPLAY=":$(head -n 1 "$number")"
    export DISPLAY
    rm -f "$number"
}
