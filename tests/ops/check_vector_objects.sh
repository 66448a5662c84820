#!/usr/bin/env bash
# check_vector_objects.sh NM DIR: each object under DIR that holds a vector
# instruction set's kernels may define, for the linker to share, only code
# templated on its own lanes, and the object of naturalLog's fused variant
# only its own entry points. Anything else they define (an inline helper,
# a scalar instance) is compiled for the wider set, and the linker may keep
# that copy for every caller, so that a CPU without the set would fault in
# code that never asked for it.
set -u
nm=$1
status=0
for object in $(find "$2" -name '*.o'); do
    # kernels_<set>.cpp and modulus_kernels_<set>.cpp own <Set>Lanes.
    case $object in
    *kernels_scalar*) continue ;;
    *kernels_*) set=${object##*kernels_}; set=${set%%.*}; own="${set^}Lanes" ;;
    *natural_log_fma*) own=' naturalLog(Fused|FusedWithPath|FusedFastParts|HasFma)\(' ;;
    *) continue ;;
    esac
    stray=$("$nm" -C --defined-only "$object" | awk '$2 ~ /^[TWV]$/' | grep -Ev "$own" | grep -v ' k[A-Za-z0-9]*Kernels$')
    echo "$(basename "$object"): $( [ -z "$stray" ] && echo "only its own code" || echo "also defines:")"
    if [ -n "$stray" ]; then
        echo "$stray" | head -10
        status=1
    fi
done
exit $status
