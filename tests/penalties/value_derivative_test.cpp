// penaltyValue and penaltyDerivative: the conventions by bit pattern, and
// the values' agreement with penaltySum, to the bit: adding SCAD's and
// MCP's values in index order is penaltySum, and every capped-l1 and
// log-sum value is lambda times penaltySum's term.
#include <cstdint>
#include <random>
#include <vector>

#include "bit_compare.h"
#include "dispatch.h"
#include "golden_cases.h"
#include "penalty_list.h"

namespace {

TEST(ValueDerivative, EveryCaseThroughDispatch)
{
    for (const ElementCase& c : kElementCases) {
        const int penalty = penaltyIndexOfName(c.penalty);
        double scalar = 12345.0, weighted = 12345.0;
        if (c.what == 'v') {
            valueByPenalty(penalty, &scalar, &c.x, &c.lambda, false, 1, c.theta);
            valueByPenalty(penalty, &weighted, &c.x, &c.lambda, true, 1, c.theta);
        } else {
            derivativeByPenalty(penalty, &scalar, &c.x, &c.lambda, false, 1, c.theta);
            derivativeByPenalty(penalty, &weighted, &c.x, &c.lambda, true, 1, c.theta);
        }
        EXPECT_TRUE(sameBits(scalar, c.expected) && sameBits(weighted, c.expected))
            << c.penalty << " " << c.what << " lambda " << c.lambda << " theta " << c.theta << " x " << describe(c.x)
            << ": " << describe(scalar);
    }
}

TEST(ValueDerivative, ValuesAreWhatPenaltySumAdds)
{
    std::mt19937_64 rng(13);
    for (int penalty = 0; penalty < kPenaltyCount; ++penalty) {
        if (!(kPenaltyInfo[penalty].operations & SumOperation))
            continue;
        const PenaltyType code = kPenaltyInfo[penalty].code;
        for (int set = 0; set < 32; ++set) {
            const double lambda = std::exp(std::uniform_real_distribution<double>(-4, 3)(rng));
            const double theta = kPenaltyInfo[penalty].theta.lower + std::exp(std::uniform_real_distribution<double>(-3, 2)(rng));
            std::vector<double> x(2000), values(x.size());
            for (double& v : x)
                v = std::normal_distribution<double>(0, 2 * lambda * theta)(rng);
            x[0] = kInf;
            valueByPenalty(penalty, values.data(), x.data(), &lambda, false, static_cast<std::ptrdiff_t>(x.size()), theta);
            if (code == Scad || code == Mcp) {
                double running = 0, sum = 0;
                for (double v : values)
                    running = running + v;
                sumByPenalty(code, &sum, x.data(), static_cast<std::int32_t>(x.size()), lambda, theta);
                ASSERT_TRUE(sameBits(running, sum)) << kPenaltyInfo[penalty].name;
            } else {
                for (std::size_t i = 0; i < x.size(); ++i) {
                    double term = 0;
                    sumByPenalty(code, &term, &x[i], 1, 1.0, theta);
                    ASSERT_TRUE(sameBits(values[i], lambda * term)) << kPenaltyInfo[penalty].name << " x " << describe(x[i]);
                }
            }
        }
    }
}

} // namespace
