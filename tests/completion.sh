#!/usr/bin/env bash
# Checks the bash completion made from bmp2cdata --help: every option the help
# prints is offered, values come from their fixed sets, sizes from the panel
# sizes, pictures by their extensions. A stand-in help checks the forms the
# help may write an option's values in. Prints each failure; exits with 1 on any.
#   tests/completion.sh BMP2CDATA COMPLETION SOURCE_FOLDER
set -uo pipefail
program=$1 completion=$2 source=$3
# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# What Tab offers at the end of LINE, sorted, on one line. Words are split as
# readline splits them: at blanks, and with = a word of its own.
offers() {
    local line=$1 words=()
    read -ra words <<<"${line//=/ = }"
    [[ $line == *' ' ]] && words+=("")
    COMP_LINE=$line COMP_POINT=${#line} COMP_WORDS=("${words[@]}") COMP_CWORD=$((${#words[@]} - 1))
    COMPREPLY=()
    _bmp2cdata bmp2cdata "${words[-1]}" "${words[-2]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | xargs
}

expect() {
    local got
    got=$(offers "$1")
    [ "$got" = "$2" ] || { echo "'$1<Tab>' offers '$got', not '$2'" >&2; failures=$((failures + 1)); }
}

# shellcheck source=/dev/null
source "$completion"
offered=" $(offers 'bmp2cdata -') "
options=$("$program" --help | sed -n 's/^  \(-[^ ].*\)/\1/p' | sed 's/  .*//' |
    grep -oE -- '(^|, )--?[[:alnum:]][[:alnum:]-]*' | sed 's/^, //')
[ -n "$options" ] || { echo "$program --help shows no options" >&2; exit 1; }
for option in $options; do
    [[ $offered == *" $option "* || $offered == *" $option= "* ]] ||
        { echo "--help prints $option; 'bmp2cdata -<Tab>' does not offer it" >&2; failures=$((failures + 1)); }
done

mkdir "$work/folder"
touch "$work"/{a.bmp,b.PNG,c.jpg,d.jpeg,notes.txt}
cd "$work" || exit 1
panel_sizes='128x128 128x160 160x128 240x240 240x320 320x240 320x480 480x320'
expect 'bmp2cdata --fit ' "$panel_sizes"
expect 'bmp2cdata --fit 32' '320x240 320x480'
expect 'bmp2cdata --label ' ''
expect 'bmp2cdata --rgb332 ' 'a.bmp b.PNG c.jpg d.jpeg folder'
expect 'bmp2cdata -o ' 'a.bmp b.PNG c.jpg d.jpeg folder notes.txt'
expect 'bmp2cdata -- -' ''

# The forms of the options to come, as a help may write them.
cat >"$work/stand-in" <<'HELP'
#!/bin/sh
cat <<'TEXT'
Usage: bmp2cdata [options] PICTURE...

  --rotate DEGREES     turn
  -d, --dither[=METHOD]
                       dither
  --format=F1|F2       format
  --test-card WxH      card
TEXT
HELP
chmod +x "$work/stand-in"
"$source/tools/from-help.sh" completion "$work/stand-in" "$source/cli/bmp2cdata.bash.in" "$work/stand-in.bash" ||
    exit 1
# shellcheck source=/dev/null
source "$work/stand-in.bash"
expect 'bmp2cdata -' '--dither --dither= --format= --rotate --test-card -d'
expect 'bmp2cdata --rotate ' '180 270 90'
expect 'bmp2cdata --dither=' 'fs ordered'
expect 'bmp2cdata --dither ' 'a.bmp b.PNG c.jpg d.jpeg folder'
expect 'bmp2cdata --format=F' 'F1 F2'
expect 'bmp2cdata --test-card 48' '480x320'
[ "$failures" -eq 0 ]
