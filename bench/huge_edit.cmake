# Editing an entry of 5,000,000 characters in the detail: Edit, a word typed at the end, Done.
vesperlog_bench(bench_huge_edit SOURCES ${CMAKE_CURRENT_LIST_DIR}/huge_edit_bench.cpp
    LIBS vesperlog_views_main vesperlog_views_detail vesperlog_editor Qt6::Widgets)
