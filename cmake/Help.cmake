# The .m files beside the MEX files, in each dist folder that gets them: the
# help of every gateway, the toolbox's help files and the functions written
# in M, written by matlab/assemble_help.m (run by Octave) with the shared
# help fragments filled in. MATLAB prefers a MEX file to a .m only within
# one folder, and `help` reads the .m beside the MEX file; so each MEX
# target depends on its folder's help, and building any MEX file leaves the
# help beside it.
set(PENALTY_SHIPPED_M_FILES)
foreach(name ${PENALTY_GATEWAYS})
    list(APPEND PENALTY_SHIPPED_M_FILES ${PROJECT_SOURCE_DIR}/matlab/help/${name}.m)
endforeach()
list(APPEND PENALTY_SHIPPED_M_FILES ${PENALTY_HELP_FILES} ${PENALTY_M_FILES})
file(GLOB _help_fragments CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/matlab/help/shared/*.txt)

function(penalty_help_target target dir)
    set(outputs)
    set(expression "addpath('${PROJECT_SOURCE_DIR}/matlab'); assemble_help('${dir}'")
    foreach(file ${PENALTY_SHIPPED_M_FILES})
        get_filename_component(name ${file} NAME)
        list(APPEND outputs ${dir}/${name})
        string(APPEND expression ", '${file}'")
    endforeach()
    string(APPEND expression ");")
    add_custom_command(OUTPUT ${outputs}
        COMMAND ${OCTAVE_CLI} --norc --no-history --no-window-system --eval "${expression}"
        DEPENDS ${PENALTY_SHIPPED_M_FILES} ${_help_fragments} ${PROJECT_SOURCE_DIR}/matlab/assemble_help.m
        COMMENT "Help files in ${dir}" VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()

if(PENALTY_OCTAVE_ENABLED)
    penalty_help_target(help_octave ${PENALTY_DIST_DIR}/octave)
    foreach(name ${PENALTY_GATEWAYS})
        add_dependencies(${name} help_octave)
    endforeach()
endif()
if(PENALTY_WINDOWS_ENABLED AND OCTAVE_CLI)
    penalty_help_target(help_windows ${PENALTY_DIST_DIR}/windows)
    foreach(arch ${PENALTY_WINDOWS_ARCHES})
        add_dependencies(windows_${arch} help_windows)
    endforeach()
elseif(PENALTY_WINDOWS_ENABLED)
    message(WARNING "dist/windows gets no help files: octave-cli, which assembles them, is not found "
                    "(scripts/install-deps.sh installs it)")
endif()
