#!/usr/bin/env bash
# A test executable asked for a function it does not have must fail and name it, as Qt Test does:
# a misspelt name in a CI line would otherwise run nothing and pass.
set -u
executable=$1
output=$("$executable" noSuchTestFunction 2>&1)
status=$?
if [ "$status" -eq 0 ]; then
    echo "$executable exited 0 for an unknown test function"
    exit 1
fi
grep -q "Unknown test function: 'noSuchTestFunction'" <<<"$output" || { echo "$output"; exit 1; }
