# What the Windows cross build takes from the Debian host: the header-only CLI11 and nlohmann-json
# (their own header folders only, never all of /usr/include, whose C library headers would shadow
# mingw's), and GoogleTest built from its sources with the cross tool chain.

# A folder with just the two libraries' header folders, linked from the host.
set(PRAVEL_WIN_HEADERS ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${PRAVEL_WIN_HEADERS})
foreach(folder IN ITEMS CLI nlohmann)
    if(NOT EXISTS /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} is missing: install libcli11-dev and nlohmann-json3-dev")
    endif()
    file(CREATE_LINK /usr/include/${folder} ${PRAVEL_WIN_HEADERS}/${folder} SYMBOLIC)
endforeach()

# Package configs of our own for find_package(CLI11) and find_package(nlohmann_json): the host's
# would put all of /usr/include on the include path.
foreach(package IN ITEMS CLI11 nlohmann_json)
    if(package STREQUAL CLI11)
        set(target CLI11::CLI11)
    else()
        set(target nlohmann_json::nlohmann_json)
    endif()
    set(dir ${PROJECT_BINARY_DIR}/host-packages/${package})
    file(WRITE ${dir}/${package}Config.cmake
        "if(NOT TARGET ${target})\n"
        "    add_library(${target} INTERFACE IMPORTED)\n"
        "    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES \"${PRAVEL_WIN_HEADERS}\")\n"
        "endif()\n")
    set(${package}_DIR ${dir} CACHE PATH "Header-only ${package} for the cross build" FORCE)
endforeach()

if(PRAVEL_BUILD_TESTS)
    if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
        message(FATAL_ERROR "/usr/src/googletest is missing: install googletest (libgtest-dev)")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    # Whoever asks for the GTest package finds the targets built here.
    set(GTest_FOUND TRUE)
endif()
