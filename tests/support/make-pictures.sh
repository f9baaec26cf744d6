#!/usr/bin/env bash
# Writes the pictures whose tables are compared across platforms into
# FOLDER, with ImageMagick: a 16-bit PNG, a PNG with partial alpha, an
# interlaced 4-bit grey PNG, a progressive JPEG, JPEGs with chroma halved
# both ways (4:2:0) and across (4:2:2) at odd sizes, and the same JPEG with an
# EXIF block saying it is to be turned a quarter clockwise. The Windows program under
# Wine and the page both compare their tables of these with Linux's.
#   make-pictures.sh FOLDER
set -euo pipefail
cd "$1"
convert -size 333x250 gradient:'#F0A010'-'#0A50FF' -depth 16 deep.png
convert -size 250x333 radial-gradient:'#FF000000'-'#00FF80FF' PNG32:alpha.png
convert -size 200x140 gradient:white-black -colorspace gray -depth 4 -interlace PNG grey.png
convert -size 320x240 -seed 3 plasma: -interlace JPEG photo.jpg
convert -size 251x201 -seed 5 plasma: -quality 80 -sampling-factor 2x2 chroma420.jpg
convert -size 251x201 -seed 5 plasma: -quality 80 -sampling-factor 2x1 chroma422.jpg
# Start of image, then an APP1 block "Exif": a big-endian TIFF directory of
# one entry, the orientation (0x0112), a short of value 6.
{
    head -c 2 photo.jpg
    printf '\xFF\xE1\x00\x22Exif\x00\x00MM\x00\x2A\x00\x00\x00\x08\x00\x01'
    printf '\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00\x00\x00\x00\x00'
    tail -c +3 photo.jpg
} >portrait.jpg
