# Photos in the entry detail: a gallery of 20 camera-sized photos (time to the first thumbnail, the
# GUI thread's longest stall while they decode) and the memory the image cache holds after 200 photos;
# and a tool that grabs the gallery and the lightbox.
vesperlog_bench(bench_images SOURCES ${CMAKE_CURRENT_LIST_DIR}/images_bench.cpp
    LIBS vesperlog_views_main vesperlog_views_detail vesperlog_media Qt6::Widgets Qt6::Test)

add_executable(images_screenshots ${CMAKE_CURRENT_LIST_DIR}/images_screenshots.cpp)
target_link_libraries(images_screenshots PRIVATE vesperlog_benchsupport vesperlog_views_main vesperlog_views_detail
    vesperlog_media Qt6::Widgets)
