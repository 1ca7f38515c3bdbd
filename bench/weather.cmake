# Pictures of the weather and place chips, dark and light (for looking at, not measured).
add_executable(weather_screenshots ${CMAKE_CURRENT_LIST_DIR}/weather_screenshots.cpp)
target_link_libraries(weather_screenshots PRIVATE vesperlog_benchsupport vesperlog_media Qt6::Widgets)
