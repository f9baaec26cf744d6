#!/usr/bin/env bash
# Takes the README's screenshot: the window under a virtual X server, after
# converting the sample image, cropped to the window.
#   scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/window.png}
cmake --build build --target bmp2cdata-gui >/dev/null

# shellcheck source=scripts/xserver.sh
source scripts/xserver.sh
start_xserver 1280x800

build/bin/bmp2cdata-gui &
at_exit kill $!
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
