#!/usr/bin/env sh
# runs-32-bit.sh: exits 0 when this machine's kernel starts a 32-bit x86
# program. Some virtual machines run 64-bit code only (exec gives "Exec
# format error" although the kernel has IA32 emulation built in); there the
# 32-bit Wine replays cannot run, whatever is installed. The probe is a
# static 96-byte program that only calls exit(0), so it needs no 32-bit
# library: an ELF header, one loadable segment, and mov eax,1; mov ebx,0;
# int 0x80.
probe=$(mktemp) || exit 2
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$probe"
printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
printf '\270\001\000\000\000\273\000\000\000\000\315\200' >>"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
status=$?
rm -f "$probe"
exit $status
