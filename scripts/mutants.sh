#!/usr/bin/env bash
# Proves that the tests catch faults: applies each mutation of
# scripts/mutants.list to the sources, one at a time, rebuilds, runs the
# plain test suite and puts the file back. A mutant is caught when the tests
# fail, and survives when they pass; one that does not build proves nothing
# and is counted apart. A developer's tool, not part of CI: each mutant takes
# under a minute, the whole list about half an hour on two cores.
#
# Usage: scripts/mutants.sh [--check] [BUILD_FOLDER]
#   BUILD_FOLDER  a native build of this tree (default build-mutants, set up
#                 when missing); its binaries are rebuilt for each mutant
#   --check       only check that every mutation still applies, and stop
#
# Exits 0 when every mutant is caught, 1 when some survive, 2 when the list,
# the tree or the unmutated tests are not fit to start from.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd -P)
list="$root/scripts/mutants.list"

check_only=false
if [ "${1-}" = --check ]; then
    check_only=true
    shift
fi
if [ $# -gt 1 ] || [[ "${1-}" == -* ]]; then
    echo "usage: scripts/mutants.sh [--check] [BUILD_FOLDER]" >&2
    exit 2
fi
build=$(realpath -m -- "${1:-$root/build-mutants}")

fail() {
    echo "mutants: $*" >&2
    exit 2
}

# --- The list: PATH: description, then "- original", then "+ replacement".

paths=() descriptions=() originals=() replacements=()
read_list() {
    local line number=0 state=header at=0
    while IFS= read -r line || [ -n "$line" ]; do
        number=$((number + 1))
        line=${line%$'\r'}
        [[ -z "$line" || "$line" == \#* ]] && continue
        case $state in
        header)
            [[ "$line" =~ ^([^[:space:]:]+):\ (.+)$ ]] ||
                fail "$list:$number: expected 'PATH: description', found: $line"
            paths+=("${BASH_REMATCH[1]}")
            descriptions+=("${BASH_REMATCH[2]}")
            at=$number
            state=original
            ;;
        original)
            [[ "$line" == "- "?* ]] || fail "$list:$number: expected '- original text' for the entry of line $at"
            originals+=("${line#- }")
            state=replacement
            ;;
        replacement)
            [[ "$line" == "+" || "$line" == "+ "* ]] ||
                fail "$list:$number: expected '+ replacement' for the entry of line $at"
            if [ "$line" = + ]; then replacements+=(""); else replacements+=("${line#+ }"); fi
            state=header
            ;;
        esac
    done <"$list"
    [ $state = header ] || fail "$list: the entry of line $at is cut short"
    [ ${#paths[@]} -gt 0 ] || fail "$list holds no mutation"
}

# Reads the whole of file $1 into the variable named $2, every byte of it
# kept (a command substitution would drop its last line break).
read_whole() {
    IFS= read -r -d '' "$2" <"$1" || true
}

# How often text $2 occurs in file $1, overlapping occurrences included, up
# to 2.
occurrences() {
    local content text=$2 before
    read_whole "$1" content
    [[ "$content" == *"$text"* ]] || { echo 0; return; }
    before=${content%%"$text"*}
    [[ "${content:${#before}+1}" == *"$text"* ]] && echo 2 || echo 1
}

# Every entry must still apply, exactly once, to a file under version
# control; all that do not are named together.
check_list() {
    local i problems=() path count
    for i in "${!paths[@]}"; do
        path=${paths[$i]}
        if [ ! -f "$root/$path" ]; then
            problems+=("$path: no such file (${descriptions[$i]})")
            continue
        fi
        if [ "${originals[$i]}" = "${replacements[$i]}" ]; then
            problems+=("$path: the replacement is the original text (${descriptions[$i]})")
            continue
        fi
        count=$(occurrences "$root/$path" "${originals[$i]}")
        if [ "$count" = 0 ]; then
            problems+=("$path: original text no longer found (${descriptions[$i]}): ${originals[$i]}")
        elif [ "$count" != 1 ]; then
            problems+=("$path: original text found more than once (${descriptions[$i]}): ${originals[$i]}")
        fi
    done
    if [ ${#problems[@]} -gt 0 ]; then
        printf 'mutants: %s\n' "${problems[@]}" >&2
        fail "${#problems[@]} mutation(s) of $list no longer apply; update them"
    fi
}

read_list
check_list
if $check_only; then
    echo "mutants: all ${#paths[@]} mutations apply"
    exit 0
fi

# --- The tree: a restore rewrites each mutated file whole, so none may hold
# work that is not committed.

mapfile -t files < <(printf '%s\n' "${paths[@]}" | sort -u)
cd "$root"
git ls-files --error-unmatch -- "${files[@]}" >/dev/null 2>&1 ||
    fail "some files of the list are not under version control"
if ! git diff --quiet HEAD -- "${files[@]}"; then
    git diff --stat HEAD -- "${files[@]}" >&2
    fail "these files have uncommitted changes; commit or stash them first"
fi

if [ -f "$build/CMakeCache.txt" ]; then
    source_dir=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
    [ "$(realpath -- "$source_dir")" = "$root" ] || fail "$build is a build of $source_dir, not of $root"
fi

# --- Restoring: every file is copied aside before any is changed, and the
# one changed is written back on every way out. Written back, not moved: its
# time becomes newer than the mutant's objects, so the next build redoes them.

saved=$(mktemp -d "${TMPDIR:-/tmp}/mutants.XXXXXX")
for file in "${files[@]}"; do
    mkdir -p "$saved/$(dirname "$file")"
    cp -- "$file" "$saved/$file"
done
mutated=""
restore() {
    [ -n "$mutated" ] || return 0
    if cp -- "$saved/$mutated" "$root/$mutated" && cmp -s "$saved/$mutated" "$root/$mutated"; then
        mutated=""
    else
        echo "mutants: could not restore $mutated; its original is in $saved/$mutated" >&2
        return 1
    fi
}
finish() {
    local status=$?
    # The copies go only once nothing waits for them.
    restore && rm -rf -- "$saved" || status=2
    exit "$status"
}
trap finish EXIT

# Builds and tests run in a session of their own, so that an interruption
# reaches the script at once and ends them with everything they started.
child=""
interrupted() {
    trap '' INT TERM HUP
    if [ -n "$child" ]; then
        kill -TERM -- "-$child" 2>/dev/null || kill -TERM "$child" 2>/dev/null || true
        wait "$child" 2>/dev/null || true
    fi
    echo >&2
    echo "mutants: interrupted; the sources are as they were" >&2
    exit 130
}
trap interrupted INT TERM HUP

log="$build/mutants.log"
run_logged() {
    local status=0
    setsid "$@" >>"$log" 2>&1 </dev/null &
    child=$!
    wait "$child" || status=$?
    child=""
    return "$status"
}

jobs=$(nproc)
build_all() { run_logged cmake --build "$build" -j "$jobs"; }
run_tests() { run_logged ctest --test-dir "$build" -j "$jobs" --stop-on-failure; }

apply_mutation() {
    local i=$1 path=${paths[$1]} content before after
    read_whole "$saved/$path" content
    before=${content%%"${originals[$i]}"*}
    after=${content:${#before}+${#originals[$i]}}
    mutated=$path
    printf '%s' "$before${replacements[$i]}$after" >"$root/$path"
}

# --- The run.

started=$SECONDS
mkdir -p "$build"
: >"$log"
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "mutants: configuring $build"
    run_logged cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ||
        fail "cannot configure $build; see $log"
fi
echo "mutants: building and testing the unmutated sources in $build"
build_all || fail "the unmutated sources do not build; see $log"
run_tests || fail "the tests fail without any mutation; see $log"

total=${#paths[@]}
caught=0
survivors=() unbuilt=()
for i in "${!paths[@]}"; do
    name="${paths[$i]}: ${descriptions[$i]}"
    printf '%s\n' "=== mutant $((i + 1)) of $total: $name" >>"$log"
    printf '[%d/%d] %s ... ' $((i + 1)) "$total" "$name"
    mutant_started=$SECONDS
    apply_mutation "$i"
    if ! build_all; then
        unbuilt+=("$name")
        verdict="did not build"
    elif run_tests; then
        survivors+=("$name")
        verdict=SURVIVED
    else
        caught=$((caught + 1))
        verdict=caught
    fi
    restore
    echo "$verdict ($((SECONDS - mutant_started)) s)"
done

echo "mutants: rebuilding the unmutated sources"
build_all || echo "mutants: the unmutated sources no longer build; see $log" >&2

counted=$((total - ${#unbuilt[@]}))
elapsed=$((SECONDS - started))
echo
echo "mutants: $caught of $counted caught"
for name in "${survivors[@]}"; do
    echo "  survived: $name"
done
if [ ${#unbuilt[@]} -gt 0 ]; then
    echo "mutants: ${#unbuilt[@]} did not build, and are not counted; fix their entries:"
    for name in "${unbuilt[@]}"; do
        echo "  did not build: $name"
    done
fi
printf 'mutants: %d min %02d s; the builds and tests are logged in %s\n' $((elapsed / 60)) $((elapsed % 60)) "$log"
[ ${#survivors[@]} -eq 0 ]
