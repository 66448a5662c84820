# Reads sources.mk, the one list of sources and floating-point flags that
# every build of the MEX files uses, into CMake variables of the same names
# (source paths made absolute).
file(READ ${PROJECT_SOURCE_DIR}/sources.mk _sources_text)
string(REGEX REPLACE "\\\\\n" " " _sources_text "${_sources_text}") # continuation lines
string(REPLACE "\n" ";" _sources_lines "${_sources_text}")
foreach(_line IN LISTS _sources_lines)
    if(_line MATCHES "^([A-Z0-9_]+) = (.*)$")
        separate_arguments(_value UNIX_COMMAND "${CMAKE_MATCH_2}")
        set(${CMAKE_MATCH_1} ${_value})
    endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/sources.mk)

foreach(_list PENALTY_KERNEL_SOURCES PENALTY_GATEWAY_SOURCES PENALTY_KERNEL_INCLUDE_DIRS
              PENALTY_GATEWAY_INCLUDE_DIRS PENALTY_HELP_FILES PENALTY_M_FILES)
    list(TRANSFORM ${_list} PREPEND ${PROJECT_SOURCE_DIR}/)
endforeach()
