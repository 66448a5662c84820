# Test programs, built alike in the main build and in the sanitizer and
# thread-checking builds (PENALTY_VARIANT); only the main build registers tests.
include(${PROJECT_SOURCE_DIR}/cmake/CallTable.cmake)

add_executable(kernel_tests
    penalties/unit_step_test.cpp
    penalties/prox_step_test.cpp
    penalties/prox_ranges_test.cpp
    ops/simd_paths_test.cpp
    ops/drivers_test.cpp
    ops/threads_test.cpp
    ops/class_drivers_test.cpp
    matlab/count_conversion_test.cpp
    fit/fit_path_test.cpp
    fit/glm_step_test.cpp
    fit/cross_validation_test.cpp)
target_include_directories(kernel_tests PRIVATE support penalties libm ${PENALTY_GATEWAY_INCLUDE_DIRS})
target_link_libraries(kernel_tests PRIVATE penalty_kernels GTest::gtest GTest::gtest_main)
penalty_compile_options(kernel_tests)

# --- The gateways over the stand-in MEX API, natively and under Wine ---

add_library(mex_standin SHARED matlab/mex_standin/standin_mx.cpp matlab/mex_standin/standin_mex.cpp)
target_include_directories(mex_standin PUBLIC matlab/mex_standin ${PENALTY_GATEWAY_INCLUDE_DIRS})
target_compile_definitions(mex_standin PUBLIC PENALTY_MATLAB_700_API)
penalty_compile_options(mex_standin)

# The reader of the bad-call table, and the arrays and calls over the stand-in API.
add_library(call_table STATIC matlab/call_table.cpp)
target_include_directories(call_table PUBLIC matlab ${PENALTY_CALL_TABLE_DIR})
target_link_libraries(call_table PUBLIC mex_standin)
penalty_compile_options(call_table)

add_executable(readers_test matlab/readers_test.cpp ${PENALTY_GATEWAY_SOURCES})
target_link_libraries(readers_test PRIVATE call_table penalty_kernels GTest::gtest GTest::gtest_main)
penalty_compile_options(readers_test)

# The gateways built exactly as for Windows, but as Linux modules that the
# native host loads; their output is the reference the DLLs must match.
foreach(name ${PENALTY_GATEWAYS})
    add_library(${name}_standin MODULE ${PROJECT_SOURCE_DIR}/matlab/${name}.cpp ${PENALTY_GATEWAY_SOURCES})
    set_target_properties(${name}_standin PROPERTIES PREFIX "" OUTPUT_NAME ${name}
        SUFFIX ".mexa64" CXX_VISIBILITY_PRESET hidden
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/standin)
    target_link_libraries(${name}_standin PRIVATE mex_standin penalty_kernels)
    penalty_compile_options(${name}_standin)
endforeach()

add_executable(mex_host matlab/mex_host/mex_host.cpp)
target_include_directories(mex_host PRIVATE penalties ${PENALTY_KERNEL_INCLUDE_DIRS})
target_link_libraries(mex_host PRIVATE call_table ${CMAKE_DL_LIBS})
penalty_compile_options(mex_host)
if(PENALTY_VARIANT STREQUAL "i686")
    # The stack-skewing entry addresses its data absolutely, and GCC 12's
    # -Wrestrict misfires inside libstdc++'s string concatenation on i686.
    target_link_options(mex_host PRIVATE -no-pie)
    target_compile_options(mex_host PRIVATE -Wno-restrict)
endif()

# Extra programs of the instrumented builds (see cmake/Variant.cmake).
if(PENALTY_VARIANT STREQUAL "sanitize" AND PENALTY_VARIANT_FUZZ)
    # One fuzz target per gateway (each defines mexFunction) and one for the kernels.
    # penaltyFitCore takes plain arrays of its own shape: a target of its own.
    set(ELEMENTWISE_GATEWAYS ${PENALTY_GATEWAYS})
    list(REMOVE_ITEM ELEMENTWISE_GATEWAYS penaltyFitCore)
    add_executable(fuzz_penaltyFitCore hardening/fuzz_fit.cpp ${PROJECT_SOURCE_DIR}/matlab/penaltyFitCore.cpp
                   ${PENALTY_GATEWAY_SOURCES})
    target_link_libraries(fuzz_penaltyFitCore PRIVATE call_table penalty_kernels)
    target_link_options(fuzz_penaltyFitCore PRIVATE -fsanitize=fuzzer)
    penalty_compile_options(fuzz_penaltyFitCore)
    foreach(name ${ELEMENTWISE_GATEWAYS})
        add_executable(fuzz_${name} hardening/fuzz_gateway.cpp ${PROJECT_SOURCE_DIR}/matlab/${name}.cpp
                       ${PENALTY_GATEWAY_SOURCES})
        target_compile_definitions(fuzz_${name} PRIVATE GATEWAY_NAME="${name}")
        target_link_libraries(fuzz_${name} PRIVATE call_table penalty_kernels)
        target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
        penalty_compile_options(fuzz_${name})
    endforeach()
    add_executable(fuzz_kernels hardening/fuzz_kernels.cpp)
    target_link_libraries(fuzz_kernels PRIVATE penalty_kernels)
    target_include_directories(fuzz_kernels PRIVATE support)
    target_link_options(fuzz_kernels PRIVATE -fsanitize=fuzzer)
    penalty_compile_options(fuzz_kernels)
elseif(PENALTY_VARIANT STREQUAL "thread")
    add_executable(kernel_threads_test hardening/kernel_threads_test.cpp)
    target_include_directories(kernel_threads_test PRIVATE support)
    target_link_libraries(kernel_threads_test PRIVATE penalty_kernels)
    penalty_compile_options(kernel_threads_test)
endif()
