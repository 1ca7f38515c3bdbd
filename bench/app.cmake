# The whole app driven as a user would, offscreen: start → idle, search keystrokes, opening the search
# field and memory, each printed next to the figure before the list and search rework.
vesperlog_bench(bench_app SOURCES app_bench.cpp LIBS vesperlog_app vesperlog_views_main Qt6::Widgets)
target_compile_definitions(bench_app PRIVATE VESPERLOG_APP_BINARY="$<TARGET_FILE:vesperlog>"
    VESPERLOG_BENCH_BEFORE_FILE="${CMAKE_CURRENT_SOURCE_DIR}/app_bench_before.json")
add_dependencies(bench_app vesperlog)
