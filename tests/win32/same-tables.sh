#!/usr/bin/env bash
# The Linux program and the Windows one under Wine give the same table for
# the same PNG with the same options (the Windows one ends its lines with
# CR LF). A JPEG must give a table of the same size; Windows' own JPEG
# decoder may round some pixels differently from libjpeg-turbo.
#   same-tables.sh LINUX_BMP2CDATA WINDOWS_BMP2CDATA_EXE
set -euo pipefail
linux=$1 windows=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$(dirname "$0")/../support/make-pictures.sh" "$work"
cd "$work"

failures=0
# same PICTURE LINES OPTION...: both give a table, and the first LINES lines
# of the two agree.
same() {
    local picture=$1 lines=$2
    shift 2
    "$linux" "$@" "$picture" >linux.bas
    wine "$windows" "$@" "$picture" | tr -d '\r' >windows.bas
    if ! grep -q "Cdata as" linux.bas || ! cmp -s <(head -n "$lines" linux.bas) <(head -n "$lines" windows.bas); then
        echo "different tables for $picture with $*"
        failures=$((failures + 1))
    fi
}
for picture in deep.png alpha.png grey.png; do
    same "$picture" 100000 --fit 160x128 --dither --rgb332 --background 336699
    same "$picture" 100000 --fit 200x200 --dither
done
same photo.jpg 5 --fit 160x128 --dither --rgb332
# Turned upright by its EXIF block on both: 96 x 128, not 160 x 120.
same portrait.jpg 5 --fit 160x128
[ "$failures" -eq 0 ]
