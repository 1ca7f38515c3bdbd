#!/usr/bin/env bash
# Checks that every tracked C++ file is laid out as .clang-format says; prints each file that is not and
# fails. `scripts/check-format.sh --fix` rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(command -v clang-format-14 || command -v clang-format || true)
if [[ -z "$tool" ]]; then
    echo "Vesperlog: layout check failed — clang-format is not installed (make deps-test installs it)" >&2
    exit 1
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == "--fix" ]]; then
    "$tool" -i "${files[@]}"
    exit 0
fi
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! "$tool" --dry-run -Werror "${files[@]}" 2>"$report"; then
    grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' "$report" | cut -d: -f1 | sort -u \
        | sed 's/^/  not laid out: /' >&2
    echo "Vesperlog: layout check failed — run scripts/check-format.sh --fix" >&2
    exit 1
fi
