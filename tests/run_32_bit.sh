#!/usr/bin/env sh
# run_32_bit.sh PROGRAM ARGS...: runs a 32-bit x86 program natively where the
# kernel starts one, else under qemu-i386 (its most capable CPU model, so that
# the instruction sets the program detects are the ones it is given).
if "$(dirname "$0")/../scripts/runs-32-bit.sh"; then
    exec "$@"
fi
exec qemu-i386 -cpu max "$@"
