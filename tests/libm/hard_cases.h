// Doubles whose natural logarithm lies within a tiny fraction of an ulp of
// a midpoint between two doubles, found by natural_log/find_hard_cases.cpp
// with MPFR, and their correctly rounded logarithms.
#pragma once

struct HardCase {
    double x, expected;
};

// Each comment gives the distance of the exact logarithm from the nearest
// midpoint, in ulps of the result; the fast path decides only beyond about
// 2^-14 ulp. Near 1 (x = 1 +- k 2^-52) the hardest cases cluster.
inline const HardCase kHardCases[] = {
    {0x1.0000000000006p+0, 0x1.7fffffffffffcp-50}, // 4e-15 ulp
    {0x1.ffffffffffff4p-1, -0x1.8000000000005p-50}, // 4e-15 ulp
    {0x1.fffffffffffd8p-1, -0x1.400000000000dp-48}, // 3.7e-14 ulp
    {0x1.000000000001cp+0, 0x1.bffffffffffe8p-48}, // 1.02e-13 ulp
    {0x1.fffffffffff5p-1, -0x1.600000000003dp-46}, // 7.88e-13 ulp
    {0x1.0000000000058p+0, 0x1.5ffffffffffc4p-46}, // 7.88e-13 ulp
    {0x1.0000000000068p+0, 0x1.9ffffffffffacp-46}, // 1.3e-12 ulp
    {0x1.0000000000078p+0, 0x1.dffffffffff9p-46}, // 2e-12 ulp
    {0x1.1ce9d7d470e38p+492, 0x1.5522aaf0ac539p+8}, // 8.09e-07 ulp
    {0x1.a96ba0d4b549ap-548, -0x1.7b56358aab6a1p+8}, // 1.26e-06 ulp
    {0x1.4025ae4d254b6p-536, -0x1.734da41c0bc74p+8}, // 1.34e-06 ulp
    {0x1.1754bd535fa7cp+904, 0x1.39589c587b2b7p+9}, // 1.38e-06 ulp
    {0x1.e9159862bb49p-643, -0x1.bd0bd8fa346f5p+8}, // 1.4e-06 ulp
    {0x1.bf7c080b50e02p+860, 0x1.2a5520059e55fp+9}, // 1.49e-06 ulp
    {0x1.a819602df44a5p+68, 0x1.7d1c4226224f8p+5}, // 1.51e-06 ulp
    {0x1.2f67584fc7c04p+848, 0x1.25fab68c2052fp+9}, // 1.61e-06 ulp
    {0x1.0000000000048p+0, 0x1.1ffffffffffd8p-46}, // 4.32e-13 ulp
    {0x1.000000000011p+0, 0x1.0ffffffffff7p-44}, // 5.82e-12 ulp
    {0x1.000000000015p+0, 0x1.4ffffffffff24p-44}, // 1.1e-11 ulp
    {0x1.00000000001dp+0, 0x1.cfffffffffe5cp-44}, // 2.89e-11 ulp
    {0x1.00000000001fp+0, 0x1.efffffffffe2p-44}, // 3.53e-11 ulp
    {0x1.00000000004ep+0, 0x1.37ffffffffd08p-42}, // 1.4e-10 ulp
    {0x1.00000000005ap+0, 0x1.67ffffffffc0cp-42}, // 2.16e-10 ulp
    {0x1.000000000066p+0, 0x1.97ffffffffaecp-42}, // 3.14e-10 ulp
    {0x1.fffffffffffc8p-1, -0x1.c000000000019p-48}, // 1.02e-13 ulp
    {0x1.fffffffffff3p-1, -0x1.a000000000055p-46}, // 1.3e-12 ulp
    {0x1.fffffffffff1p-1, -0x1.e000000000071p-46}, // 2e-12 ulp
    {0x1.ffffffffffd2p-1, -0x1.7000000000109p-44}, // 1.44e-11 ulp
    {0x1.ffffffffffcep-1, -0x1.9000000000139p-44}, // 1.85e-11 ulp
    {0x1.ffffffffff5cp-1, -0x1.4800000000349p-42}, // 1.63e-10 ulp
    {0x1.ffffffffff54p-1, -0x1.580000000039dp-42}, // 1.88e-10 ulp
    {0x1.ffffffffff44p-1, -0x1.7800000000451p-42}, // 2.46e-10 ulp
    {0x1.835p+999, 0x1.5a6f1d803a23dp+9}, // 3.66e-07 ulp
    {0x1.4758p-846, -0x1.25140e227a644p+9}, // 5.55e-07 ulp
    {0x1.4c62p+989, 0x1.56e44f58e0961p+9}, // 5.98e-07 ulp
    {0x1.b148p-566, -0x1.87cb8b519cc6fp+8}, // 8.45e-07 ulp
    {0x1.cf9ap-16, -0x1.4fe362563dd59p+3}, // 1.34e-06 ulp
    {0x1.bbf4p+174, 0x1.e4a1f252f6909p+6}, // 1.6e-06 ulp
    {0x1.b27ap-778, -0x1.0d5ea94f404c7p+9}, // 1.93e-06 ulp
    {0x1.f938p-797, -0x1.13e116299c063p+9}, // 2.45e-06 ulp
};
