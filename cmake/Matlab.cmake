# Where MATLAB is installed, CMake's FindMatlab builds both MEX files against
# MATLAB's own headers and libraries, with the 32-bit-dimension API
# (MX_COMPAT_32, what mex -compatibleArrayDims sets), into dist/matlab/.
# MATLAB is not on the build machines, so this path is not exercised by the
# tests; build_mex.m is the other way in.
option(PENALTY_WITH_MATLAB "Build MEX files for an installed MATLAB" ON)
if(PENALTY_WITH_MATLAB)
    find_package(Matlab QUIET COMPONENTS MX_LIBRARY)
endif()

if(Matlab_FOUND)
    foreach(gateway ${PENALTY_GATEWAYS})
        penalty_gateway_parts(${gateway} name source kernels)
        matlab_add_mex(NAME ${name}_matlab SRC ${source} mex_gateway/gateway_args.cpp
                       OUTPUT_NAME ${name} LINK_TO ${kernels} R2017b)
        target_compile_definitions(${name}_matlab PRIVATE MX_COMPAT_32)
        target_include_directories(${name}_matlab PRIVATE mex_gateway)
        set_target_properties(${name}_matlab PROPERTIES
            LIBRARY_OUTPUT_DIRECTORY ${PENALTY_DIST_DIR}/matlab)
        penalty_compile_options(${name}_matlab)
    endforeach()
endif()
