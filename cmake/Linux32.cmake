# The kernel tests and the MEX host replay built for 32-bit x86 Linux, a
# nested build of this source tree (PENALTY_VARIANT i686). It is the same
# GCC with the same SSE2 flags as the 32-bit Windows DLLs, and it runs on
# every x86-64 machine: natively, or under qemu-i386 where the kernel starts
# no 32-bit program (and Wine's 32-bit replays are skipped).
include(ExternalProject)
find_program(QEMU_I386 qemu-i386)
set(_found OFF)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND QEMU_I386)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -m32 -print-file-name=libstdc++.so
                    OUTPUT_VARIABLE _libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${_libstdcxx}" AND EXISTS "${_libstdcxx}")
        set(_found ON)
    endif()
endif()
penalty_part(PENALTY_X86 "32-bit x86 Linux build of the tests" ${_found}
             "g++ -m32 or qemu-i386 (Debian: g++-multilib, qemu-user)")
if(PENALTY_X86_ENABLED)
    ExternalProject_Add(variant_i686
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/i686
        CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchains/linux-i686.cmake
                   -DCMAKE_BUILD_TYPE=Release -DPENALTY_VARIANT=i686
        BUILD_ALWAYS ON
        INSTALL_COMMAND "")
endif()
