# The rich-text editor: loading, writing RTF and typing in a 20,000-word document.
vesperlog_bench(bench_editor SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor_bench.cpp LIBS vesperlog_editor Qt6::Widgets)
