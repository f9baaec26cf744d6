#!/usr/bin/env bash
# Draws docs/command-line.md's picture of dithering: a sunset converted by
# bmp2cdata with --fit 160x120 --rgb332, plainly and with --dither, each
# table turned back into the picture the LCD shows, side by side at twice
# the size.
#   scripts/dither-picture.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/dither.png}
cmake --build build --target bmp2cdata >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 320x240 gradient:'#16225E'-'#F4A259' \
    -fill '#FFE9A8' -draw 'circle 215,150 215,122' \
    -fill '#2E3B2F' -draw 'ellipse 70,265 210,95 0,360' -blur 0x1 "$work/sunset.png"

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

for kind in plain dither; do
    options=(--fit 160x120 --rgb332)
    [ "$kind" = plain ] || options+=(--dither)
    build/bin/bmp2cdata "${options[@]}" "$work/sunset.png" | table_to_ppm >"$work/$kind.ppm"
done
montage -font DejaVu-Sans -pointsize 14 -label 'RGB332' "$work/plain.ppm" \
    -label 'RGB332, --dither' "$work/dither.ppm" -filter point -resize 200% -tile 2x1 -geometry +8+4 "$output"
echo "wrote $output"
