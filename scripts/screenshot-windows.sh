#!/usr/bin/env bash
# Takes the README's picture of the native window: bmp2cdata-gui.exe under
# Wine on a virtual X server, after converting the sample image through the
# file dialog, cropped to the window.
#   scripts/screenshot-windows.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/window-windows.png}
scripts/deps.sh windows
# shellcheck source=scripts/wine-session.sh
source scripts/wine-session.sh
configure_windows_build
cmake --build build-windows --target bmp2cdata-gui >/dev/null

start_wine_session
wine build-windows/bin/bmp2cdata-gui.exe >/dev/null 2>&1 </dev/null &
window=$(xdotool search --sync --name "Tavrel 24-bit BMP to Cdata Converter" | head -1)
sleep 1
# Convert has the focus at start; the dialog takes the sample's path, and
# Alt+O presses Open whether or not the name field's completion list is open.
xdotool windowfocus "$window" key space
xdotool search --sync --name "^Open$" >/dev/null
sleep 0.5
xdotool type --delay 5 "$(winepath -w samples/rainbow.bmp)"
sleep 0.5
xdotool key alt+o
sleep 1.5
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$output"
echo "wrote $output; the clipboard holds $(xclip -o -selection clipboard | wc -l) lines"
