# The Windows deliverables are cross-built with Debian's MinGW-w64, one
# nested CMake build per architecture over this same source tree (see
# WindowsBuild.cmake); the tests that load them run under Wine.
include(ExternalProject)

find_program(MINGW_X86_64_CXX x86_64-w64-mingw32-g++)
find_program(MINGW_I686_CXX i686-w64-mingw32-g++)
find_program(WINE wine)
# A 64-bit host goes to Wine's 64-bit loader itself: the `wine` launcher
# tries the 32-bit one first, which fails on a machine that runs no 32-bit
# program, taking the 64-bit replay down with the 32-bit one.
find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(WINE64 wine64)
set(_found OFF)
if(MINGW_X86_64_CXX AND MINGW_I686_CXX)
    set(_found ON)
endif()
penalty_part(PENALTY_WINDOWS "Windows DLLs (dist/windows)" ${_found}
             "MinGW-w64 (Debian: g++-mingw-w64-x86-64-win32, g++-mingw-w64-i686-win32)")

set(PENALTY_WINDOWS_ARCHES)
if(NOT PENALTY_WINDOWS_ENABLED)
    return()
endif()
set(PENALTY_WINDOWS_ARCHES x86_64 i686)

# Their tests load the DLLs under Wine.
if(BUILD_TESTING OR NOT DEFINED BUILD_TESTING)
    if(NOT WINE AND PENALTY_WINDOWS STREQUAL "ON")
        message(FATAL_ERROR "Windows DLLs asked for (PENALTY_WINDOWS=ON), but wine, which tests "
                            "them, is not found; scripts/install-deps.sh installs it")
    elseif(NOT WINE)
        message(STATUS "Windows DLLs: their replay under Wine is skipped, wine not found")
    endif()
endif()

foreach(arch ${PENALTY_WINDOWS_ARCHES})
    ExternalProject_Add(windows_${arch}
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/windows-${arch}
        CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchains/mingw-w64-${arch}.cmake
                   -DCMAKE_BUILD_TYPE=Release -DPENALTY_DIST_DIR=${PENALTY_DIST_DIR}
        BUILD_ALWAYS ON
        INSTALL_COMMAND ""
        STEP_TARGETS build)
endforeach()
