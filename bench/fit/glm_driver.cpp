// glm_driver CASE_DIR PENALTY_INDEX THETA RELTOL [OBJECTIVES_OUT]: one
// binomial or Poisson path of the C++ core on a case of glm_data.py, at its
// lambdas, timed without Octave, for profiling the solver (perf record and
// callgrind work on it). Prints the time, the status, the passes, the fits,
// the unconverged fits and a hash of every output's bits (two builds or
// versions that print the same hash made the same path); writes each fit's
// objective as text where asked, for comparing two versions' paths. Built by
// hand against a build's kernel library, e.g.
//   g++ -O2 -std=c++20 -ffp-contract=off -Isrc/fit -Isrc/ops -Isrc/penalties -Isrc/lanes -Isrc/libm \
//       -Isrc/threads bench/fit/glm_driver.cpp build/libpenalty_kernels.a -lpthread -o glm_driver
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "case_files.h"
#include "glm_path.h"

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "glm_driver CASE_DIR PENALTY_INDEX THETA RELTOL [OBJECTIVES_OUT]\n");
        return 2;
    }
    const std::string dir = argv[1];
    BenchCase c;
    readCase(dir, std::atoi(argv[2]), std::atof(argv[3]), std::atof(argv[4]), &c);
    std::vector<double>&B = c.B, &b0 = c.b0, &lam = c.lam, &df = c.df, &dev = c.fit, &obj = c.obj, &passes = c.passes,
                        &conv = c.conv;
    const FitDesign& design = c.design;
    FitSettings& s = c.settings;
    FitOutput& out = c.out;
    const Distribution family = c.meta["family"] == "poisson" ? Distribution::Poisson : Distribution::Binomial;
    const auto t0 = std::chrono::steady_clock::now();
    const GlmPathStatus status = fitGlmPath(design, s, family, &out);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double totalPasses = 0, unconverged = 0;
    for (std::int64_t k = 0; k < out.fits; ++k) {
        totalPasses += passes[k];
        unconverged += conv[k] == 0;
    }
    std::uint64_t h = 14695981039346656037ull;
    for (const std::vector<double>* v : {&B, &b0, &df, &dev, &obj, &passes, &conv})
        h = hashOf(v->data(), static_cast<std::int64_t>(v->size()), h);
    std::printf("seconds %.3f status %d passes %.0f fits %lld unconverged %.0f hash %016llx\n", seconds,
                static_cast<int>(status), totalPasses, static_cast<long long>(out.fits), unconverged,
                static_cast<unsigned long long>(h));
    if (argc > 5) {
        std::FILE* f = std::fopen(argv[5], "w");
        for (std::int64_t k = 0; f && k < out.fits; ++k)
            std::fprintf(f, "%.17g %.17g %.0f %.0f\n", lam[k], obj[k], df[k], passes[k]);
        if (f)
            std::fclose(f);
    }
    return 0;
}
