#!/usr/bin/env bash
# Checks the built manual pages: man renders each without a warning, and
# bmp2cdata(1) shows every option bmp2cdata --help prints. Prints each
# failure; exits with 1 on any.
#   tests/manual-pages.sh FOLDER BMP2CDATA
set -uo pipefail
folder=$1 program=$2
failures=0
for page in "$folder"/*.1; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$page: $warnings" >&2; failures=$((failures + 1)); }
done
shown=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$folder/bmp2cdata.1" 2>/dev/null | sed -n '/^OPTIONS/,/^[A-Z]/p')
options=$("$program" --help | sed -n 's/^  \(-[^ ,=[]*\).*/\1/p')
[ -n "$options" ] || { echo "$program --help shows no options" >&2; exit 1; }
for option in $options; do
    grep -qE -- "^ +$option([ ,=[]|$)" <<<"$shown" ||
        { echo "bmp2cdata(1) does not show $option" >&2; failures=$((failures + 1)); }
done
[ "$failures" -eq 0 ]
