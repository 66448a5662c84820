# The optional parts of the build. Each is a cache variable that is AUTO
# (the default: built when its tools are found, and otherwise skipped with a
# message naming what is missing), ON (built, and the configure fails when a
# tool is missing) or OFF (skipped, and said so).
#
#   penalty_part(<VAR> <description> <found> <missing> [<where to get it>])
# sets <VAR>_ENABLED to ON or OFF; <found> is a boolean, <missing> names
# what is needed when it is false (by default scripts/install-deps.sh
# installs it).
function(penalty_part var description found missing)
    set(hint "scripts/install-deps.sh installs it")
    if(ARGC GREATER 4)
        set(hint "${ARGV4}")
    endif()
    if(NOT DEFINED ${var})
        set(${var} AUTO)
    endif()
    set(${var} ${${var}} CACHE STRING "${description}: AUTO, ON or OFF")
    set_property(CACHE ${var} PROPERTY STRINGS AUTO ON OFF)
    string(TOUPPER "${${var}}" setting)
    if(setting STREQUAL "OFF")
        message(STATUS "${description}: skipped (${var}=OFF)")
        set(${var}_ENABLED OFF PARENT_SCOPE)
    elseif(found)
        message(STATUS "${description}: built")
        set(${var}_ENABLED ON PARENT_SCOPE)
    elseif(setting STREQUAL "ON")
        message(FATAL_ERROR "${description} asked for (${var}=ON), but ${missing} not found; ${hint}")
    else()
        message(STATUS "${description}: skipped, ${missing} not found (${hint})")
        set(${var}_ENABLED OFF PARENT_SCOPE)
    endif()
endfunction()
