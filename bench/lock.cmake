# A tool that grabs pictures of the lock cover, its password dialog and every page of the introduction.
add_executable(lock_screenshots lock_screenshots.cpp)
target_link_libraries(lock_screenshots PRIVATE vesperlog_benchsupport vesperlog_settings Qt6::Widgets)
