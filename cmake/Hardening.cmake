# The instrumented builds of the tests: nested builds of this source tree
# with clang, run by this build's CTest (see Variant.cmake for what each
# instruments). Three parts:
#   PENALTY_SANITIZE  the kernels and gateways under AddressSanitizer and UBSan
#   PENALTY_FUZZ      libFuzzer targets for the gateways and the kernels
#                     (built inside the sanitizer build)
#   PENALTY_THREADS   the kernels from several threads under ThreadSanitizer
include(ExternalProject)
find_program(CLANGXX clang++)

# A clang runtime library by file name, or "" when clang lacks it.
function(clang_runtime out library)
    set(path "")
    if(CLANGXX)
        execute_process(COMMAND ${CLANGXX} -print-file-name=${library}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
            set(path "")
        endif()
    endif()
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

clang_runtime(_asan libclang_rt.asan-x86_64.a)
clang_runtime(_tsan libclang_rt.tsan-x86_64.a)
clang_runtime(_fuzzer libclang_rt.fuzzer-x86_64.a)
# penalty_clang_part(<name> <description> <runtime path>)
macro(penalty_clang_part name description runtime)
    set(_found OFF)
    if(NOT "${runtime}" STREQUAL "")
        set(_found ON)
    endif()
    penalty_part(PENALTY_${name} "${description}" ${_found}
                 "clang++ with its runtimes (Debian: clang, libclang-rt-14-dev)")
endmacro()
penalty_clang_part(SANITIZE "Sanitizer build (ASan, UBSan)" "${_asan}")
penalty_clang_part(FUZZ "Fuzz targets (libFuzzer)" "${_fuzzer}")
penalty_clang_part(THREADS "Thread build (TSan)" "${_tsan}")

set(PENALTY_VARIANTS)
if(PENALTY_SANITIZE_ENABLED OR PENALTY_FUZZ_ENABLED)
    list(APPEND PENALTY_VARIANTS sanitize)
endif()
if(PENALTY_THREADS_ENABLED)
    list(APPEND PENALTY_VARIANTS thread)
endif()
foreach(variant ${PENALTY_VARIANTS})
    ExternalProject_Add(variant_${variant}
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/${variant}
        CMAKE_ARGS -DCMAKE_CXX_COMPILER=${CLANGXX} -DCMAKE_BUILD_TYPE=Release
                   -DPENALTY_VARIANT=${variant} -DPENALTY_VARIANT_FUZZ=${PENALTY_FUZZ_ENABLED}
        BUILD_ALWAYS ON
        INSTALL_COMMAND "")
endforeach()
