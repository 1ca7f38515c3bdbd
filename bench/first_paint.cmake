# The main window's first frame with a huge entry selected (100,000, 1,000,000 and 5,000,000 characters).
vesperlog_bench(bench_first_paint SOURCES ${CMAKE_CURRENT_LIST_DIR}/first_paint_bench.cpp
    LIBS vesperlog_views_main vesperlog_views_detail vesperlog_editor Qt6::Widgets)
