# The entry detail at scale: selecting another entry, entering edit mode and a keystroke with the
# floating format bar shown, with a 2,000-word rich body; and a tool that grabs its layouts.
vesperlog_bench(bench_detail SOURCES ${CMAKE_CURRENT_LIST_DIR}/detail_bench.cpp
    LIBS vesperlog_views_main vesperlog_views_detail vesperlog_editor Qt6::Widgets Qt6::Test)

add_executable(detail_screenshots ${CMAKE_CURRENT_LIST_DIR}/detail_screenshots.cpp)
target_link_libraries(detail_screenshots PRIVATE vesperlog_benchsupport vesperlog_views_main vesperlog_views_detail Qt6::Widgets)
