# The whole app driven as a user would, offscreen, on a diary or a long journal: start → idle, search,
# changes, entry switches (with photos too), switching while editing and memory, each printed beside its
# target.
vesperlog_bench(bench_app SOURCES app_bench.cpp LIBS vesperlog_app vesperlog_views_main Qt6::Widgets Qt6::Test)
target_compile_definitions(bench_app PRIVATE VESPERLOG_APP_BINARY="$<TARGET_FILE:vesperlog>"
    VESPERLOG_BENCH_BEFORE_FILE="${CMAKE_CURRENT_SOURCE_DIR}/app_bench_before.json")
add_dependencies(bench_app vesperlog)
