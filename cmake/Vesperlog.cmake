# Compile settings shared by every Vesperlog target.

add_library(vesperlog_options INTERFACE)
target_compile_definitions(vesperlog_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_NO_KEYWORDS
)
target_compile_options(vesperlog_options INTERFACE -Wall -Wextra -Wno-unused-parameter)

if(VESPERLOG_SANITIZE)
    target_compile_options(vesperlog_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(vesperlog_options INTERFACE -fsanitize=address,undefined)
endif()

# vesperlog_library(<name> SOURCES <folder-relative sources...> PUBLIC <deps...> PRIVATE <deps...>)
# One static library per source folder. PUBLIC lists what the library's headers expose (their includes),
# PRIVATE what only its sources use, so the folder's CMake file shows its real dependencies.
function(vesperlog_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC vesperlog_options ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()

# vesperlog_test(<name> SOURCES <...> LIBS <...>)
# One Qt Test executable per source folder, run headless by CTest.
function(vesperlog_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE vesperlog_options Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1"
        TIMEOUT 600)
endfunction()
