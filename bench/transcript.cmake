# Voice-note transcripts on real recorded speech: the word error rate of the LibriVox clips that Debian's
# pocketsphinx-testdata ships with their reference transcripts, fed to the recogniser directly and through
# the app's own path (the recorder's encoding into a note's .m4a, then the transcriber reading that file).
vesperlog_bench(bench_transcript SOURCES ${CMAKE_CURRENT_LIST_DIR}/transcript_bench.cpp
    LIBS vesperlog_media Qt6::Multimedia)
target_compile_definitions(bench_transcript PRIVATE
    VESPERLOG_SPEECH_CLIPS_DIR="/usr/share/pocketsphinx/test/data/librivox")
