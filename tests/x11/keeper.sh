#!/usr/bin/env bash
# The clipboard keeper under a virtual X server: it refuses a text that came
# cut short, serves a text larger than one X request in pieces, offers the
# usual text targets, holds none of its starter's descriptors, and ends
# within a second once another program takes the clipboard; it does not
# leave the text to a clipboard manager that never answers.
#   tests/x11/keeper.sh BMP2CDATA_CLIPBOARD HUNG_CLIPBOARD_MANAGER
set -euo pipefail
# shellcheck source=tests/x11/common.sh
source "$(dirname "$0")/common.sh"
keeper=$1 manager=$2
start_xserver

text=$(mktemp) input=$(mktemp)
at_exit rm -f "$text" "$input"
# Twice the size of the largest table, with a character outside ASCII.
head -c 700000 /dev/urandom | base64 >"$text"
echo "label é" >>"$text"
# The window sends the text's length first.
{ stat -c %s "$text"; cat "$text"; } >"$input"

# The window killed before it wrote, or while it wrote: nothing is served.
for cut in 0 65536; do
    if head -c "$cut" "$input" | "$keeper" >/dev/null; then
        Fail "the keeper took the clipboard with the first $cut bytes of its input"
    fi
done
if timeout 2 xclip -o -selection clipboard >/dev/null 2>&1; then
    Fail "the clipboard holds a text that came cut short"
fi

# A descriptor the window inherited (say a pipe a shell reads) is not held.
pid=$("$keeper" <"$input" 9>/dev/null) || Fail "the keeper did not take the clipboard"
started+=("$pid")
[ ! -e "/proc/$pid/fd/9" ] || Fail "the keeper holds a descriptor of its starter's"
timeout 10 xclip -o -selection clipboard | cmp -s - "$text" || Fail "the clipboard does not hold the whole text"
targets=$(timeout 10 xclip -o -selection clipboard -t TARGETS)
for target in UTF8_STRING STRING TEXT text/plain; do
    grep -qx "$target" <<<"$targets" || Fail "target $target is not offered"
done
[ "$(timeout 10 xclip -o -selection clipboard -t STRING | tail -n 1 | od -An -tx1 | tr -d ' ')" = "6c6162656c20e90a" ] ||
    Fail "STRING does not carry the text in ISO 8859-1"

echo other | xclip -selection clipboard -i -quiet >/dev/null 2>&1 &
started+=($!)
WaitFor 1 Ended "$pid" || Fail "the keeper still runs a second after losing the clipboard"
[ "$(timeout 10 xclip -o -selection clipboard)" = other ] || Fail "the keeper took the clipboard back"

# A clipboard manager that never answers is not left the text: it is still
# served once the keeper has stopped waiting for the manager (two seconds).
coproc "$manager"
started+=("$COPROC_PID")
read -r -u "${COPROC[0]}" _ || Fail "the clipboard manager did not start"
pid=$("$keeper" <"$input") || Fail "the keeper did not take the clipboard beside a manager"
started+=("$pid")
sleep 3
timeout 10 xclip -o -selection clipboard | cmp -s - "$text" || Fail "a hung clipboard manager lost the text"
