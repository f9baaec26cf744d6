#!/usr/bin/env bash
# Fills a template from what a program's --help prints, so that the manual
# page and the shell completion always say what the program does:
#   tools/from-help.sh man|completion PROGRAM TEMPLATE OUTPUT
# In a manual page @SYNOPSIS@, @DESCRIPTION@ and @OPTIONS@ become the help's
# usage line, its paragraphs and its options in roff; in a completion
# @OPTIONS@ becomes one quoted line per option as the help writes it
# ('--fit WxH', '--dither[=ordered|fs]').
#
# The help's layout: "Usage: PROGRAM" and the synopsis on the first line,
# paragraphs, then the options, each starting on a line indented by two
# spaces, aliases apart by ", ", the description after the first run of two
# spaces and continued on lines indented deeper. Unindented text after the
# options is kept after them.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: tools/from-help.sh man|completion PROGRAM TEMPLATE OUTPUT" >&2; exit 2; }
form=$1 program=$2 template=$3 output=$4
help=$(mktemp)
trap 'rm -f "$help" "$output.part"' EXIT
LC_ALL=C "$program" --help >"$help"

awk -v form="$form" '
function replace_all(text, from, to,    out, at) {
    out = ""
    while ((at = index(text, from)) > 0) {
        out = out substr(text, 1, at - 1) to
        text = substr(text, at + length(from))
    }
    return out text
}
# Prose in roff: a backslash printed as one, minus signs in words that are
# options (a hyphen elsewhere stays a hyphen), no control character first.
function roff(text,    count, words, i, out) {
    text = replace_all(text, "\\", "\\e")
    count = split(text, words, " ")
    out = ""
    for (i = 1; i <= count; i++) {
        if (words[i] ~ /^[[(]?-/)
            words[i] = replace_all(words[i], "-", "\\-")
        out = out (i > 1 ? " " : "") words[i]
    }
    return out ~ /^[.\047]/ ? "\\&" out : out
}
# One option as the help writes it (--fit, --fit WxH, --dither[=ordered|fs]):
# its name bold, its values italic, the punctuation between them roman.
function option_roff(text,    name, rest, out, c, i, italic) {
    name = text
    sub(/[[= ].*/, "", name)
    rest = substr(text, length(name) + 1)
    out = "\\fB" replace_all(name, "-", "\\-") "\\fR"
    italic = 0
    for (i = 1; i <= length(rest); i++) {
        c = substr(rest, i, 1)
        if (index("[]=|, ", c) > 0) {
            if (italic) out = out "\\fR"
            italic = 0
            out = out (c == " " ? "\\ " : c)
        } else {
            if (!italic) out = out "\\fI"
            italic = 1
            out = out (c == "\\" ? "\\e" : c)
        }
    }
    return italic ? out "\\fR" : out
}
# The usage line: options bold, placeholders italic, each bracketed group
# kept on one line.
function synopsis_roff(text,    count, words, i, word, opening, closing, core, depth, out) {
    count = split(text, words, " ")
    out = ""
    depth = 0
    for (i = 1; i <= count; i++) {
        word = words[i]
        opening = word; sub(/[^[].*/, "", opening)
        core = substr(word, length(opening) + 1)
        closing = core; if (match(core, /[].]+$/)) closing = substr(core, RSTART); else closing = ""
        core = substr(core, 1, length(core) - length(closing))
        if (i > 1) out = out (depth > 0 ? "\\ " : "\n")
        out = out opening (core ~ /^-/ ? option_roff(core) : "\\fI" core "\\fR") closing
        depth += gsub(/\[/, "[", word) - gsub(/]/, "]", word)
    }
    return out
}
function add(part, line) {
    parts[part] = parts[part] (parts[part] == "" ? "" : "\n") line
}
function finish_option() {
    if (option == "")
        return
    count = split(option, aliases, /, /)
    if (form == "completion") {
        for (i = 1; i <= count; i++)
            add("OPTIONS", "    \047" replace_all(aliases[i], "\047", "\047\\\047\047") "\047")
    } else {
        add("OPTIONS", ".TP")
        line = ""
        for (i = 1; i <= count; i++)
            line = line (i > 1 ? ", " : "") option_roff(aliases[i])
        add("OPTIONS", line)
        add("OPTIONS", roff(described))
    }
    option = ""
}
FNR == NR && FNR == 1 {
    sub(/^Usage: [^ ]+ */, "")
    parts["SYNOPSIS"] = synopsis_roff($0)
    part = "DESCRIPTION"
    next
}
FNR == NR && /^  -/ {
    finish_option()
    option = substr($0, 3)
    described = ""
    if (match(option, /  +/)) {
        described = substr(option, RSTART + RLENGTH)
        option = substr(option, 1, RSTART - 1)
    }
    part = "OPTIONS"
    next
}
FNR == NR && option != "" && /^   / {
    sub(/^ +/, "")
    described = described (described == "" ? "" : " ") $0
    next
}
FNR == NR {
    finish_option()
    if (form == "man")
        add(part, $0 == "" ? ".PP" : roff($0))
    next
}
FNR == 1 { finish_option() }
$0 ~ /^@[A-Z]+@$/ && substr($0, 2, length($0) - 2) in parts {
    text = parts[substr($0, 2, length($0) - 2)]
    # No paragraph mark at either end of a section.
    sub(/^(\.PP\n)+/, "", text)
    sub(/(\n\.PP)+$/, "", text)
    print text
    next
}
{ print }
' "$help" "$template" >"$output.part"
if grep -n '@[A-Z]*@' "$output.part" >&2; then
    echo "tools/from-help.sh: $template has markers the help did not fill" >&2
    exit 1
fi
mv "$output.part" "$output"
trap 'rm -f "$help"' EXIT
