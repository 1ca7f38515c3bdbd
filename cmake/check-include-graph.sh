#!/usr/bin/env bash
# Fails when the libraries under src/ include each other in a circle. Each folder with a CMakeLists.txt
# is one library (its subfolders without one belong to it); an #include "A/B.h" of a file in another
# library is an edge from the including library to that one, and tsort finds any loop among the edges.
set -euo pipefail
src=${1:?usage: check-include-graph.sh <src folder>}
cd "$src"

library_of() {
    local dir
    dir=$(dirname "$1")
    while [[ "$dir" != "." && ! -f "$dir/CMakeLists.txt" ]]; do
        dir=$(dirname "$dir")
    done
    printf '%s' "$dir"
}

edges=$(
    find . \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort | while IFS= read -r file; do
        from=$(library_of "$file")
        sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" | while IFS= read -r inc; do
            [[ -f "$inc" ]] || continue
            to=$(library_of "$inc")
            [[ "$to" == "$from" || "$to" == "." || "$from" == "." ]] || printf '%s %s\n' "$from" "$to"
        done
    done | sort -u
)
if ! order=$(printf '%s\n' "$edges" | tsort 2>&1 >/dev/null); then
    echo "The libraries under src/ include each other in a circle:" >&2
    printf '%s\n' "$order" >&2
    exit 1
fi
printf 'Library include graph: %s edges, no circle.\n' "$(printf '%s\n' "$edges" | wc -l)"
