#!/usr/bin/env bash
# The window as a user meets it, under a virtual X server with no clipboard
# manager: the window is the one its desktop entry names, Convert, type the
# file's path in the real dialog and press Enter (with the name completer's
# list open), one click on Close; the table must still be on the clipboard
# after the program has ended, until another program takes the clipboard.
# The programs' paths may be relative.
#   tests/x11/window.sh BMP2CDATA_GUI BMP2CDATA SAMPLE_BMP
set -euo pipefail
# shellcheck source=tests/x11/common.sh
source "$(dirname "$0")/common.sh"
gui=$(realpath "$1") cli=$2 sample=$(realpath "$3")
entry="$(dirname "$0")/../../app/bmp2cdata.desktop"
start_xserver
caption="Tavrel 24-bit BMP to Cdata Converter"
table=$("$cli" "$sample")
# Leaks of system libraries are not the program's (in the sanitized build).
LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/leaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS

"$gui" 2>"${GUI_ERRORS:-/dev/null}" &
program=$!
started+=("$program")
window=$(timeout 20 xdotool search --sync --name "$caption" | head -1)
# Docks match the window to its desktop entry by its class.
class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*", "\(.*\)"$/\1/p')
grep -qxF "StartupWMClass=$class" "$entry" || Fail "the desktop entry does not name the window's class \"$class\""
xdotool mousemove --window "$window" 828 420 click 1   # Convert
timeout 20 xdotool search --sync --name "^Open" >/dev/null || Fail "the dialog did not open"
xdotool type --delay 5 "$sample"
sleep 0.5   # the completer's list opens
xdotool key Return
WaitFor 20 test "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = "$table" ||
    Fail "the table did not reach the clipboard"

xdotool mousemove --window "$window" 732 420 click 1   # Close
WaitFor 10 Ended "$program" || Fail "one click on Close did not end the program"
wait "$program" || Fail "the program ended with status $?"
[ "$(timeout 5 xclip -o -selection clipboard)" = "$table" ] || Fail "the table left the clipboard with the program"

# The keeper of this display: the keeper test may run one of its own.
keeper=""
for pid in $(pgrep -x -f "$(dirname "$gui")/bmp2cdata-clipboard"); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "DISPLAY=$DISPLAY"; then
        keeper=$pid
    fi
done
[ -n "$keeper" ] || Fail "no process keeps the clipboard"
started+=("$keeper")
echo other | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
started+=($!)
WaitFor 1 Ended "$keeper" || Fail "the keeper still runs a second after losing the clipboard"
