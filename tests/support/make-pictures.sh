#!/usr/bin/env bash
# Writes the pictures whose tables are compared across platforms into
# FOLDER, with ImageMagick: a 16-bit PNG, a PNG with partial alpha, an
# interlaced 4-bit grey PNG and a progressive JPEG. The Windows program under
# Wine and the page both compare their tables of these with Linux's.
#   make-pictures.sh FOLDER
set -euo pipefail
cd "$1"
convert -size 333x250 gradient:'#F0A010'-'#0A50FF' -depth 16 deep.png
convert -size 250x333 radial-gradient:'#FF000000'-'#00FF80FF' PNG32:alpha.png
convert -size 200x140 gradient:white-black -colorspace gray -depth 4 -interlace PNG grey.png
convert -size 320x240 -seed 3 plasma: -interlace JPEG photo.jpg
