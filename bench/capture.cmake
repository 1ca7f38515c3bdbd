# Pictures of the quick-capture popup, dark and light, filled in and locked (for looking at, not measured).
add_executable(capture_screenshots ${CMAKE_CURRENT_LIST_DIR}/capture_screenshots.cpp)
target_link_libraries(capture_screenshots PRIVATE vesperlog_app Qt6::Widgets Qt6::Multimedia Qt6::Test)
