# Test programs, built alike in the main build and in the sanitizer and
# thread-checking builds (PENALTY_VARIANT); only the main build registers tests.
add_executable(kernel_tests
    kernels/prox_golden_test.cpp
    kernels/prox_optimality_test.cpp
    kernels/count_conversion_test.cpp
    kernels/sum_golden_test.cpp
    kernels/simd_paths_test.cpp)
target_include_directories(kernel_tests PRIVATE kernels golden natural_log ${PROJECT_SOURCE_DIR}/mex_gateway)
target_link_libraries(kernel_tests PRIVATE shrink_kernels sum_kernels GTest::gtest GTest::gtest_main)
penalty_compile_options(kernel_tests)

# --- The gateways over the stand-in MEX API, natively and under Wine ---

add_library(mex_standin SHARED mex_standin/standin_mx.cpp mex_standin/standin_mex.cpp)
target_include_directories(mex_standin PUBLIC mex_standin ${PROJECT_SOURCE_DIR}/mex_gateway)
target_compile_definitions(mex_standin PUBLIC PENALTY_MATLAB_700_API)
penalty_compile_options(mex_standin)

# The gateways built exactly as for Windows, but as Linux modules that the
# native host loads; their output is the reference the DLLs must match.
foreach(gateway ${PENALTY_GATEWAYS})
    penalty_gateway_parts(${gateway} name source kernels)
    add_library(${name}_standin MODULE ${PROJECT_SOURCE_DIR}/${source}
                ${PROJECT_SOURCE_DIR}/mex_gateway/gateway_args.cpp)
    set_target_properties(${name}_standin PROPERTIES PREFIX "" OUTPUT_NAME ${name}
        SUFFIX ".mexa64" CXX_VISIBILITY_PRESET hidden
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/standin)
    target_link_libraries(${name}_standin PRIVATE mex_standin ${kernels})
    penalty_compile_options(${name}_standin)
endforeach()

add_executable(mex_host mex_host/mex_host.cpp)
target_include_directories(mex_host PRIVATE golden ${PROJECT_SOURCE_DIR}/penalty_codes)
target_link_libraries(mex_host PRIVATE mex_standin ${CMAKE_DL_LIBS})
penalty_compile_options(mex_host)

