# Octave MEX files are plain shared objects named *.mex, compiled against
# Octave's mex.h and left with the host's symbols unresolved (Octave provides
# them when it loads the file), exactly as mkoctfile --mex links them.
find_program(MKOCTFILE mkoctfile)
find_program(OCTAVE_CLI octave-cli)

if(MKOCTFILE)
    execute_process(COMMAND ${MKOCTFILE} -p OCTINCLUDEDIR
                    OUTPUT_VARIABLE OCTAVE_INCLUDE_DIR OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(PENALTY_HAVE_OCTAVE ON)
else()
    message(STATUS "mkoctfile not found: Octave MEX files are not built (run scripts/install-deps.sh)")
    set(PENALTY_HAVE_OCTAVE OFF)
endif()

# add_octave_mex(<name> <sources>... LIBRARIES <libs>...): <name>.mex plus the
# shared argument checks, with help/<name>.m copied beside it.
function(add_octave_mex name)
    cmake_parse_arguments(ARG "" "" "LIBRARIES" ${ARGN})
    add_library(${name} MODULE ${ARG_UNPARSED_ARGUMENTS}
                ${PROJECT_SOURCE_DIR}/mex_gateway/gateway_args.cpp)
    set_target_properties(${name} PROPERTIES
        PREFIX "" SUFFIX ".mex"
        CXX_VISIBILITY_PRESET hidden
        LIBRARY_OUTPUT_DIRECTORY ${PENALTY_DIST_DIR}/octave)
    target_include_directories(${name} PRIVATE ${OCTAVE_INCLUDE_DIR} ${PROJECT_SOURCE_DIR}/mex_gateway)
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES})
    target_link_options(${name} PRIVATE -Wl,-Bsymbolic)
    penalty_compile_options(${name})
    # The help text sits beside the MEX file: calls go to the MEX, `help` reads the .m.
    add_custom_command(TARGET ${name} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
                ${PROJECT_SOURCE_DIR}/help/${name}.m ${PENALTY_DIST_DIR}/octave/)
endfunction()
