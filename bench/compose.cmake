# Pictures of the "New Entry" window, dark and light, with the floating format bar over a selection
# (for looking at, not measured).
add_executable(compose_screenshots ${CMAKE_CURRENT_LIST_DIR}/compose_screenshots.cpp)
target_link_libraries(compose_screenshots PRIVATE vesperlog_editor vesperlog_media Qt6::Widgets Qt6::Test)
