// One lane: a plain double. The penalties' arithmetic instantiated on this
// type is the scalar reference that every vector path is held to, bit for
// bit, and the path every non-x86 build runs.
#pragma once

#if defined(PENALTY_VECTOR_INSTANCE)
// Templates instantiated here would be compiled for a wider instruction set
// and could be what the linker keeps for the scalar path.
#error "the scalar lanes must not be used in a vector instruction set's file"
#endif

#include <bit>
#include <cmath>
#include <cstdint>

struct ScalarLanes {
    typedef double V;
    typedef std::uint64_t U; // a lane's bits
    typedef bool Mask;
    static constexpr int N = 1;

    static V load(const double* p) { return *p; }
    static void store(double* p, V v) { *p = v; }
    static V splat(double d) { return d; }
    static V sqrt(V v) { return std::sqrt(v); }
    // |x| on the bits: a C library's fabs may run on the x87 unit (MinGW's
    // does on 32-bit x86), which turns a signalling NaN into a quiet one.
    static V magnitude(V v)
    {
        return std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) & 0x7fffffffffffffffull);
    }
    static U bits(V v) { return std::bit_cast<U>(v); }
    static V fromBits(U u) { return std::bit_cast<V>(u); }
    static bool allTrue(Mask m) { return m; }
    static bool anyTrue(Mask m) { return m; }
};
