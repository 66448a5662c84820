# The sanitizer and thread-checking builds of the tests: nested builds of
# this source tree with clang (libFuzzer comes with it), run by this build's
# CTest. See Variant.cmake for what each one instruments.
include(ExternalProject)
find_program(CLANGXX clang++)
if(NOT CLANGXX)
    message(STATUS "clang++ not found: no sanitizer, fuzz or thread builds (run scripts/install-deps.sh)")
    return()
endif()

set(PENALTY_VARIANTS sanitize thread)
foreach(variant ${PENALTY_VARIANTS})
    ExternalProject_Add(variant_${variant}
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/${variant}
        CMAKE_ARGS -DCMAKE_CXX_COMPILER=${CLANGXX} -DCMAKE_BUILD_TYPE=Release
                   -DPENALTY_VARIANT=${variant}
        BUILD_ALWAYS ON
        INSTALL_COMMAND "")
endforeach()
