// The files a benchmark case is written as (make_data.py, glm_data.py):
// raw little-endian doubles, and meta.txt of "key value" lines.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "fit_path.h"

// FNV-1a over the bytes of the doubles: two builds or versions that print
// the same hash of a path's outputs made the same path.
inline std::uint64_t hashOf(const double* v, std::int64_t count, std::uint64_t h = 14695981039346656037ull)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(v);
    for (std::int64_t k = 0; k < count * 8; ++k)
        h = (h ^ bytes[k]) * 1099511628211ull;
    return h;
}

inline std::vector<double> readDoubles(const std::string& file)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const std::streamsize bytes = in.tellg();
    std::vector<double> v(bytes > 0 ? bytes / 8 : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(v.size() * 8));
    return v;
}

inline std::map<std::string, std::string> readMeta(const std::string& dir)
{
    std::map<std::string, std::string> m;
    std::ifstream in(dir + "/meta.txt");
    std::string k, v;
    while (in >> k >> v)
        m[k] = v;
    return m;
}

// A case read for one path of the core: its design at the case's lambdas
// (penalty index, theta and RelTol from the command line), and the room for
// the path's outputs.
struct BenchCase {
    std::map<std::string, std::string> meta;
    std::int64_t n = 0, p = 0, count = 0;
    std::vector<double> X, y, lambda, factor;
    std::vector<double> B, b0, lam, df, fit, obj, passes, conv;
    FitDesign design{};
    FitSettings settings{};
    FitOutput out{};
};

inline void readCase(const std::string& dir, int penalty, double theta, double relTol, BenchCase* c)
{
    c->meta = readMeta(dir);
    c->n = std::atoll(c->meta["n"].c_str());
    c->p = std::atoll(c->meta["p"].c_str());
    c->X = readDoubles(dir + "/X.f64");
    c->y = readDoubles(dir + "/y.f64");
    c->lambda = readDoubles(dir + "/lambda.f64");
    c->count = static_cast<std::int64_t>(c->lambda.size());
    c->factor.assign(c->p, 1.0);
    c->design = {c->n, c->p, c->X.data(), nullptr, nullptr, nullptr, 0, c->y.data()};
    FitSettings& s = c->settings;
    s.penalty = penalty;
    s.theta = theta;
    s.lambda = c->lambda.data();
    s.lambdaCount = c->count;
    s.standardize = c->meta["standardize"] == "1";
    s.intercept = c->meta["intercept"] == "1";
    s.penaltyFactor = c->factor.data();
    s.relTol = relTol;
    s.maxPasses = 100000;
    s.dfMax = 1e300;
    s.threads = std::getenv("FIT_THREADS") ? std::atoi(std::getenv("FIT_THREADS")) : 1;
    const std::int64_t L = c->count;
    c->B.assign(c->p * L, 0.0);
    for (auto* v : {&c->b0, &c->lam, &c->df, &c->fit, &c->obj, &c->passes, &c->conv})
        v->assign(L, 0.0);
    c->out = {c->B.data(), c->b0.data(), c->lam.data(), c->df.data(), c->fit.data(), c->obj.data(),
              c->passes.data(), c->conv.data(), 0};
}
