# Every target compiles with the floating-point flags of sources.mk (SSE2,
# never x87, on 32-bit x86; MinGW's flags for the Windows stack) and is
# warning-free with -Wall -Wextra.
set(PENALTY_COMPILE_FLAGS ${PENALTY_FP_FLAGS} -Wall -Wextra)
if(MINGW)
    list(APPEND PENALTY_COMPILE_FLAGS ${PENALTY_FLAGS_MINGW})
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
    list(APPEND PENALTY_COMPILE_FLAGS ${PENALTY_FP_FLAGS_X86_32})
    # A 32-bit Windows caller guarantees only 4-byte stack alignment: every
    # function that needs more (SSE spills) realigns its own frame.
    if(WIN32)
        list(APPEND PENALTY_COMPILE_FLAGS -mincoming-stack-boundary=2)
    endif()
endif()

function(penalty_compile_options target)
    target_compile_options(${target} PRIVATE ${PENALTY_COMPILE_FLAGS})
    target_compile_features(${target} PRIVATE cxx_std_20)
endfunction()
