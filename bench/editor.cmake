# The rich-text editor: loading, writing RTF and typing in a 20,000-word document.
vesperlog_bench(bench_editor SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor_bench.cpp LIBS vesperlog_editor Qt6::Widgets)

# Pictures of the editor with every style, dark and light (for looking at, not measured).
add_executable(editor_screenshots ${CMAKE_CURRENT_LIST_DIR}/editor_screenshots.cpp)
target_link_libraries(editor_screenshots PRIVATE vesperlog_editor Qt6::Widgets)
