#!/usr/bin/env bash
# Retakes the README's pictures in docs/ from the programs as they build now,
# all four or those named:
#   window    window.png: the Qt window under a virtual X server, after
#             converting the sample image through the file dialog, cropped
#             to the window
#   windows   window-windows.png: bmp2cdata-gui.exe the same way, under Wine
#   page      page.png: the page opened from disk in headless Chromium, after
#             converting a photograph-like JPEG (ImageMagick's plasma) to
#             fill a 160 x 128 screen in RGB332, dithered
#   dither    dither.png: a sunset converted by bmp2cdata with --fit 160x120
#             --rgb332, plainly and with --dither, each table turned back
#             into the picture the LCD shows, side by side at twice the size
#   testcard  testcard.png: bmp2cdata --test-card 160x128 --rgb332 turned
#             back into the picture the LCD shows, and beside it the same
#             table as a panel set up as BGR shows it, at twice the size
#   scripts/doc-pictures.sh [window|windows|page|dither|testcard]...
set -euo pipefail
cd "$(dirname "$0")/.."
pictures=("$@")
[ $# -gt 0 ] || pictures=(window windows page dither testcard)
groups=()
for picture in "${pictures[@]}"; do
    case $picture in
    window | dither | testcard) groups+=(test) ;;
    windows) groups+=(windows) ;;
    page) groups+=(page) ;;
    *)
        echo "usage: scripts/doc-pictures.sh [window|windows|page|dither|testcard]..." >&2
        exit 2
        ;;
    esac
done
scripts/deps.sh "${groups[@]}"
# shellcheck source=scripts/common.sh
source scripts/common.sh
# shellcheck source=scripts/xserver.sh
source scripts/xserver.sh
work=$(mktemp -d)
at_exit rm -rf "$work"
caption="Tavrel 24-bit BMP to Cdata Converter"

take_window() {
    configure_native_build
    cmake --build build --target bmp2cdata-gui >/dev/null
    start_xserver 1280x800
    build/bin/bmp2cdata-gui &
    at_exit kill $!
    local window
    window=$(xdotool search --sync --name "$caption" | head -1)
    xdotool windowmove "$window" 0 0
    sleep 0.5
    # Convert: click the button, type the sample's path into the dialog.
    xdotool mousemove --window "$window" 828 420 click 1
    xdotool search --sync --name "Open" >/dev/null
    xdotool type --delay 5 "$PWD/samples/rainbow.bmp"
    sleep 0.5
    xdotool key Escape # closes the name completer's list, not the dialog
    xdotool key Return
    sleep 1
    import -window root -crop 907x455+0+0 docs/window.png
    echo "wrote docs/window.png; the clipboard holds $(xclip -o -selection clipboard | wc -l) lines"
}

take_windows() {
    # shellcheck source=scripts/wine-session.sh
    source scripts/wine-session.sh
    configure_windows_build
    cmake --build build-windows --target bmp2cdata-gui >/dev/null
    start_wine_session
    wine build-windows/bin/bmp2cdata-gui.exe >/dev/null 2>&1 </dev/null &
    local window
    window=$(xdotool search --sync --name "$caption" | head -1)
    sleep 1
    # Convert has the focus at start; the dialog takes the sample's path, and
    # Alt+O presses Open whether or not the name field's completion list is
    # open.
    xdotool windowfocus "$window" key space
    xdotool search --sync --name "^Open$" >/dev/null
    sleep 0.5
    xdotool type --delay 5 "$(winepath -w samples/rainbow.bmp)"
    sleep 0.5
    xdotool key alt+o
    sleep 1.5
    local WIDTH HEIGHT X Y
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" docs/window-windows.png
    echo "wrote docs/window-windows.png; the clipboard holds $(xclip -o -selection clipboard | wc -l) lines"
}

take_page() {
    # shellcheck source=scripts/page-build.sh
    source scripts/page-build.sh
    build_page
    install_page_test_packages
    convert -size 1024x768 -seed 1 plasma: -blur 0x1 "$work/photo.jpg"
    PAGE="$PWD/build-web/bin/bmp2cdata.html" SAMPLE="$work/photo.jpg" OUTPUT="$PWD/docs/page.png" \
        node --input-type=module - <<'SCRIPT'
import { launchChromium, openPage } from './tests/web/browser.mjs';

const browser = await launchChromium();
const context = await browser.newContext({ viewport: { width: 1200, height: 720 }, colorScheme: 'light' });
await context.grantPermissions(['clipboard-read', 'clipboard-write']);
const page = await openPage(context, process.env.PAGE);
await page.check('#rgb332');
await page.selectOption('#panel', '160 × 128');
await page.selectOption('#sizing', 'fill');
await page.selectOption('#dither', 'fs');
const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#convert')]);
await chooser.setFiles(process.env.SAMPLE);
await page.waitForFunction(() => document.getElementById('output').textContent !== '' &&
                                 !document.querySelector('.result').hasAttribute('aria-busy'));
await page.mouse.move(0, 0);
await page.screenshot({ path: process.env.OUTPUT });
await browser.close();
SCRIPT
    echo "wrote docs/page.png"
}

# An RGB332 table as a PPM picture: each row of the table lists its pixels
# from right to left; each channel is widened by repeating its bits.
table_to_ppm() {
    awk '
        function hex(text,   value, i) {
            value = 0
            for (i = 1; i <= length(text); i++)
                value = value * 16 + index("0123456789ABCDEF", substr(text, i, 1)) - 1
            return value
        }
        /Cdata as Byte/ {
            gsub(",", "")
            width = $6 + 256 * $7 + 1
            height = $8 + 256 * $9 + 1
        }
        /^ +\$/ {
            gsub(/[ _$]/, "")
            n = split($0, values, ",")
            for (i = 1; i <= n; i++)
                if (values[i] != "")
                    all[count++] = hex(values[i])
        }
        END {
            print "P3", width, height, 255
            for (row = 0; row < height; row++)
                for (column = width - 1; column >= 0; column--) {
                    v = all[row * width + column]
                    r = int(v / 32); g = int(v / 4) % 8; b = v % 4
                    print 36 * r + int(r / 2), 36 * g + int(g / 2), 85 * b
                }
        }'
}

take_dither() {
    configure_native_build
    cmake --build build --target bmp2cdata >/dev/null
    convert -size 320x240 gradient:'#16225E'-'#F4A259' \
        -fill '#FFE9A8' -draw 'circle 215,150 215,122' \
        -fill '#2E3B2F' -draw 'ellipse 70,265 210,95 0,360' -blur 0x1 "$work/sunset.png"
    local kind options
    for kind in plain dither; do
        options=(--fit 160x120 --rgb332)
        [ "$kind" = plain ] || options+=(--dither)
        build/bin/bmp2cdata "${options[@]}" "$work/sunset.png" | table_to_ppm >"$work/$kind.ppm"
    done
    montage -font DejaVu-Sans -pointsize 14 -label 'RGB332' "$work/plain.ppm" \
        -label 'RGB332, --dither' "$work/dither.ppm" -filter point -resize 200% -tile 2x1 -geometry +8+4 \
        docs/dither.png
    echo "wrote docs/dither.png"
}

take_testcard() {
    configure_native_build
    cmake --build build --target bmp2cdata >/dev/null
    build/bin/bmp2cdata --test-card 160x128 --rgb332 | table_to_ppm >"$work/card.ppm"
    # A BGR panel shows the red bits as blue and the blue bits as red.
    awk 'NR == 1 { print; next } { print $3, $2, $1 }' "$work/card.ppm" >"$work/bgr.ppm"
    montage -background '#8A8A8A' -font DejaVu-Sans -pointsize 14 -label 'the test card, RGB332' "$work/card.ppm" \
        -label 'the same on a BGR panel' "$work/bgr.ppm" -filter point -resize 200% -tile 2x1 -geometry +8+4 \
        docs/testcard.png
    echo "wrote docs/testcard.png"
}

for picture in "${pictures[@]}"; do
    "take_$picture"
done
