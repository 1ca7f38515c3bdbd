#!/usr/bin/env bash
# The include-graph check sees a circle whichever form the includes take: a library A that includes
# B's header with quotes while B includes A's with angle brackets must fail it.
set -euo pipefail
check=${1:?usage: include-graph-circle.sh <check-include-graph.sh>}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/A" "$tree/B"
touch "$tree/A/CMakeLists.txt" "$tree/B/CMakeLists.txt"
printf '#include "B/b.h"\n' > "$tree/A/a.h"
printf '#include <A/a.h>\n' > "$tree/B/b.h"
if bash "$check" "$tree" > /dev/null 2>&1; then
    echo "FAIL: a circle through #include <A/a.h> was not found"
    exit 1
fi
printf '#include <QString>\n' > "$tree/B/b.h"
bash "$check" "$tree" > /dev/null
echo "PASS: both include forms are followed"
