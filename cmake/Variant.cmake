# Instrumented builds of the tests, made as nested builds by Hardening.cmake:
#   sanitize  AddressSanitizer + UndefinedBehaviorSanitizer, every finding
#             fatal; float division by zero is left out because IEEE
#             infinities and NaNs are part of the arithmetic, while
#             float-cast-overflow (the count conversion's trap) stays in.
#             With PENALTY_VARIANT_FUZZ the code is also instrumented for
#             libFuzzer's coverage and the fuzz targets are built.
#   thread    ThreadSanitizer, for the concurrency test.
#   i686      nothing instrumented: the 32-bit x86 build (Linux32.cmake),
#             whose flags come with its toolchain file.
if(PENALTY_VARIANT STREQUAL "sanitize")
    set(VARIANT_FLAGS -fsanitize=address,undefined,float-cast-overflow
        -fno-sanitize=float-divide-by-zero -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
    add_compile_options(${VARIANT_FLAGS})
    if(PENALTY_VARIANT_FUZZ)
        add_compile_options(-fsanitize=fuzzer-no-link)
    endif()
    add_link_options(${VARIANT_FLAGS})
elseif(PENALTY_VARIANT STREQUAL "thread")
    add_compile_options(-fsanitize=thread -g)
    add_link_options(-fsanitize=thread)
elseif(NOT PENALTY_VARIANT STREQUAL "i686")
    message(FATAL_ERROR "unknown PENALTY_VARIANT '${PENALTY_VARIANT}'")
endif()
