#!/usr/bin/env bash
# Runs every test headless through CTest, inside a private D-Bus session, with the user folders pointed
# at a temporary home so no test touches the real one. Arguments after the build folder go to CTest
# (`run-tests.sh build-test -R tst_model` runs one executable).
set -euo pipefail
build_dir=${1:-build-test}

home=$(mktemp -d /tmp/vesperlog-tests-XXXXXX)
# shellcheck source=sound-server.sh
source "$(dirname "$0")/sound-server.sh"
trap 'stop_sound_server; rm -rf "$home"' EXIT
mkdir -p "$home"/{data,config,state,cache,runtime,Documents,Downloads}
chmod 700 "$home/runtime"
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" \
       XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen

start_sound_server "$home/sound"

# JOBS (as `make test JOBS=n` passes it) bounds the tests run at once, as it bounds the build.
jobs=${JOBS:-$(nproc)}
run() { ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" "$@"; }
if command -v dbus-run-session >/dev/null 2>&1; then
    export -f run
    export build_dir jobs
    dbus-run-session -- bash -c 'run "$@"' run "${@:2}"
else
    run "${@:2}"
fi
