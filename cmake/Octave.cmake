# Octave MEX files are plain shared objects named *.mex, compiled against
# Octave's mex.h and left with the host's symbols unresolved (Octave provides
# them when it loads the file), exactly as mkoctfile --mex links them.
find_program(MKOCTFILE mkoctfile)
find_program(OCTAVE_CLI octave-cli)
set(_found OFF)
if(MKOCTFILE AND OCTAVE_CLI)
    set(_found ON)
endif()
penalty_part(PENALTY_OCTAVE "Octave MEX files (dist/octave)" ${_found}
             "mkoctfile or octave-cli (Debian: octave, liboctave-dev)")
if(NOT PENALTY_OCTAVE_ENABLED)
    return()
endif()

execute_process(COMMAND ${MKOCTFILE} -p OCTINCLUDEDIR
                OUTPUT_VARIABLE OCTAVE_INCLUDE_DIR OUTPUT_STRIP_TRAILING_WHITESPACE)

# Each MEX is self-contained (kernels linked in), with its help text beside
# it (cmake/Help.cmake): calls go to the MEX, `help` reads the .m.
foreach(name ${PENALTY_GATEWAYS})
    add_library(${name} MODULE ${PROJECT_SOURCE_DIR}/matlab/${name}.cpp ${PENALTY_GATEWAY_SOURCES})
    set_target_properties(${name} PROPERTIES
        PREFIX "" SUFFIX ".mex"
        CXX_VISIBILITY_PRESET hidden
        LIBRARY_OUTPUT_DIRECTORY ${PENALTY_DIST_DIR}/octave)
    target_include_directories(${name} PRIVATE ${OCTAVE_INCLUDE_DIR} ${PENALTY_GATEWAY_INCLUDE_DIRS})
    target_link_libraries(${name} PRIVATE penalty_kernels)
    target_link_options(${name} PRIVATE -Wl,-Bsymbolic)
    penalty_compile_options(${name})
endforeach()
