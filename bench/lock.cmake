# A tool that grabs pictures of the lock cover, its password dialog and every page of the introduction.
add_executable(lock_screenshots lock_screenshots.cpp)
target_link_libraries(lock_screenshots PRIVATE vesperlog_benchsupport vesperlog_settings Qt6::Widgets)

# A tool that grabs the screen with the trash sheet open, then locked: the sheet closes, the cover stays.
add_executable(lock_sheet_screenshots lock_sheet_screenshots.cpp)
target_link_libraries(lock_sheet_screenshots PRIVATE vesperlog_benchsupport vesperlog_app vesperlog_views_main
    vesperlog_views_sidebar Qt6::Widgets)
