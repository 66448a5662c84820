// The drivers' loops run their index up to the block bounds, which must be
// multiples of the block size within 0 .. n that leave at most one single
// block and fewer than N elements for the partial block: for every small
// count and at the largest ones, where a bound formed as i + 2N in 32 bits
// overflows and the loop reads past the end. Only the bounds are computed,
// so no array of that size is needed.
#include <cstdint>
#include <cstddef>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch.h"
#include "drivers.h"
#include "path_operations.h"

namespace {

template <int N>
void expectSoundBounds(std::ptrdiff_t n)
{
    const BlockBounds b = blockBounds<N>(n);
    const std::ptrdiff_t end = n > 0 ? n : 0;
    EXPECT_TRUE(0 <= b.pairsEnd && b.pairsEnd <= b.blocksEnd && b.blocksEnd <= end) << "N " << N << ", n " << n;
    EXPECT_EQ(b.pairsEnd % (2 * N), 0) << "N " << N << ", n " << n;
    EXPECT_EQ(b.blocksEnd % N, 0) << "N " << N << ", n " << n;
    EXPECT_LT(b.blocksEnd - b.pairsEnd, 2 * N) << "N " << N << ", n " << n;
    EXPECT_LT(end - b.blocksEnd, N) << "N " << N << ", n " << n;
}

TEST(Drivers, BlockBoundsStayWithinTheArray)
{
    // 2^31 wraps to INT32_MIN where ptrdiff_t has 32 bits.
    const std::ptrdiff_t large[] = {INT32_MAX, std::ptrdiff_t{INT32_MAX} - 9, std::ptrdiff_t(std::uint32_t{INT32_MAX} + 1),
                                    std::numeric_limits<std::ptrdiff_t>::max(),
                                    std::numeric_limits<std::ptrdiff_t>::min(), INT32_MIN};
    for (std::ptrdiff_t n = -3; n <= 40; ++n) {
        expectSoundBounds<2>(n);
        expectSoundBounds<4>(n);
        expectSoundBounds<8>(n);
    }
    for (std::ptrdiff_t n : large) {
        expectSoundBounds<2>(n);
        expectSoundBounds<4>(n);
        expectSoundBounds<8>(n);
    }
}

// The weight checks find the first weight that is not a number >= 0 (for
// the derivative's, not a finite one) on every path, wherever it sits in a
// block of four blocks or in the tail; -0 and subnormals pass, and +inf
// passes the check of penaltyProx and penaltyValue.
TEST(Drivers, FirstInvalidWeightOnEveryPath)
{
    const double inf = __builtin_inf();
    const double bad[] = {-1, -4.9e-324, __builtin_nan(""), inf, -inf};
    for (SimdPath on : pathsHere()) {
        for (std::ptrdiff_t n : {0, 1, 7, 31, 32, 33, 100}) {
            std::vector<double> w(n, 1.5);
            if (n > 2) {
                w[0] = -0.0;
                w[1] = 4.9e-324;
            }
            EXPECT_EQ(firstInvalidWeightOn(on, w.data(), n, false), n);
            for (std::ptrdiff_t at = 0; at < n; ++at)
                for (double b : bad) {
                    std::vector<double> v = w;
                    v[at] = b;
                    if (at + 3 < n)
                        v[at + 3] = -2; // only the first one counts
                    const std::ptrdiff_t infiniteAt = b == inf ? (at + 3 < n ? at + 3 : n) : at;
                    EXPECT_EQ(firstInvalidWeightOn(on, v.data(), n, false), at)
                        << simdPathName(on) << " n " << n << " bad " << b;
                    EXPECT_EQ(firstInvalidWeightOn(on, v.data(), n, true), infiniteAt)
                        << simdPathName(on) << " n " << n << " bad " << b << ", +inf allowed";
                }
        }
    }
}

} // namespace
