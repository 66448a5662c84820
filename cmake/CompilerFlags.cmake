# Arithmetic must be IEEE double, one rounding per operation, in source order:
# no contraction into FMA, no fast-math reassociation, no x87 on 32-bit x86.
# -fno-math-errno only lets sqrt inline as one instruction; it changes no bit.
set(PENALTY_FP_FLAGS -ffp-contract=off -fno-fast-math -fno-math-errno)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
    list(APPEND PENALTY_FP_FLAGS -msse2 -mfpmath=sse)
    # A 32-bit Windows caller guarantees only 4-byte stack alignment: every
    # function that needs more (SSE spills) realigns its own frame.
    if(WIN32)
        list(APPEND PENALTY_FP_FLAGS -mincoming-stack-boundary=2)
    endif()
endif()
set(PENALTY_WARNING_FLAGS -Wall -Wextra)

function(penalty_compile_options target)
    target_compile_options(${target} PRIVATE ${PENALTY_FP_FLAGS} ${PENALTY_WARNING_FLAGS})
    target_compile_features(${target} PRIVATE cxx_std_20)
endfunction()
