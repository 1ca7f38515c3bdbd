# Pictures of the "New Entry" window's motion, taken in the middle of each transition and at rest (for
# looking at, not measured).
add_executable(compose_motion_screenshots ${CMAKE_CURRENT_LIST_DIR}/compose_motion_screenshots.cpp)
target_link_libraries(compose_motion_screenshots PRIVATE vesperlog_editor vesperlog_media Qt6::Widgets Qt6::Test)
