#!/usr/bin/env bash
# Fails when the libraries under src/ include each other in a circle. Each folder with a CMakeLists.txt
# is one library (its subfolders without one belong to it); an #include "A/B.h" of a file in another
# library (or #include <A/B.h>) is an edge from the including library to that one, and tsort finds any
# loop among the edges.
set -euo pipefail
src=${1:?usage: check-include-graph.sh <src folder>}
cd "$src"

list=$(mktemp)
trap 'rm -f "$list"' EXIT
find . \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort > "$list"
libraries=$(find . -mindepth 2 -name CMakeLists.txt | sed 's|^\./||; s|/CMakeLists.txt$||')
# One awk pass over every source, knowing which files exist (only those includes are followed).
edges=$(xargs awk -v sources="$list" -v libraries="$libraries" '
    function library(path,    dir) {
        dir = path
        while (sub(/\/[^\/]*$/, "", dir)) {
            if (dir in isLibrary) return dir
        }
        return "."
    }
    BEGIN {
        n = split(libraries, list, "\n")
        for (i = 1; i <= n; i++) isLibrary[list[i]] = 1
        while ((getline line < sources) > 0) exists[line] = 1
    }
    FNR == 1 { from = library(FILENAME) }
    /^[ \t]*#[ \t]*include[ \t]*["<]/ {
        inc = $0
        sub(/^[^"<]*["<]/, "", inc)
        sub(/[">].*/, "", inc)
        if (!(inc in exists)) next
        to = library(inc)
        if (to != from && to != "." && from != ".") print from, to
    }' < "$list" | sort -u)
if ! order=$(printf '%s\n' "$edges" | tsort 2>&1 >/dev/null); then
    echo "The libraries under src/ include each other in a circle:" >&2
    printf '%s\n' "$order" >&2
    exit 1
fi
printf 'Library include graph: %s edges, no circle.\n' "$(printf '%s\n' "$edges" | wc -l)"
