#!/usr/bin/env bash
# Checks that every relative link and picture of README.md and docs/*.md
# leads to a file that exists and, where it names an #anchor, to a heading
# of that file. Names each one that does not and exits with 1.
# Links to http(s) and mailto are left alone: there may be no network.
#   tests/links.sh [SOURCE_FOLDER]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
export LC_ALL=C
shopt -s nullglob

# The anchors a Markdown file's headings get, one a line, as GitHub makes
# them: lower case, every character but letters, digits, '_', '-' and
# spaces dropped, spaces turned into '-', and a repeated one numbered.
# Bytes beyond ASCII are kept, so a heading with a non-ASCII symbol may get
# a different anchor here than on GitHub.
anchors() {
    awk '
        /^ *(```|~~~)/ { fenced = !fenced; next }
        fenced || !/^#+ / { next }
        {
            heading = $0
            sub(/^#+ +/, "", heading)
            sub(/ +#* *$/, "", heading)
            heading = tolower(heading)
            gsub(/[^a-z0-9_ \200-\377-]/, "", heading)
            gsub(/ /, "-", heading)
            if (heading in seen) print heading "-" seen[heading]++
            else { print heading; seen[heading] = 1 }
        }' "$1"
}

# The targets of a Markdown file's inline links and pictures, as
# "LINE TARGET", outside fenced blocks and code spans.
links() {
    awk '
        /^ *(```|~~~)/ { fenced = !fenced; next }
        fenced { next }
        {
            text = $0
            gsub(/`[^`]*`/, "", text)
            while (match(text, /\]\([^)]*\)/)) {
                target = substr(text, RSTART + 2, RLENGTH - 3)
                text = substr(text, RSTART + RLENGTH)
                sub(/^ *</, "", target); sub(/>? *$/, "", target)
                sub(/ +".*"$/, "", target)
                print NR " " target
            }
        }' "$1"
}

failures=0
for page in README.md docs/*.md; do
    folder=$(dirname "$page")
    while read -r line target; do
        case $target in
            http://* | https://* | mailto:*) continue ;;
        esac
        path=${target%%#*}
        anchor=""
        [ "$path" = "$target" ] || anchor=${target#*#}
        if [ -z "$path" ]; then
            file=$page
        else
            file=$folder/$path
            file=${file#./}
        fi
        if [ ! -e "$file" ]; then
            echo "$page:$line: $target: no such file" >&2
            failures=$((failures + 1))
        elif [ -n "$anchor" ] && ! anchors "$file" | grep -qxF -- "$anchor"; then
            echo "$page:$line: $target: no such heading in $file" >&2
            failures=$((failures + 1))
        fi
    done < <(links "$page")
done

if [ "$failures" -gt 0 ]; then
    echo "$failures broken links" >&2
    exit 1
fi
