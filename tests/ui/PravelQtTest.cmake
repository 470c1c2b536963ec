# pravel_add_qt_test(<name> SOURCES ... LIBS ...): one Qt Test executable, registered with CTest
# and run on the offscreen platform with its settings and runtime folders in the build tree.

find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

function(pravel_add_qt_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Widgets Qt6::Test Threads::Threads)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(${name} PRIVATE
        PRAVEL_SCREENSHOT_DIR="${PROJECT_BINARY_DIR}/screenshots"
        PRAVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 120
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${PROJECT_BINARY_DIR}/tests/runtime-${name}")
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/tests/runtime-${name})
    file(CHMOD ${PROJECT_BINARY_DIR}/tests/runtime-${name} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()
