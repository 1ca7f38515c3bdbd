# A tool that grabs pictures of the file dialog the app opens, in the app's appearance.
add_executable(dialog_screenshots dialog_screenshots.cpp)
target_link_libraries(dialog_screenshots PRIVATE vesperlog_benchsupport vesperlog_theme Qt6::Widgets)
