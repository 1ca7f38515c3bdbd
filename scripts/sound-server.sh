#!/usr/bin/env bash
# A private PulseAudio for tests and benchmarks: a null sink as the speaker and a pipe source as the
# microphone, in a folder of its own. Source this file, then `start_sound_server <folder>`; the server
# and its feeder are stopped by pid with `stop_sound_server`.
#
# The microphone hears what is played into the speaker: the speaker's monitor, which runs in real
# time, is fed into the pipe, so a recording lasts as long as it takes and plays back what was played.
# With nothing playing it records silence.

sound_server_pids=()

start_sound_server() {
    local folder=$1
    command -v pulseaudio >/dev/null 2>&1 && command -v parec >/dev/null 2>&1 || {
        echo "sound server: pulseaudio or parec missing, voice-note tests will skip" >&2
        return 0
    }
    mkdir -p "$folder/runtime"
    chmod 700 "$folder/runtime"
    cat >"$folder/default.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 auth-cookie-enabled=0 socket=$folder/native
load-module module-null-sink sink_name=vsp_speaker rate=44100 channels=1
load-module module-pipe-source source_name=vsp_mic file=$folder/mic.pipe format=s16le rate=44100 channels=1
set-default-sink vsp_speaker
set-default-source vsp_mic
PA
    printf 'autospawn = no\n' >"$folder/client.conf"
    XDG_RUNTIME_DIR="$folder/runtime" HOME="$folder" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no --system=no --disable-shm=no -F "$folder/default.pa" --log-target=file:"$folder/pulseaudio.log" &
    sound_server_pids+=($!)
    export PULSE_SERVER="unix:$folder/native" PULSE_CLIENTCONFIG="$folder/client.conf"
    local i
    for i in $(seq 1 50); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    parec -d vsp_speaker.monitor --raw --format=s16le --rate=44100 --channels=1 --latency-msec=10 \
        >"$folder/mic.pipe" \
        2>>"$folder/feeder.log" &
    sound_server_pids+=($!)
    # The microphone is read all the time, as a sound card's is: the pipe source reads its pipe only
    # while something records, and would otherwise store up what it is fed meanwhile and hand seconds
    # of it to the next recording at once.
    parec -d vsp_mic --raw --format=s16le --rate=44100 --channels=1 --latency-msec=10 >/dev/null \
        2>>"$folder/feeder.log" &
    sound_server_pids+=($!)
    # The pipe source reads nothing until the feeder has opened its end.
    sleep 0.5
}

stop_sound_server() {
    local pid i
    # The feeder first: it would complain of a broken pipe once the server is gone.
    for ((i = ${#sound_server_pids[@]} - 1; i >= 0; i--)); do
        pid=${sound_server_pids[i]}
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    sound_server_pids=()
}
