# The sidebar, its trash sheet and the month calendar on a generated journal with 300 tags, and a tool
# that grabs their pictures in dark and light.
vesperlog_bench(bench_sidebar SOURCES ${CMAKE_CURRENT_LIST_DIR}/sidebar_bench.cpp
    LIBS vesperlog_app vesperlog_views_sidebar vesperlog_views_main Qt6::Widgets Qt6::Test)

add_executable(sidebar_screenshots ${CMAKE_CURRENT_LIST_DIR}/sidebar_screenshots.cpp)
target_link_libraries(sidebar_screenshots PRIVATE vesperlog_benchsupport vesperlog_app vesperlog_views_sidebar
    Qt6::Widgets)
