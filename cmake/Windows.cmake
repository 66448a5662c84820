# The Windows deliverables are cross-built with Debian's MinGW-w64, one
# nested CMake build per architecture over this same source tree (see
# WindowsBuild.cmake); the tests that load them run under Wine.
include(ExternalProject)

find_program(MINGW_X86_64_CXX x86_64-w64-mingw32-g++)
find_program(MINGW_I686_CXX i686-w64-mingw32-g++)
find_program(WINE wine)

set(PENALTY_WINDOWS_ARCHES)
if(MINGW_X86_64_CXX)
    list(APPEND PENALTY_WINDOWS_ARCHES x86_64)
endif()
if(MINGW_I686_CXX)
    list(APPEND PENALTY_WINDOWS_ARCHES i686)
endif()
if(NOT PENALTY_WINDOWS_ARCHES)
    message(STATUS "MinGW-w64 not found: Windows DLLs are not built (run scripts/install-deps.sh)")
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
