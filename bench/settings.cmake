# A tool that grabs pictures of every settings tab.
add_executable(settings_screenshots settings_screenshots.cpp)
target_link_libraries(settings_screenshots PRIVATE vesperlog_benchsupport vesperlog_settings vesperlog_update Qt6::Widgets)
