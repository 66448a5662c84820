// The columns are used as they are stored, scaled by 1/s_j but never
// centred: the intercept is a coordinate of its own (a column of ones,
// unpenalised), so a step of beta~_j moves eta only on the rows where
// column j is nonzero, and the coordinate-wise minima are those of the
// stated objective in (b0, beta) themselves.
//
// Each row keeps its loss, mean and curvature at the current eta, formed
// once from one exponential when eta changes. A step reads the quadratic
// model from them, forms the candidate's losses on the column's rows into
// scratch arrays (the decrease check), and where it is accepted moves eta
// and takes the scratch values over: each accepted step costs one
// exponential and one logarithm per nonzero of the column and no more.
#include "glm_path.h"

#include <bit>
#include <memory>
#include <new>
#include <type_traits>

#include "column_sums.h"
#include "glm_coordinate_step.h"

namespace {

template <class T>
std::unique_ptr<T[]> workArray(std::int64_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[count > 0 ? count : 1]());
}

struct GlmColumns {
    std::int64_t n = 0, p = 0;
    Distribution distribution = Distribution::Binomial;
    const double* dense = nullptr;
    const double* values = nullptr;
    std::unique_ptr<std::int64_t[]> rows, starts;
    const double* w = nullptr; // null: unit weights
    const double* y = nullptr;
    double totalWeight = 0;
    bool intercept = false;
    std::unique_ptr<double[]> ones, inverseScale, majorising;
    std::unique_ptr<bool[]> eligible;
    const double* factor = nullptr;
};

ColumnView columnOf(const GlmColumns& c, std::int64_t j) // j = -1: the intercept's column of ones
{
    if (j < 0)
        return {c.ones.get(), nullptr, c.n};
    if (c.dense)
        return {c.dense + j * c.n, nullptr, c.n};
    return {c.values + c.starts[j], c.rows.get() + c.starts[j], c.starts[j + 1] - c.starts[j]};
}

double weightOf(const GlmColumns& c, std::int64_t i) { return c.w ? c.w[i] : 1.0; }

bool prepareColumns(const FitDesign& d, const FitSettings& s, Distribution distribution, GlmColumns* c)
{
    c->n = d.rows;
    c->p = d.columns;
    c->distribution = distribution;
    c->intercept = s.intercept;
    c->factor = s.penaltyFactor;
    c->dense = d.dense;
    c->y = d.y;
    if (!d.dense) {
        c->values = d.values;
        c->rows = workArray<std::int64_t>(d.nonzeros);
        c->starts = workArray<std::int64_t>(d.columns + 1);
        if (!c->rows || !c->starts)
            return false;
        for (std::int64_t k = 0; k < d.nonzeros; ++k)
            c->rows[k] = static_cast<std::int64_t>(d.rowIndex[k]);
        for (std::int64_t j = 0; j <= d.columns; ++j)
            c->starts[j] = static_cast<std::int64_t>(d.columnStart[j]);
    }
    c->w = s.weights;
    c->ones = workArray<double>(c->n);
    c->inverseScale = workArray<double>(c->p);
    c->majorising = workArray<double>(c->p);
    c->eligible = workArray<bool>(c->p);
    if (!c->ones || !c->inverseScale || !c->majorising || !c->eligible)
        return false;
    for (std::int64_t i = 0; i < c->n; ++i)
        c->ones[i] = 1.0;
    c->totalWeight = weightedSum(c->ones.get(), c->w, c->n);
    for (std::int64_t j = 0; j < c->p; ++j) {
        const ColumnView col = columnOf(*c, j);
        const double mean = columnDot(col, c->w ? c->w : c->ones.get(), nullptr) / c->totalWeight;
        double squares, weightNonzero, raw, unused;
        columnSpread(col, c->w, mean, &squares, &weightNonzero);
        columnSpread(col, c->w, 0.0, &raw, &unused);
        const double variance = (squares + (mean * mean) * (c->totalWeight - weightNonzero)) / c->totalWeight;
        const double scale = s.standardize ? __builtin_sqrt(variance) : 1.0;
        const double inverse = 1.0 / scale;
        // Without standardising, a column that is 0 on every weighted row
        // has no curvature; with it, so has a constant column.
        c->eligible[j] = scale > 0 && raw > 0 && inverse < __builtin_inf() && s.penaltyFactor[j] < __builtin_inf();
        c->inverseScale[j] = c->eligible[j] ? inverse : 0.0;
        const double meanSquare = ((raw * inverse) * inverse) / c->totalWeight;
        c->majorising[j] = distribution == Distribution::Binomial ? 0.25 * meanSquare : 0.0;
    }
    return true;
}

// Per row: eta and its loss, mean and curvature; the coefficients on the
// fit's scale; scratch for a candidate step.
struct GlmState {
    std::unique_ptr<double[]> eta, loss, mean, curvature, beta, gradient, model;
    std::unique_ptr<double[]> newEta, newLoss, newMean, newCurvature;
    std::unique_ptr<bool[]> active;
    double intercept = 0;
    long long retries = 0;
};

void setRow(const GlmColumns& c, GlmState& st, std::int64_t i)
{
    observationState(c.distribution, st.eta[i], c.y[i], &st.loss[i], &st.mean[i], &st.curvature[i]);
}

// The quadratic model along a column on the fit's scale (entries x*scale).
void modelAlong(const GlmColumns& c, const GlmState& st, const ColumnView& col, double scale, double* slope,
                double* curvature)
{
    double g = 0, v = 0;
    for (std::int64_t k = 0; k < col.count; ++k) {
        const double x = col.values[k];
        if (x == 0)
            continue;
        const std::int64_t i = col.rows ? col.rows[k] : k;
        const double wi = weightOf(c, i);
        g += x * (wi * (st.mean[i] - c.y[i]));
        v += (x * x) * (wi * st.curvature[i]);
    }
    *slope = (g * scale) / c.totalWeight;
    *curvature = ((v * scale) * scale) / c.totalWeight;
}

// The candidate eta + delta*scale*x on the column's rows, its losses into
// the scratch arrays, and the change of the mean loss.
double candidateChange(const GlmColumns& c, GlmState& st, const ColumnView& col, double move)
{
    double change = 0;
    for (std::int64_t k = 0; k < col.count; ++k) {
        const double x = col.values[k];
        if (x == 0)
            continue;
        const std::int64_t i = col.rows ? col.rows[k] : k;
        st.newEta[i] = st.eta[i] + move * x;
        observationState(c.distribution, st.newEta[i], c.y[i], &st.newLoss[i], &st.newMean[i], &st.newCurvature[i]);
        change += weightOf(c, i) * (st.newLoss[i] - st.loss[i]);
    }
    return change / c.totalWeight;
}

void acceptCandidate(GlmState& st, const ColumnView& col)
{
    for (std::int64_t k = 0; k < col.count; ++k) {
        if (col.values[k] == 0)
            continue;
        const std::int64_t i = col.rows ? col.rows[k] : k;
        st.eta[i] = st.newEta[i];
        st.loss[i] = st.newLoss[i];
        st.mean[i] = st.newMean[i];
        st.curvature[i] = st.newCurvature[i];
    }
}

// One coordinate's step (j = -1 the intercept); returns v*(change)^2.
template <class P>
double coordinateStep(const GlmColumns& c, GlmState& st, std::int64_t j, double lambda, double theta)
{
    const ColumnView col = columnOf(c, j);
    const double scale = j < 0 ? 1.0 : c.inverseScale[j];
    double slope, v;
    modelAlong(c, st, col, scale, &slope, &v);
    double& coefficient = j < 0 ? st.intercept : st.beta[j];
    const double factor = j < 0 ? 0.0 : c.factor[j];
    const double majorising = j < 0 ? (c.distribution == Distribution::Binomial ? 0.25 : 0.0) : c.majorising[j];
    if (j >= 0)
        st.gradient[j] = slope, st.model[j] = v;
    const GlmStepResult r = glmCoordinateStep<P>(coefficient, slope, v, majorising, lambda, factor, theta,
                                                 [&](double delta) { return candidateChange(c, st, col, delta * scale); });
    st.retries += r.retries;
    const double delta = r.beta - coefficient;
    if (delta == 0)
        return 0;
    acceptCandidate(st, col);
    coefficient = r.beta;
    return (v * delta) * delta;
}

template <class P>
double sweep(const GlmColumns& c, GlmState& st, bool activeOnly, double lambda, double theta)
{
    double largest = c.intercept ? coordinateStep<P>(c, st, -1, lambda, theta) : 0.0;
    for (std::int64_t j = 0; j < c.p; ++j) {
        if (!c.eligible[j] || (activeOnly && !st.active[j]))
            continue;
        const double change = coordinateStep<P>(c, st, j, lambda, theta);
        largest = change > largest ? change : largest;
    }
    return largest;
}

// Full sweeps, and between them sweeps over the coefficients that are
// nonzero or unpenalised, until a full sweep moves nothing by more than the
// tolerance: so every coefficient has had its exact step at the accepted
// fit, the optimality check of every one.
template <class P>
bool solve(const GlmColumns& c, GlmState& st, double lambda, double theta, double tolerance, std::int64_t maxPasses,
           std::int64_t* passes, bool unpenalisedOnly)
{
    while (*passes < maxPasses) {
        for (std::int64_t j = 0; j < c.p; ++j)
            st.active[j] = c.eligible[j] && (c.factor[j] == 0 || (!unpenalisedOnly && st.beta[j] != 0));
        const double largest = sweep<P>(c, st, unpenalisedOnly, lambda, theta);
        ++*passes;
        if (largest <= tolerance)
            return true;
        for (std::int64_t j = 0; j < c.p; ++j)
            st.active[j] = c.eligible[j] && (c.factor[j] == 0 || st.beta[j] != 0);
        while (*passes < maxPasses) {
            const double inner = sweep<P>(c, st, true, lambda, theta);
            ++*passes;
            if (inner <= tolerance)
                break;
        }
    }
    return false;
}

// The model step at v can miss a lower point of the true objective where
// the loss's curvature away from the current fit is below v (the
// logistic's falls off on both sides, so the local minimum that a
// nonconvex penalty's map rejects in favour of 0 can be lower in truth,
// at lambda_max too). So before a lambda is accepted, every penalised
// coefficient is tried against other candidates, each the exact global
// minimiser of a quadratic model plus the penalty: 0; the exact steps of
// the models at the current fit with curvatures v*2^(-k/4), k = 1 ..
// kCandidateSteps, which reach ever farther; and the iterates of the
// coordinate's model steps (each model taken at the last iterate) from the
// Newton point and from the best of the far steps, which settle in the
// local minimum of their basin. The candidate that lowers the true
// objective most, by more than the tolerance, is taken and the lambda is
// solved again from there; returns whether any was taken.
constexpr int kCandidateSteps = 40;
constexpr int kCandidateIterates = 10;
constexpr int kRisesToStop = 4;
constexpr double kCandidateRatio = 0.84089641525371454; // 2^(-1/4), rounded

// The model along the column at the candidate last passed to
// candidateChange (its means and curvatures are in the scratch arrays).
void modelAtCandidate(const GlmColumns& c, const GlmState& st, const ColumnView& col, double scale, double* slope,
                      double* curvature)
{
    double g = 0, v = 0;
    for (std::int64_t k = 0; k < col.count; ++k) {
        const double x = col.values[k];
        if (x == 0)
            continue;
        const std::int64_t i = col.rows ? col.rows[k] : k;
        const double wi = weightOf(c, i);
        g += x * (wi * (st.newMean[i] - c.y[i]));
        v += (x * x) * (wi * st.newCurvature[i]);
    }
    *slope = (g * scale) / c.totalWeight;
    *curvature = ((v * scale) * scale) / c.totalWeight;
}

struct CandidateSearch {
    double beta, before, best, bestChange, factor, lambda, theta, scale;
};

template <class P>
double tryCandidate(const GlmColumns& c, GlmState& st, const ColumnView& col, CandidateSearch& s, double t)
{
    const double change = candidateChange(c, st, col, (t - s.beta) * s.scale) +
                          (s.factor * valueElement<ScalarLanes, P>(t, s.lambda, s.theta) - s.before);
    if (change < s.bestChange && t != s.beta)
        s.best = t, s.bestChange = change;
    return change;
}

// From t != 0, steps that stay on t's side of 0: each minimises the model
// at the last iterate plus the penalty linearised there (for a concave
// penalty the linearisation lies above it, so the step lowers the model
// plus the penalty), settling in the local minimum of t's basin that the
// global map may pass over for 0.
template <class P>
void iterateFrom(const GlmColumns& c, GlmState& st, const ColumnView& col, CandidateSearch& s, double t)
{
    for (int k = 0; k < kCandidateIterates && t == t && t != 0; ++k) {
        tryCandidate<P>(c, st, col, s, t);
        double slope, v;
        modelAtCandidate(c, st, col, s.scale, &slope, &v);
        if (!(v > 0) || !(v < 1e300))
            return;
        const double u = t - slope / v;
        const double shrink = (s.factor * derivativeElement<ScalarLanes, P>(t, s.lambda, s.theta)) / v;
        const double magnitude = (u < 0 ? -u : u) - shrink;
        if (!(magnitude > 0) || (u < 0) != (t < 0))
            return;
        const double next = u < 0 ? -magnitude : magnitude;
        if (next == t)
            return;
        t = next;
    }
}

template <class P>
bool takeBetterCandidates(const GlmColumns& c, GlmState& st, double lambda, double theta, double tolerance)
{
    // A convex penalty makes every coordinate's objective convex: the exact
    // step's fixed point is then its global minimum, and there is nothing
    // to try.
    if constexpr (std::is_same_v<P, L1Penalty> || std::is_same_v<P, ElasticNetPenalty>)
        return false;
    bool moved = false;
    for (std::int64_t j = 0; j < c.p; ++j) {
        const double f = c.factor[j];
        if (!c.eligible[j] || f == 0)
            continue;
        const ColumnView col = columnOf(c, j);
        const double scale = c.inverseScale[j];
        double slope, v;
        modelAlong(c, st, col, scale, &slope, &v);
        if (!(v > 0) || !(v < 1e300))
            continue;
        const double beta = st.beta[j];
        CandidateSearch s{beta, f * valueElement<ScalarLanes, P>(beta, lambda, theta), beta, -tolerance, f, lambda,
                          theta, scale};
        if (beta != 0)
            tryCandidate<P>(c, st, col, s, 0.0);
        // The far steps move ever farther out; once the true objective has
        // risen at kRisesToStop of them in a row it keeps rising (beyond
        // the knots where the penalty is flat the objective along the
        // coordinate is convex), and the scan stops.
        double curvature = v, farthest = beta, farChange = 0, lastChange = 0;
        int rises = 0;
        for (int k = 1; k <= kCandidateSteps && rises < kRisesToStop; ++k) {
            curvature *= kCandidateRatio;
            const double t = proxScalar<P>(beta - slope / curvature, lambda, scalarProxOf<P>(theta, f / curvature));
            if (t == beta || t != t)
                continue;
            const double change = tryCandidate<P>(c, st, col, s, t);
            rises = farthest != beta && change > lastChange ? rises + 1 : 0;
            lastChange = change;
            if (farthest == beta || change < farChange)
                farthest = t, farChange = change;
        }
        iterateFrom<P>(c, st, col, s, beta - slope / v);
        if (farthest != beta)
            iterateFrom<P>(c, st, col, s, farthest);
        if (s.best == beta)
            continue;
        candidateChange(c, st, col, (s.best - beta) * scale);
        acceptCandidate(st, col);
        st.beta[j] = s.best;
        moved = true;
    }
    return moved;
}

// A binomial fit that gives some observation of positive weight a fitted
// probability of 0 or 1 to double precision (|eta| > 36) separates it.
bool separates(const GlmColumns& c, const GlmState& st)
{
    if (c.distribution != Distribution::Binomial)
        return false;
    for (std::int64_t i = 0; i < c.n; ++i)
        if (weightOf(c, i) > 0 && (st.eta[i] > 36.0 || st.eta[i] < -36.0))
            return true;
    return false;
}

// The smallest lambda (a double) at which the step from 0 to the prox map
// of z stays at 0; inf where none does.
template <class P>
double smallestZeroLambda(double z, double theta, double gamma)
{
    const ScalarProx<P> prox = scalarProxOf<P>(theta, gamma);
    double hi = z < 0 ? -z : z;
    if (!(hi > 0))
        return 0;
    while (proxScalar<P>(z, hi, prox) != 0) {
        if (hi > 0x1p1000)
            return __builtin_inf();
        hi *= 2;
    }
    std::uint64_t lo = 0, up = std::bit_cast<std::uint64_t>(hi);
    while (up - lo > 1) {
        const std::uint64_t mid = lo + (up - lo) / 2;
        if (proxScalar<P>(z, std::bit_cast<double>(mid), prox) == 0)
            up = mid;
        else
            lo = mid;
    }
    return std::bit_cast<double>(up);
}

template <class P>
double lambdaMaxOf(const GlmColumns& c, GlmState& st, double theta)
{
    double top = 0;
    for (std::int64_t j = 0; j < c.p; ++j) {
        if (!c.eligible[j] || c.factor[j] == 0)
            continue;
        double slope, v;
        modelAlong(c, st, columnOf(c, j), c.inverseScale[j], &slope, &v);
        if (!(v > 0))
            continue;
        const double l = smallestZeroLambda<P>(-slope / v, theta, c.factor[j] / v);
        top = l > top ? l : top;
    }
    return top < __builtin_inf() ? top : 0x1p1000;
}

double meanDeviance(const GlmColumns& c, const GlmState& st)
{
    double sum = 0;
    for (std::int64_t i = 0; i < c.n; ++i)
        sum += weightOf(c, i) * observationDeviance(c.distribution, st.eta[i], c.y[i]);
    return sum / c.totalWeight;
}

template <class P>
void recordFit(const GlmColumns& c, const GlmState& st, double lambda, double theta, std::int64_t k, FitOutput* out)
{
    double loss = 0;
    for (std::int64_t i = 0; i < c.n; ++i)
        loss += weightOf(c, i) * st.loss[i];
    double penalty = 0, nonzeros = 0;
    double* b = out->coefficients + k * c.p;
    for (std::int64_t j = 0; j < c.p; ++j) {
        const double beta = st.beta[j];
        b[j] = beta * c.inverseScale[j];
        if (beta == 0)
            continue;
        nonzeros += 1;
        if (c.factor[j] != 0)
            penalty += c.factor[j] * valueElement<ScalarLanes, P>(beta, lambda, theta);
    }
    out->intercept[k] = st.intercept;
    out->lambda[k] = lambda;
    out->df[k] = nonzeros;
    out->mse[k] = meanDeviance(c, st);
    out->objective[k] = loss / c.totalWeight + penalty;
}

template <class P>
GlmPathStatus fitGlmPathOf(const FitDesign& d, const FitSettings& s, Distribution distribution, FitOutput* out)
{
    out->fits = 0;
    GlmColumns c;
    if (!prepareColumns(d, s, distribution, &c))
        return GlmPathOutOfMemory;
    GlmState st;
    for (auto* a : {&st.eta, &st.loss, &st.mean, &st.curvature, &st.newEta, &st.newLoss, &st.newMean, &st.newCurvature})
        *a = workArray<double>(c.n);
    for (auto* a : {&st.beta, &st.gradient, &st.model})
        *a = workArray<double>(c.p);
    st.active = workArray<bool>(c.p);
    const std::int64_t count = s.lambda ? s.lambdaCount : s.gridCount;
    std::unique_ptr<double[]> lambdas = workArray<double>(count);
    if (!st.eta || !st.loss || !st.mean || !st.curvature || !st.newEta || !st.newLoss || !st.newMean ||
        !st.newCurvature || !st.beta || !st.gradient || !st.model || !st.active || !lambdas)
        return GlmPathOutOfMemory;
    for (std::int64_t i = 0; i < c.n; ++i)
        setRow(c, st, i);

    // The null model: the intercept and the unpenalised coefficients. Its
    // mean deviance scales the tolerance and the saturation test.
    const double devianceAtZero = meanDeviance(c, st);
    const double tolerance = s.relTol * (devianceAtZero > 0 ? devianceAtZero : 1.0);
    std::int64_t passes = 0;
    solve<P>(c, st, 0.0, s.theta, tolerance, s.maxPasses, &passes, true);
    const double nullDeviance = meanDeviance(c, st);

    const double top = lambdaMaxOf<P>(c, st, s.theta);
    if (s.lambda) {
        for (std::int64_t k = 0; k < count; ++k)
            lambdas[k] = s.lambda[k];
    } else {
        lambdaGrid(top, s.gridRatio, count, lambdas.get());
    }
    for (std::int64_t k = 0; k < count; ++k) {
        const double lambda = lambdas[k];
        passes = 0;
        bool converged;
        for (;;) {
            converged = solve<P>(c, st, lambda, s.theta, tolerance, s.maxPasses, &passes, false);
            if (passes >= s.maxPasses || !takeBetterCandidates<P>(c, st, lambda, s.theta, tolerance))
                break;
            ++passes;
            converged = false;
        }
        recordFit<P>(c, st, lambda, s.theta, k, out);
        if (out->df[k] > s.dfMax)
            break;
        out->passes[k] = static_cast<double>(passes);
        out->converged[k] = converged ? 1.0 : 0.0;
        out->fits = k + 1;
        if (out->mse[k] <= (1.0 - kSaturatedDevianceRatio) * nullDeviance || separates(c, st))
            return k + 1 < count ? GlmPathSaturated : GlmPathDone;
    }
    return GlmPathDone;
}

} // namespace

GlmPathStatus fitGlmPath(const FitDesign& design, const FitSettings& settings, Distribution distribution,
                         FitOutput* output)
{
    return withPenalty(settings.penalty,
                       [&]<class P>() { return fitGlmPathOf<P>(design, settings, distribution, output); });
}
