# Where MATLAB is installed, CMake's FindMatlab builds every MEX file against
# MATLAB's own headers and libraries, with the 32-bit-dimension API
# (MX_COMPAT_32, what mex -compatibleArrayDims sets), into dist/matlab/.
# MATLAB is not on the build machines, so AUTO skips this part there and
# the tests do not exercise it; matlab/build_mex.m is the other way in.
set(Matlab_FOUND OFF)
if(NOT PENALTY_MATLAB STREQUAL "OFF")
    find_package(Matlab QUIET COMPONENTS MX_LIBRARY)
endif()
penalty_part(PENALTY_MATLAB "MATLAB MEX files (dist/matlab)" "${Matlab_FOUND}" "MATLAB"
             "set Matlab_ROOT_DIR to an installed MATLAB")
if(NOT PENALTY_MATLAB_ENABLED)
    return()
endif()

foreach(name ${PENALTY_GATEWAYS})
    matlab_add_mex(NAME ${name}_matlab SRC ${PROJECT_SOURCE_DIR}/matlab/${name}.cpp
                   ${PENALTY_GATEWAY_SOURCES} OUTPUT_NAME ${name} LINK_TO penalty_kernels R2017b)
    target_compile_definitions(${name}_matlab PRIVATE MX_COMPAT_32)
    target_include_directories(${name}_matlab PRIVATE ${PENALTY_GATEWAY_INCLUDE_DIRS})
    set_target_properties(${name}_matlab PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${PENALTY_DIST_DIR}/matlab)
    penalty_compile_options(${name}_matlab)
endforeach()
