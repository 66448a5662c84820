# The tests built for 32-bit x86 Linux with the system GCC (Debian:
# g++-multilib): the same compiler and flags as the 32-bit Windows build,
# run natively or under qemu-i386 (tests/run_32_bit.sh).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc) # GoogleTest's project enables C too
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT -m32)
endforeach()
