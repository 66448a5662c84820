#include "dispatch.h"

#include "kernel_table.h"
#include "target_region.h"

namespace {

const KernelTable& kernelsOn(SimdPath path)
{
#if PENALTY_X86_VECTORS
    switch (path) {
    case Sse2Path: return kSse2Kernels;
    case Avx2Path: return kAvx2Kernels;
    case Avx512Path: return kAvx512Kernels;
    default: break;
    }
#endif
    (void)path;
    return kScalarKernels;
}

} // namespace

int penaltyIndexOfCode(std::int32_t code)
{
    int cappedL1 = 0;
    for (int i = 0; i < kPenaltyCount; ++i) {
        if (code != 0 && kPenaltyInfo[i].code == code)
            return i;
        if (kPenaltyInfo[i].code == CappedL1)
            cappedL1 = i;
    }
    return cappedL1;
}

int penaltyIndexOfName(const char* name)
{
    // The list's names are in lower case; only ASCII letters are folded.
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (int i = 0; i < kPenaltyCount; ++i) {
        const char* known = kPenaltyInfo[i].name;
        int k = 0;
        while (known[k] != '\0' && lower(name[k]) == known[k])
            ++k;
        if (known[k] == '\0' && name[k] == '\0')
            return i;
    }
    return -1;
}

void shrinkByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                       std::int32_t n, double lambda, double theta)
{
    kernelsOn(path).penalty[penaltyIndexOfCode(type)].shrink(dst, src, n, lambda, theta);
}

void shrinkByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n,
                     double lambda, double theta)
{
    shrinkByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}

void sumByPenaltyOn(SimdPath path, PenaltyType type, double* dst, const double* src,
                    std::int32_t n, double lambda, double theta)
{
    *dst = kernelsOn(path).penalty[penaltyIndexOfCode(type)].sum(src, n, lambda, theta);
}

void sumByPenalty(PenaltyType type, double* dst, const double* src, std::int32_t n, double lambda,
                  double theta)
{
    sumByPenaltyOn(bestSimdPath(), type, dst, src, n, lambda, theta);
}

void proxByPenaltyOn(SimdPath path, int penalty, double* dst, const double* src, const double* lambda,
                     bool lambdaPerElement, std::ptrdiff_t n, double theta, double gamma)
{
    kernelsOn(path).penalty[penalty].prox(dst, src, lambda, lambdaPerElement, n, theta, gamma);
}

void proxByPenalty(int penalty, double* dst, const double* src, const double* lambda,
                   bool lambdaPerElement, std::ptrdiff_t n, double theta, double gamma)
{
    proxByPenaltyOn(bestSimdPath(), penalty, dst, src, lambda, lambdaPerElement, n, theta, gamma);
}

void valueByPenaltyOn(SimdPath path, int penalty, double* dst, const double* src, const double* lambda,
                      bool lambdaPerElement, std::ptrdiff_t n, double theta)
{
    kernelsOn(path).penalty[penalty].value(dst, src, lambda, lambdaPerElement, n, theta);
}

void valueByPenalty(int penalty, double* dst, const double* src, const double* lambda, bool lambdaPerElement,
                    std::ptrdiff_t n, double theta)
{
    valueByPenaltyOn(bestSimdPath(), penalty, dst, src, lambda, lambdaPerElement, n, theta);
}

void derivativeByPenaltyOn(SimdPath path, int penalty, double* dst, const double* src, const double* lambda,
                           bool lambdaPerElement, std::ptrdiff_t n, double theta)
{
    kernelsOn(path).penalty[penalty].derivative(dst, src, lambda, lambdaPerElement, n, theta);
}

void derivativeByPenalty(int penalty, double* dst, const double* src, const double* lambda, bool lambdaPerElement,
                         std::ptrdiff_t n, double theta)
{
    derivativeByPenaltyOn(bestSimdPath(), penalty, dst, src, lambda, lambdaPerElement, n, theta);
}

std::ptrdiff_t firstInvalidWeightOn(SimdPath path, const double* weights, std::ptrdiff_t n)
{
    return kernelsOn(path).firstInvalidWeight(weights, n);
}

std::ptrdiff_t firstInvalidWeight(const double* weights, std::ptrdiff_t n)
{
    return firstInvalidWeightOn(bestSimdPath(), weights, n);
}

void naturalLogOn(SimdPath path, double* dst, const double* src, std::ptrdiff_t n)
{
    kernelsOn(path).naturalLog(dst, src, n);
}
