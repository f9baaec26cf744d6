#!/usr/bin/env bash
# Takes the README's screenshot: the window under a virtual X server, after
# converting the sample image, cropped to the window.
#   scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/window.png}
cmake --build build --target bmp2cdata-gui >/dev/null

# A virtual X server on a display nobody else uses: Xvfb picks it and writes
# its number once it accepts connections.
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -f "$number"' EXIT
for _ in $(seq 100); do
    [ -s "$number" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n 1 "$number")"

build/bin/bmp2cdata-gui &
program=$!
trap 'kill $program $server 2>/dev/null; rm -f "$number"' EXIT
window=$(xdotool search --sync --name "Tavrel 24-bit BMP to Cdata Converter" | head -1)
xdotool windowmove "$window" 0 0
sleep 0.5
# Convert: click the button, type the sample's path into the dialog.
xdotool mousemove --window "$window" 828 420 click 1
xdotool search --sync --name "Open" >/dev/null
xdotool type --delay 5 "$PWD/samples/rainbow.bmp"
sleep 0.5
xdotool key Escape   # closes the name completer's list, not the dialog
xdotool key Return
sleep 1
import -window root -crop 907x455+0+0 "$output"
echo "wrote $output; clipboard holds $(xclip -o -selection clipboard | wc -l) lines"
