#!/usr/bin/env bash
# Runs every benchmark program on generated journals of 1,000, 10,000 and 50,000 entries; the app
# benchmark twice at each size, on a diary journal and on one of long entries.
set -euo pipefail
build_dir=${1:-build-bench}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
runtime=$(mktemp -d /tmp/vesperlog-bench-rt-XXXXXX)
# shellcheck source=sound-server.sh
source "$(dirname "$0")/sound-server.sh"
trap 'stop_sound_server; rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
start_sound_server "$runtime/sound"
for program in "$build_dir"/bench/bench_*; do
    [[ -f "$program" && -x "$program" ]] || continue
    mixes=("")
    [[ $(basename "$program") == bench_app ]] && mixes=(${VESPERLOG_BENCH_MIXES:-diary long})
    for size in ${VESPERLOG_BENCH_SIZES:-1000 10000 50000}; do
        for mix in "${mixes[@]}"; do
            echo "== $(basename "$program") --journal-size=$size${mix:+ --mix=$mix}"
            "$program" --journal-size="$size" ${mix:+--mix="$mix"}
        done
    done
done
