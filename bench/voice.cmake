# Voice notes on this machine: transcribing 10 s of espeak-ng speech (wall time, and the longest stall of
# the GUI thread meanwhile) and recording start → first level value, from the test sound server that
# scripts/run-bench.sh starts.
vesperlog_bench(bench_voice SOURCES ${CMAKE_CURRENT_LIST_DIR}/voice_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/common/SoundFixtures.cpp
    LIBS vesperlog_editor vesperlog_media Qt6::Widgets Qt6::Multimedia)
target_include_directories(bench_voice PRIVATE ${PROJECT_SOURCE_DIR}/tests)

add_executable(voice_screenshots ${CMAKE_CURRENT_LIST_DIR}/voice_screenshots.cpp)
target_link_libraries(voice_screenshots PRIVATE vesperlog_benchsupport vesperlog_media Qt6::Widgets)
