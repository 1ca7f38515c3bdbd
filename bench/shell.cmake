# The application shell: start-up time, search keystroke and memory on a generated journal, and a tool
# that grabs pictures of the main window.
vesperlog_bench(bench_shell SOURCES shell_bench.cpp LIBS vesperlog_app vesperlog_views_main Qt6::Widgets)
target_compile_definitions(bench_shell PRIVATE VESPERLOG_APP_BINARY="$<TARGET_FILE:vesperlog>")
add_dependencies(bench_shell vesperlog)

add_executable(shell_screenshots shell_screenshots.cpp)
target_link_libraries(shell_screenshots PRIVATE vesperlog_benchsupport vesperlog_app Qt6::Widgets)
