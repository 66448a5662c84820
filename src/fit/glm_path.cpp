// The columns are used as they are stored, scaled by 1/s_j but never
// centred: the intercept is a coordinate of its own (a column of ones,
// unpenalised), so a step of beta~_j moves eta only on the rows where
// column j is nonzero, and the coordinate-wise minima are those of the
// stated objective in (b0, beta) themselves.
//
// Each lambda is solved by outer steps on quadratic models of the loss:
// at the current fit, the model with the IRLS weights w_i*h_i and the
// gradient rows w_i*(mu_i - y_i), minimised (plus the penalty) by cyclic
// coordinate descent over the working set, each step the penalty's exact
// prox map at gamma = f_j/v_j, with no exponential in the inner loop; the
// move of eta it proposes is then checked against the TRUE objective (one
// exponential per row) and halved until the objective does not increase.
// Where no halving gives a decrease (a nonconvex penalty's model step can
// jump between basins), the outer step is dropped and one sweep of exact
// steps on the true loss (glmCoordinateStep) is made instead, which never
// raises it. The working set starts from the strong rule and grows by the
// violators of a full check of every coefficient at the accepted fit.
#include "glm_path.h"

#include <bit>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "column_kernels.h"
#include "column_sums.h"
#include "glm_coordinate_step.h"
#include "glm_descent_bound.h"
#include "moved_columns.h"
#include "natural_log.h"
#include "path_loop.h"
#include "piece_step.h"
#include "shared_passes.h"

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
    bool pieceMoves = true;
    int threads = 1; // shared passes over X (shared_passes.h)
    const ColumnKernels* kernels = nullptr; // the loops over a dense column
    // Where columns were moved to their means (moveColumns): the columns
    // then, and each one's shift (0 for the others).
    std::unique_ptr<double[]> movedColumns, shift;
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

// With an intercept, a column whose weighted mean is more than
// kGlmShiftRatio spreads from 0 is fitted moved to its mean
// (moved_columns.h): the intercept's and the column's coordinate steps are
// tied by the mean, and the solve stops on the ridge between them with an
// error that grows with mean/spread (at 10^3 spreads coefficients off by
// 0.1, at 10^5 every such column still at 0). Nearer 0 the columns stay
// as given: there the error is within a few times the solve's own
// accuracy, and moving them would change the nonconvex paths (the
// curvature of an uncentred coordinate includes its mean's share, which
// keeps MCP's and SCAD's steps convex where a centred one's are not; on
// binomial designs their paths then settle in lower minima).
constexpr double kGlmShiftRatio = 8;

bool prepareColumns(const FitDesign& d, const FitSettings& s, Distribution distribution, GlmColumns* c)
{
    c->n = d.rows;
    c->p = d.columns;
    c->distribution = distribution;
    c->intercept = s.intercept;
    c->factor = s.penaltyFactor;
    c->pieceMoves = s.pieceMoves;
    c->threads = s.threads;
    c->kernels = &bestColumnKernels();
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
    std::unique_ptr<double[]> means = workArray<double>(c->p), variances = workArray<double>(c->p);
    std::unique_ptr<bool[]> moves = workArray<bool>(c->p);
    if (!means || !variances || !moves)
        return false;
    bool anyMoves = false;
    for (std::int64_t j = 0; j < c->p; ++j) {
        const ColumnView col = columnOf(*c, j);
        double sum;
        columnCentre(col, c->w, c->ones.get(), c->totalWeight, &sum, &means[j], &variances[j]);
        moves[j] = s.intercept && farFromZero(means[j], variances[j], isConstant(col, c->n), kGlmShiftRatio);
        anyMoves = anyMoves || moves[j];
    }
    if (anyMoves && !moveColumns(*c, [&](std::int64_t j) { return columnOf(*c, j); }, means.get(), moves.get()))
        return false;
    for (std::int64_t j = 0; j < c->p; ++j) {
        const ColumnView col = columnOf(*c, j);
        double raw, unused; // the squares of the column as fitted
        columnSpread(col, c->w, 0.0, &raw, &unused);
        const double variance = variances[j];
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
// fit's scale; scratch for a candidate step. The quadratic model of an
// outer step: per row q_i = w_i*h_i and its gradient u_i (w_i*(mu_i - y_i)
// at the centre, moved as the coefficients move), the move of eta, and per
// coefficient its curvature in the model and where the step began.
struct GlmState {
    std::unique_ptr<double[]> eta, loss, mean, curvature, beta, gradient, model;
    std::unique_ptr<double[]> newEta, newLoss, newMean, newCurvature;
    std::unique_ptr<double[]> q, u, move, start, modelCurvature;
    // per column at the last full check: C, sum c_i|x_i| and sum c_i|x_i|^3
    // of coordinateMayFall
    std::unique_ptr<double[]> nonzeroCurvature, curvatureMoment, thirdMoment;
    std::unique_ptr<bool[]> working;
    std::unique_ptr<std::int64_t[]> workingList;
    // The model's Newton moves on the active pieces: per member of the
    // move (the coordinate in piecePlaces, -1 the intercept) its move,
    // residual, direction, penalty curvature and product with the model's
    // Hessian, its piece on the move's path and its last crossing of a knot
    // (piece_step.h); per row the columns' combination of a vector; per
    // member of the working list its piece after the last sweep.
    std::unique_ptr<double[]> pieceMove, pieceResidual, pieceDirection, pieceCurvatures, pieceTimes, pieceRows;
    std::unique_ptr<std::int64_t[]> piecePlaces;
    std::unique_ptr<int[]> pieces, pathPieces, crossings;
    std::unique_ptr<bool[]> pieceFree;
    std::int64_t workingCount = 0;
    double intercept = 0, startIntercept = 0, interceptCurvature = 0;
    double objective = 0; // the true objective at the current fit
    // A fit whose mean deviance is at most this saturates (-inf until the
    // null fit is known); saturated: the last solve stopped at such a fit.
    double saturatedDeviance = -__builtin_inf();
    bool saturated = false;
    long long retries = 0;
};
void setRow(const GlmColumns& c, GlmState& st, std::int64_t i)
{
    observationState(c.distribution, st.eta[i], c.y[i], &st.loss[i], &st.mean[i], &st.curvature[i]);
}

// The quadratic model along a column on the fit's scale (entries x*scale),
// from the rows' means and curvatures (the fit's, or a candidate's).
void modelAlong(const GlmColumns& c, const double* mean, const double* rowCurvature, const ColumnView& col,
                double scale, double* slope, double* curvature)
{
    double g = 0, v = 0;
    for (std::int64_t k = 0; k < col.count; ++k) {
        const double x = col.values[k];
        if (x == 0)
            continue;
        const std::int64_t i = col.rows ? col.rows[k] : k;
        const double wi = weightOf(c, i);
        g += x * (wi * (mean[i] - c.y[i]));
        v += (x * x) * (wi * rowCurvature[i]);
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
    modelAlong(c, st.mean.get(), st.curvature.get(), col, scale, &slope, &v);
    double& coefficient = j < 0 ? st.intercept : st.beta[j];
    const double factor = j < 0 ? 0.0 : c.factor[j];
    const double majorising = j < 0 ? (c.distribution == Distribution::Binomial ? 0.25 : 0.0) : c.majorising[j];
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

// One sweep of exact steps over the intercept and the working set.
template <class P>
double exactSweep(const GlmColumns& c, GlmState& st, double lambda, double theta)
{
    double largest = c.intercept ? coordinateStep<P>(c, st, -1, lambda, theta) : 0.0;
    for (std::int64_t k = 0; k < st.workingCount; ++k) {
        const double change = coordinateStep<P>(c, st, st.workingList[k], lambda, theta);
        largest = change > largest ? change : largest;
    }
    return largest;
}

// Sums over a column in eight lanes, row i into lane i mod 8, each lane in
// ascending rows, combined pairwise (as column_sums.h does): a dense
// column's on the column loops, a compressed one's over its nonzeros. A
// dense column's zero entries add +-0, which changes no lane (a lane that
// starts at +0 never becomes -0), so both storages give the same bits.
double columnSum(const GlmColumns& c, const ColumnView& col, const double* u)
{
    if (!col.rows)
        return c.kernels->sum(col.values, u, col.count);
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (std::int64_t k = 0; k < col.count; ++k)
        s[col.rows[k] & 7] += col.values[k] * u[col.rows[k]];
    return combineSums(s);
}

double columnSquares(const GlmColumns& c, const ColumnView& col, const double* q)
{
    if (!col.rows)
        return c.kernels->squares(col.values, q, col.count);
    double t[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (std::int64_t k = 0; k < col.count; ++k)
        t[col.rows[k] & 7] += (col.values[k] * col.values[k]) * q[col.rows[k]];
    return combineSums(t);
}

void listWorkingSet(const GlmColumns& c, GlmState& st)
{
    st.workingCount = 0;
    for (std::int64_t j = 0; j < c.p; ++j)
        if (st.working[j])
            st.workingList[st.workingCount++] = j;
}

double lossSum(const GlmColumns& c, const double* loss)
{
    double sum = 0;
    for (std::int64_t i = 0; i < c.n; ++i)
        sum += weightOf(c, i) * loss[i];
    return sum;
}

template <class P>
double penaltySum(const GlmColumns& c, const GlmState& st, double lambda, double theta)
{
    double penalty = 0;
    for (std::int64_t k = 0; k < st.workingCount; ++k) {
        const std::int64_t j = st.workingList[k];
        if (st.beta[j] != 0 && c.factor[j] != 0)
            penalty += c.factor[j] * valueElement<ScalarLanes, P>(st.beta[j], lambda, theta);
    }
    return penalty;
}

template <class P>
double objectiveAt(const GlmColumns& c, const GlmState& st, const double* loss, double lambda, double theta)
{
    return lossSum(c, loss) / c.totalWeight + penaltySum<P>(c, st, lambda, theta);
}

// The model at the current fit: q, u and the model curvature of the
// intercept and of every coefficient of the working set.
void beginModel(const GlmColumns& c, GlmState& st)
{
    for (std::int64_t i = 0; i < c.n; ++i) {
        const double wi = weightOf(c, i);
        st.q[i] = wi * st.curvature[i];
        st.u[i] = wi * (st.mean[i] - c.y[i]);
        st.move[i] = 0;
    }
    st.startIntercept = st.intercept;
    st.interceptCurvature = columnSquares(c, columnOf(c, -1), st.q.get()) / c.totalWeight;
    for (std::int64_t k = 0; k < st.workingCount; ++k) {
        const std::int64_t j = st.workingList[k];
        const double s = c.inverseScale[j];
        st.start[j] = st.beta[j];
        st.modelCurvature[j] = ((columnSquares(c, columnOf(c, j), st.q.get()) * s) * s) / c.totalWeight;
    }
}

// One coordinate's exact step on the model (j = -1 the intercept); returns
// v*(change)^2.
template <class P>
double modelStep(const GlmColumns& c, GlmState& st, std::int64_t j, double lambda, double theta)
{
    const double v = j < 0 ? st.interceptCurvature : st.modelCurvature[j];
    if (!(v > 0) || !(v < 1e300))
        return 0;
    const ColumnView col = columnOf(c, j);
    const double scale = j < 0 ? 1.0 : c.inverseScale[j];
    const double factor = j < 0 ? 0.0 : c.factor[j];
    double& coefficient = j < 0 ? st.intercept : st.beta[j];
    const double slope = (columnSum(c, col, st.u.get()) * scale) / c.totalWeight;
    const double newton = coefficient - slope / v;
    const double next = factor > 0 ? proxScalar<P>(newton, lambda, scalarProxOf<P>(theta, factor / v)) : newton;
    if (next == coefficient || next != next)
        return 0;
    const double delta = next - coefficient;
    const double step = delta * scale;
    // A dense column's zero entries add +-0: move never holds -0 (it starts
    // at +0), and the sign of a zero u_i reaches no sum, so both storages
    // give the same bits.
    if (!col.rows) {
        c.kernels->stepRows(st.move.get(), st.u.get(), st.q.get(), col.values, step, col.count);
    } else {
        for (std::int64_t k = 0; k < col.count; ++k) {
            const std::int64_t i = col.rows[k];
            const double m = col.values[k] * step;
            st.move[i] += m;
            st.u[i] += st.q[i] * m;
        }
    }
    coefficient = next;
    return (v * delta) * delta;
}

template <class P>
inline constexpr bool kConvexPenalty = std::is_same_v<P, L1Penalty> || std::is_same_v<P, ElasticNetPenalty>;

// The largest v_j*(change_j)^2 of the exact model steps of the intercept
// and the working set, each taken alone from the fit: where it is within
// the tolerance, no coordinate on its own can lower the model by more than
// half the tolerance.
template <class P>
double largestStepAlone(const GlmColumns& c, const GlmState& st, double lambda, double theta)
{
    double largest = 0;
    for (std::int64_t k = c.intercept ? -1 : 0; k < st.workingCount; ++k) {
        const std::int64_t j = k < 0 ? -1 : st.workingList[k];
        const double v = j < 0 ? st.interceptCurvature : st.modelCurvature[j];
        if (!(v > 0) || !(v < 1e300))
            continue;
        const double scale = j < 0 ? 1.0 : c.inverseScale[j];
        const double factor = j < 0 ? 0.0 : c.factor[j];
        const double coefficient = j < 0 ? st.intercept : st.beta[j];
        const double slope = (columnSum(c, columnOf(c, j), st.u.get()) * scale) / c.totalWeight;
        const double newton = coefficient - slope / v;
        const double next = factor > 0 ? proxScalar<P>(newton, lambda, scalarProxOf<P>(theta, factor / v)) : newton;
        if (next != next)
            continue;
        const double size = (v * (next - coefficient)) * (next - coefficient);
        largest = size > largest ? size : largest;
    }
    return largest;
}

template <class P>
double modelSweep(const GlmColumns& c, GlmState& st, bool activeOnly, double lambda, double theta)
{
    double largest = c.intercept ? modelStep<P>(c, st, -1, lambda, theta) : 0.0;
    for (std::int64_t k = 0; k < st.workingCount; ++k) {
        const std::int64_t j = st.workingList[k];
        if (activeOnly && st.beta[j] == 0 && c.factor[j] != 0)
            continue;
        const double change = modelStep<P>(c, st, j, lambda, theta);
        largest = change > largest ? change : largest;
    }
    return largest;
}

// Newton moves of the model on the active pieces (piece_step.h). Within
// an outer step the model plus the penalty is, on the pieces where the
// intercept and the nonzero and unpenalised coefficients lie, one smooth
// function (quadratic for l1, capped-l1, SCAD and MCP), and on correlated
// columns the cyclic steps close on its minimum at a rate near 1 (the
// curved middles of SCAD and MCP lower each coordinate's curvature). A
// move goes there at once by conjugate gradients; it is taken only where
// it lowers the model plus the penalty, so the steps after it start from a
// lower point, and they, being the exact steps they are, decide when the
// model is solved.

// Each member of the working list's piece into st.pieces; whether none
// changed since the last call. An unpenalised coefficient has one piece.
template <class P>
bool samePieces(const GlmColumns& c, GlmState& st, double lambda, double theta)
{
    bool same = true;
    for (std::int64_t k = 0; k < st.workingCount; ++k) {
        const std::int64_t j = st.workingList[k];
        const int piece = c.factor[j] == 0 ? 1 : pieceOf<P>(st.beta[j], lambda, theta);
        same = same && piece == st.pieces[k];
        st.pieces[k] = piece;
    }
    return same;
}

// The model's move's arrays (piece_step.h).
PieceMoveArrays pieceArrays(GlmState& st)
{
    return {st.pieceMove.get(),  st.pieceResidual.get(), st.pieceDirection.get(), st.pieceTimes.get(),
            st.pieceCurvatures.get(), st.pathPieces.get(), st.crossings.get(),    st.pieceFree.get()};
}

// The members of the move: the intercept, and the working set's nonzero
// and unpenalised coefficients, each of positive finite model curvature;
// their residuals -(slope + f*sign(b)*p'(|b|)), the penalty's curvature
// f*p''(|b|), the move at 0 and the first direction. Returns how many.
template <class P>
std::int64_t pieceSystem(const GlmColumns& c, GlmState& st, double lambda, double theta)
{
    std::int64_t m = 0;
    for (std::int64_t k = c.intercept ? -1 : 0; k < st.workingCount; ++k) {
        const std::int64_t j = k < 0 ? -1 : st.workingList[k];
        const double v = j < 0 ? st.interceptCurvature : st.modelCurvature[j];
        const double f = j < 0 ? 0.0 : c.factor[j];
        const double b = j < 0 ? st.intercept : st.beta[j];
        if ((b == 0 && f != 0) || !(v > 0) || !(v < 1e300))
            continue;
        const double scale = j < 0 ? 1.0 : c.inverseScale[j];
        const double g = -((columnSum(c, columnOf(c, j), st.u.get()) * scale) / c.totalWeight);
        startMember<P>(pieceArrays(st), m, b, f, g, lambda, theta);
        st.piecePlaces[m++] = j;
    }
    return m;
}

// The rows' combination sum_k x~_k*v_k of the members' columns, into
// st.pieceRows for rows [from, to), column by column in the members' order
// (dense columns up to four at a time, each row adding them in turn).
void pieceRowsIn(const GlmColumns& c, GlmState& st, const double* v, std::int64_t m, std::int64_t from,
                 std::int64_t to)
{
    double* rows = st.pieceRows.get() + from;
    const std::int64_t length = to - from;
    for (std::int64_t i = 0; i < length; ++i)
        rows[i] = 0;
    const double* held[4]; // dense columns waiting for a pass
    double heldSteps[4];
    int count = 0;
    const auto flush = [&] {
        if (count == 4)
            c.kernels->addScaledQuad(rows, held, heldSteps, length);
        else if (count >= 2)
            c.kernels->addScaledPair(rows, held[0], heldSteps[0], held[1], heldSteps[1], length);
        if (count == 3 || count == 1)
            c.kernels->addScaled(rows, held[count - 1], heldSteps[count - 1], length);
        count = 0;
    };
    for (std::int64_t k = 0; k < m; ++k) {
        const std::int64_t j = st.piecePlaces[k];
        const double step = v[k] * (j < 0 ? 1.0 : c.inverseScale[j]);
        if (step == 0)
            continue;
        const ColumnView col = columnOf(c, j);
        if (!col.rows) {
            held[count] = col.values + from;
            heldSteps[count++] = step;
            if (count == 4)
                flush();
        } else {
            flush();
            for (std::int64_t e = 0; e < col.count; ++e)
                rows[col.rows[e]] += col.values[e] * step;
        }
    }
    flush();
}

// All rows of it: those of a dense X shared out (each row takes the same
// additions on any thread); a compressed column's nonzeros are scattered
// over all rows, so there one thread forms them.
void pieceRowsOf(const GlmColumns& c, GlmState& st, const double* v, std::int64_t m)
{
    shareRange(c.dense ? c.threads : 1, c.n, 256,
               [&](std::int64_t from, std::int64_t to) { pieceRowsIn(c, st, v, m, from, to); });
}

// The product of the loss's model Hessian X~'QX~/W with v on the members,
// into st.pieceTimes: the members' sums shared out, four dense columns a pass.
void pieceHessianTimes(const GlmColumns& c, GlmState& st, const double* v, std::int64_t m)
{
    pieceRowsOf(c, st, v, m);
    double* rows = st.pieceRows.get();
    for (std::int64_t i = 0; i < c.n; ++i)
        rows[i] = st.q[i] * rows[i];
    const auto scaleOf = [&](std::int64_t k) { return st.piecePlaces[k] < 0 ? 1.0 : c.inverseScale[st.piecePlaces[k]]; };
    // Each member's sum is the same alone, in a pair or in a pass of four.
    shareRange(c.threads, m, 32, [&](std::int64_t from, std::int64_t to) {
        std::int64_t k = from;
        for (; c.dense && k + 4 <= to; k += 4) {
            const double* columns[4];
            double sums[4];
            for (int e = 0; e < 4; ++e)
                columns[e] = columnOf(c, st.piecePlaces[k + e]).values;
            c.kernels->sumQuad(columns, rows, c.n, sums);
            for (int e = 0; e < 4; ++e)
                st.pieceTimes[k + e] = (sums[e] * scaleOf(k + e)) / c.totalWeight;
        }
        for (; c.dense && k + 2 <= to; k += 2) {
            double a = 0, b = 0;
            c.kernels->sumPair(columnOf(c, st.piecePlaces[k]).values, columnOf(c, st.piecePlaces[k + 1]).values,
                               rows, c.n, &a, &b);
            st.pieceTimes[k] = (a * scaleOf(k)) / c.totalWeight;
            st.pieceTimes[k + 1] = (b * scaleOf(k + 1)) / c.totalWeight;
        }
        for (; k < to; ++k)
            st.pieceTimes[k] = (columnSum(c, columnOf(c, st.piecePlaces[k]), rows) * scaleOf(k)) / c.totalWeight;
    });
}

double coefficientOf(const GlmState& st, std::int64_t j) { return j < 0 ? st.intercept : st.beta[j]; }

// The minimiser of the model plus the penalty on the members' pieces
// (piecePath), one product with the model's Hessian an iteration.
template <class P>
void piecePathOfModel(const GlmColumns& c, GlmState& st, double lambda, double theta, std::int64_t m)
{
    piecePath<P>(
        pieceArrays(st), m, lambda, theta, [&](std::int64_t k) { return coefficientOf(st, st.piecePlaces[k]); },
        [&](std::int64_t k) { return st.piecePlaces[k] < 0 ? 0.0 : c.factor[st.piecePlaces[k]]; },
        [&](const double* direction) { pieceHessianTimes(c, st, direction, m); });
}

// Whether the move leaves every penalised member on the piece the path put
// it on, or on a knot bounding that piece, or at 0, and lowers the model
// plus the penalty: its change, from the move's rows w
// (sum_i w_i*(u_i + q_i*w_i/2)/W, the model's exact change) and each
// penalty's difference, below minus a bound on its rounding. Leaves w in
// st.pieceRows.
template <class P>
bool pieceMoveLowers(const GlmColumns& c, GlmState& st, double lambda, double theta, std::int64_t m)
{
    pieceRowsOf(c, st, st.pieceMove.get(), m);
    const double* w = st.pieceRows.get();
    double loss = 0, size = 0;
    for (std::int64_t i = 0; i < c.n; ++i) {
        const double linear = w[i] * st.u[i], curved = ((st.q[i] * w[i]) * w[i]) * 0.5;
        loss += linear + curved;
        size += (linear < 0 ? -linear : linear) + curved;
    }
    double change = loss / c.totalWeight;
    size = size / c.totalWeight;
    for (std::int64_t k = 0; k < m; ++k) {
        const std::int64_t j = st.piecePlaces[k];
        if (j < 0 || c.factor[j] == 0)
            continue;
        const double before = st.beta[j], after = before + st.pieceMove[k];
        if (!endsOnPathPiece<P>(st.pathPieces[k], after, lambda, theta))
            return false;
        const double f = c.factor[j];
        const double was = f * valueElement<ScalarLanes, P>(before, lambda, theta);
        const double now = f * valueElement<ScalarLanes, P>(after, lambda, theta);
        change += now - was;
        size += now + was;
    }
    return change < -size * 0x1p-44;
}

// The move, taken where it lowers the model plus the penalty (the rows'
// move and the model's gradient rows follow it); returns whether it was.
template <class P>
bool pieceStep(const GlmColumns& c, GlmState& st, double lambda, double theta)
{
    const std::int64_t m = pieceSystem<P>(c, st, lambda, theta);
    if (m == 0)
        return false;
    piecePathOfModel<P>(c, st, lambda, theta, m);
    if (!pieceMoveLowers<P>(c, st, lambda, theta, m))
        return false;
    for (std::int64_t k = 0; k < m; ++k) {
        const std::int64_t j = st.piecePlaces[k];
        const double next = coefficientOf(st, j) + st.pieceMove[k];
        (j < 0 ? st.intercept : st.beta[j]) = st.pieceFree[k] ? next : 0.0;
    }
    const double* w = st.pieceRows.get();
    for (std::int64_t i = 0; i < c.n; ++i) {
        st.move[i] += w[i];
        st.u[i] += st.q[i] * w[i];
    }
    return true;
}

// Active sweeps between moves: at least this many with no coefficient
// changing its piece, doubled after a move not taken; and a move only where
// sweeps that each shrink the largest step by the last one's rate would
// still be above the tolerance after eight more (a move costs about one
// sweep an iteration).
constexpr int kPieceWait = 2;

bool sweepsSlow(double largest, double previous, double tolerance)
{
    const double rate = largest / previous;
    if (!(rate < 1))
        return true;
    const double square = rate * rate, fourth = square * square;
    return largest * (fourth * fourth) > tolerance;
}

// Sweeps over the nonzero (and unpenalised) coefficients, and between them
// sweeps over the whole working set, until one of the whole set moves
// nothing by more than the tolerance; between the active sweeps the moves.
inline constexpr int kModelSweeps = 100000;

template <class P>
void solveModel(const GlmColumns& c, GlmState& st, double lambda, double theta, double tolerance)
{
    const bool moves = kHasPieces<P> && !kConvexPenalty<P> && c.pieceMoves;
    int sweeps = 0;
    while (sweeps < kModelSweeps) {
        double largest = modelSweep<P>(c, st, false, lambda, theta);
        ++sweeps;
        if (largest <= tolerance)
            return;
        int stable = 0, wait = kPieceWait;
        if (moves)
            samePieces<P>(c, st, lambda, theta);
        while (sweeps < kModelSweeps) {
            ++sweeps;
            const double previous = largest;
            largest = modelSweep<P>(c, st, true, lambda, theta);
            if (largest <= tolerance)
                break;
            if (!moves)
                continue;
            stable = samePieces<P>(c, st, lambda, theta) ? stable + 1 : 0;
            if (stable >= wait && sweepsSlow(largest, previous, tolerance)) {
                const bool taken = pieceStep<P>(c, st, lambda, theta);
                stable = 0;
                wait = taken ? kPieceWait : 2 * wait;
            }
        }
    }
}

// The model's step, v-weighted: the largest v_j*(beta_j - start_j)^2.
double outerStepSize(const GlmColumns& c, const GlmState& st)
{
    const double d0 = st.intercept - st.startIntercept;
    double largest = c.intercept ? (st.interceptCurvature * d0) * d0 : 0.0;
    for (std::int64_t k = 0; k < st.workingCount; ++k) {
        const std::int64_t j = st.workingList[k];
        const double d = st.beta[j] - st.start[j];
        const double size = (st.modelCurvature[j] * d) * d;
        largest = size > largest ? size : largest;
    }
    return largest;
}

void restoreStart(GlmState& st)
{
    st.intercept = st.startIntercept;
    for (std::int64_t k = 0; k < st.workingCount; ++k)
        st.beta[st.workingList[k]] = st.start[st.workingList[k]];
}

inline constexpr int kOuterHalvings = 30;

// The fit the model proposes, then its halvings towards the start, until
// the true objective does not increase: the first such fit is taken (rows
// and coefficients). Returns false, with the start restored, where none is.
template <class P>
bool takeOuterStep(const GlmColumns& c, GlmState& st, double lambda, double theta)
{
    double t = 1;
    for (int halving = 0; halving <= kOuterHalvings; ++halving) {
        if (halving > 0) {
            t *= 0.5;
            st.intercept = st.startIntercept + (st.intercept - st.startIntercept) * 0.5;
            for (std::int64_t k = 0; k < st.workingCount; ++k) {
                const std::int64_t j = st.workingList[k];
                st.beta[j] = st.start[j] + (st.beta[j] - st.start[j]) * 0.5;
            }
        }
        for (std::int64_t i = 0; i < c.n; ++i) {
            st.newEta[i] = st.eta[i] + st.move[i] * t;
            observationState(c.distribution, st.newEta[i], c.y[i], &st.newLoss[i], &st.newMean[i],
                             &st.newCurvature[i]);
        }
        const double objective = objectiveAt<P>(c, st, st.newLoss.get(), lambda, theta);
        if (objective <= st.objective) {
            std::swap(st.eta, st.newEta);
            std::swap(st.loss, st.newLoss);
            std::swap(st.mean, st.newMean);
            std::swap(st.curvature, st.newCurvature);
            st.objective = objective;
            return true;
        }
    }
    restoreStart(st);
    return false;
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

double meanDeviance(const GlmColumns& c, const GlmState& st)
{
    double sum = 0;
    for (std::int64_t i = 0; i < c.n; ++i)
        sum += weightOf(c, i) * observationDeviance(c.distribution, st.eta[i], c.y[i]);
    return sum / c.totalWeight;
}

bool saturates(const GlmColumns& c, const GlmState& st)
{
    return separates(c, st) || meanDeviance(c, st) <= st.saturatedDeviance;
}

// Outer steps until one proposes a move of at most the tolerance (a fixed
// point of the exact steps on the model at the fit). A pass is one outer
// step, or one sweep of exact steps where the step was refused.
template <class P>
bool solve(const GlmColumns& c, GlmState& st, double lambda, double theta, double tolerance, std::int64_t maxPasses,
           std::int64_t* passes)
{
    st.objective = objectiveAt<P>(c, st, st.loss.get(), lambda, theta);
    while (*passes < maxPasses) {
        ++*passes;
        beginModel(c, st);
        const bool settled = kConvexPenalty<P> || largestStepAlone<P>(c, st, lambda, theta) <= 2.0 * tolerance;
        solveModel<P>(c, st, lambda, theta, tolerance);
        // A model step within the tolerance is not taken where the fit is
        // also a fixed point of the exact steps taken one at a time (and at
        // lambda_max the bits of the null fit stay). Otherwise the small
        // moves of the joint step add up, on correlated columns, to slopes
        // along single coordinates that a nonconvex penalty's search before
        // acceptance would follow one by one, each after a pass over every
        // column: the model is solved closer and its step taken. (A convex
        // penalty's fit has no such search.)
        if (outerStepSize(c, st) <= tolerance) {
            if (settled) {
                restoreStart(st);
                return true;
            }
            solveModel<P>(c, st, lambda, theta, tolerance * 0.01);
        }
        bool swept = false;
        if (!takeOuterStep<P>(c, st, lambda, theta)) {
            swept = exactSweep<P>(c, st, lambda, theta) <= tolerance;
            st.objective = objectiveAt<P>(c, st, st.loss.get(), lambda, theta);
        }
        // A fit that saturates ends the solve and the path: where the
        // classes separate there may be no finite minimiser, and the steps
        // would creep after the receding optimum until their moves fell
        // below the tolerance.
        st.saturated = saturates(c, st);
        if (st.saturated)
            return false;
        if (swept)
            return true;
    }
    return false;
}

// The full check's sums over a column for a nonconvex penalty: sum
// x_i*u_i and sum (x_i*x_i)*q_i; and, for the search before a lambda is
// accepted, over the nonzero rows the sums of q_i, |x_i|*q_i and
// |x_i|^3*q_i (for coordinateMayFall). One pass for all five: the check is
// bound by reading X, and the search follows every check that finds no
// coefficient to join. A zero entry (a dense column's zero rows, a
// compressed column's stored zeros) adds +-0 to the first two, a selected
// +0 to the third and 0*q_i to the others: +0 too, unless q_i is inf,
// where those sums are of no use anyway (coordinateMayFall takes no bound
// from them); so both storages give the same bits.
void columnCheckSums(const GlmColumns& c, const ColumnView& col, const double* u, const double* q, double* sums)
{
    if (!col.rows)
        return c.kernels->checkSums(col.values, u, q, col.count, sums);
    double lanes[5][8] = {};
    const double* x = col.values;
    for (std::int64_t k = 0; k < col.count; ++k) {
        const std::int64_t i = col.rows[k];
        const double size = x[k] < 0 ? -x[k] : x[k];
        lanes[0][i & 7] += x[k] * u[i];
        lanes[1][i & 7] += (x[k] * x[k]) * q[i];
        lanes[2][i & 7] += x[k] != 0 ? q[i] : 0.0;
        lanes[3][i & 7] += size * q[i];
        lanes[4][i & 7] += ((size * size) * size) * q[i];
    }
    for (int t = 0; t < 5; ++t)
        sums[t] = combineSums(lanes[t]);
}

// Columns [from, to) of formGradients.
template <class P>
void columnGradients(const GlmColumns& c, GlmState& st, std::int64_t from, std::int64_t to)
{
    for (std::int64_t j = from; j < to; ++j) {
        if (!c.eligible[j] || (kConvexPenalty<P> && st.working[j]))
            continue;
        const double s = c.inverseScale[j];
        const ColumnView col = columnOf(c, j);
        // A convex penalty's step from 0 moves where |g_j| exceeds a
        // multiple of lambda whatever v_j is: there v_j = 1 stands in
        // (lambda_max and the strong rule take it too), and the pass forms
        // the slopes alone.
        if constexpr (kConvexPenalty<P>) {
            st.gradient[j] = (columnSum(c, col, st.u.get()) * s) / c.totalWeight;
            st.model[j] = 1.0;
        } else {
            double sums[5];
            columnCheckSums(c, col, st.u.get(), st.q.get(), sums);
            st.gradient[j] = (sums[0] * s) / c.totalWeight;
            st.model[j] = ((sums[1] * s) * s) / c.totalWeight;
            st.nonzeroCurvature[j] = sums[2] / c.totalWeight;
            st.curvatureMoment[j] = (sums[3] * s) / c.totalWeight;
            st.thirdMoment[j] = (((sums[4] * s) * s) * s) / c.totalWeight;
        }
    }
}

// The slope and curvature of the model at the fit for every eligible
// coefficient outside the working set (all 0 there), for the strong rule
// and the full check; for a nonconvex penalty of every coefficient, with
// the moments of coordinateMayFall.
template <class P>
void formGradients(const GlmColumns& c, GlmState& st)
{
    for (std::int64_t i = 0; i < c.n; ++i) {
        const double wi = weightOf(c, i);
        st.q[i] = wi * st.curvature[i];
        st.u[i] = wi * (st.mean[i] - c.y[i]);
    }
    shareRange(c.threads, c.p, 64, [&](std::int64_t from, std::int64_t to) { columnGradients<P>(c, st, from, to); });
}

// Whether coefficient j, at 0, is moved by its exact model step at lambda.
template <class P>
bool movesFromZero(const GlmColumns& c, const GlmState& st, std::int64_t j, double lambda, double theta)
{
    const double v = st.model[j];
    if (!(v > 0) || !(v < 1e300))
        return false;
    if (!(lambda > 0))
        return true;
    return proxScalar<P>(-st.gradient[j] / v, lambda, scalarProxOf<P>(theta, c.factor[j] / v)) != 0;
}

// A nonconvex penalty's check that finds coefficients to join takes in
// with them those whose step from 0 would move at this fraction of lambda:
// on correlated columns the fit the joiners bring makes such near misses
// the next check's violators, each costing the lambda another solve.
// (0.7 from glm_driver's counts on the benchmark's Poisson paths: a third
// fewer checks and outer steps at n = 1,000, p = 10,000; 0.5 holds
// several times the columns in the working set.)
constexpr double kNearMissRatio = 0.7;

// The full check: every coefficient outside the working set whose exact
// step from 0 at the fit moves joins it; returns how many did.
template <class P>
std::int64_t joinViolators(const GlmColumns& c, GlmState& st, double lambda, double theta)
{
    formGradients<P>(c, st);
    std::int64_t joined = 0;
    for (std::int64_t j = 0; j < c.p; ++j) {
        if (!c.eligible[j] || st.working[j] || !movesFromZero<P>(c, st, j, lambda, theta))
            continue;
        st.working[j] = true;
        ++joined;
    }
    if (joined && !kConvexPenalty<P>)
        for (std::int64_t j = 0; j < c.p; ++j)
            if (c.eligible[j] && !st.working[j] && movesFromZero<P>(c, st, j, lambda * kNearMissRatio, theta))
                st.working[j] = true;
    if (joined)
        listWorkingSet(c, st);
    return joined;
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
        // the model at the candidate last passed to candidateChange
        modelAlong(c, st.newMean.get(), st.newCurvature.get(), col, s.scale, &slope, &v);
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
    if constexpr (kConvexPenalty<P>)
        return false;
    bool moved = false, joined = false;
    for (std::int64_t j = 0; j < c.p; ++j) {
        const double f = c.factor[j];
        if (!c.eligible[j] || f == 0)
            continue;
        // The moments are those of the full check just made: once a
        // coordinate has moved they are stale for the rest, but a call that
        // moves one is followed, after the lambda is solved again, by one
        // that starts afresh, and only a call that moves none accepts a fit.
        const CoordinateMoments moments{st.gradient[j], st.model[j], st.nonzeroCurvature[j], st.curvatureMoment[j],
                                        st.thirdMoment[j]};
        if (!coordinateMayFall<P>(moments, st.beta[j], f, lambda, theta, tolerance))
            continue;
        const ColumnView col = columnOf(c, j);
        const double scale = c.inverseScale[j];
        double slope, v;
        modelAlong(c, st.mean.get(), st.curvature.get(), col, scale, &slope, &v);
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
        joined = joined || !st.working[j];
        st.working[j] = true;
    }
    if (joined)
        listWorkingSet(c, st);
    return moved;
}

// From the slopes and curvatures formGradients left at the null fit, so
// that the strong rule and the full check agree with it bit for bit.
template <class P>
double lambdaMaxOf(const GlmColumns& c, const GlmState& st, double theta)
{
    double top = 0;
    for (std::int64_t j = 0; j < c.p; ++j) {
        if (!c.eligible[j] || c.factor[j] == 0)
            continue;
        const double v = st.model[j];
        if (!(v > 0))
            continue;
        const double l = smallestZeroLambda<P>(-st.gradient[j] / v, scalarProxOf<P>(theta, c.factor[j] / v), 0.0);
        top = l > top ? l : top;
    }
    return top < __builtin_inf() ? top : 0x1p1000;
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
    out->intercept[k] = st.intercept - shiftsCarried(c.shift.get(), b, c.p);
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
    for (auto* a : {&st.eta, &st.loss, &st.mean, &st.curvature, &st.newEta, &st.newLoss, &st.newMean, &st.newCurvature,
                    &st.q, &st.u, &st.move})
        *a = workArray<double>(c.n);
    for (auto* a : {&st.beta, &st.gradient, &st.model, &st.start, &st.modelCurvature, &st.nonzeroCurvature,
                    &st.curvatureMoment, &st.thirdMoment})
        *a = workArray<double>(c.p);
    for (auto* a : {&st.pieceMove, &st.pieceResidual, &st.pieceDirection, &st.pieceCurvatures, &st.pieceTimes})
        *a = workArray<double>(c.p + 1);
    st.pieceRows = workArray<double>(c.n);
    st.piecePlaces = workArray<std::int64_t>(c.p + 1);
    st.pieces = workArray<int>(c.p);
    st.pieceFree = workArray<bool>(c.p + 1);
    st.pathPieces = workArray<int>(c.p + 1);
    st.crossings = workArray<int>(c.p + 1);
    st.working = workArray<bool>(c.p);
    st.workingList = workArray<std::int64_t>(c.p);
    const std::int64_t count = s.lambda ? s.lambdaCount : s.gridCount;
    std::unique_ptr<double[]> lambdas = workArray<double>(count);
    for (auto* a : {&st.eta, &st.loss, &st.mean, &st.curvature, &st.newEta, &st.newLoss, &st.newMean, &st.newCurvature,
                    &st.q, &st.u, &st.move, &st.beta, &st.gradient, &st.model, &st.start, &st.modelCurvature,
                    &st.nonzeroCurvature, &st.curvatureMoment, &st.thirdMoment, &st.pieceMove, &st.pieceResidual,
                    &st.pieceDirection, &st.pieceCurvatures, &st.pieceTimes, &st.pieceRows})
        if (!*a)
            return GlmPathOutOfMemory;
    if (!st.working || !st.workingList || !lambdas || !st.piecePlaces || !st.pieces || !st.pieceFree
        || !st.pathPieces || !st.crossings)
        return GlmPathOutOfMemory;
    // A Poisson intercept starts at the null model's own, log of the mean
    // count: from eta = 0 the first Newton step to counts of 1e20 is 1e20,
    // which no halving brings to a finite objective, and the solve stopped
    // there. (A binomial step from eta = 0 is at most 4 wide.)
    const double meanCount = weightedSum(c.y, c.w, c.n) / c.totalWeight;
    if (c.intercept && distribution == Distribution::Poisson && meanCount > 0 && meanCount < __builtin_inf())
        st.intercept = naturalLog(meanCount);
    for (std::int64_t i = 0; i < c.n; ++i) {
        st.eta[i] = st.intercept;
        setRow(c, st, i);
    }

    // The null model: the intercept and the unpenalised coefficients. Its
    // mean deviance scales the tolerance (as Y's variance about its mean
    // scales least squares') and the saturation test. It is solved first at
    // the deviance at the start, which is never below its own, then again
    // at its own: a binomial Y of rare events has a null deviance far below
    // that at eta = 0, which would leave every fit at as many times RelTol.
    const double startDeviance = meanDeviance(c, st);
    double tolerance = s.relTol * (startDeviance > 0 ? startDeviance : 1.0);
    for (std::int64_t j = 0; j < c.p; ++j)
        st.working[j] = c.eligible[j] && c.factor[j] == 0;
    listWorkingSet(c, st);
    std::int64_t passes = 0;
    solve<P>(c, st, 0.0, s.theta, tolerance, s.maxPasses, &passes);
    const double nullDeviance = meanDeviance(c, st);
    if (nullDeviance > 0 && s.relTol * nullDeviance < tolerance) {
        tolerance = s.relTol * nullDeviance;
        solve<P>(c, st, 0.0, s.theta, tolerance, s.maxPasses, &passes);
    }
    // The null fit's solve may have stopped at a fit that separates
    // (classes of one kind alone): it stands as the null fit, and the
    // path's own test decides after its first fit.
    st.saturatedDeviance = (1.0 - kSaturatedDevianceRatio) * meanDeviance(c, st);
    st.saturated = false;
    formGradients<P>(c, st);

    const double top = lambdaMaxOf<P>(c, st, s.theta);
    pathLambdas(s, top, lambdas.get());
    const auto movesAt = [&](std::int64_t j, double at) { return movesFromZero<P>(c, st, j, at, s.theta); };
    const auto screen = [&](double at) {
        // A nonconvex penalty's full check forms the slope and curvature
        // of every coefficient, so the strong rule can form its working set
        // afresh at each lambda; a convex one's forms them only outside it.
        if constexpr (!kConvexPenalty<P>)
            shedWorkingSet(c, st, at, movesAt, [](std::int64_t) {});
        screenStrongRule(c, st, at, movesAt);
    };
    const auto solveAt = [&](double lambda, std::int64_t* fitPasses) {
        bool converged;
        for (;;) {
            converged = solve<P>(c, st, lambda, s.theta, tolerance, s.maxPasses, fitPasses);
            if (*fitPasses >= s.maxPasses || st.saturated)
                break;
            if (joinViolators<P>(c, st, lambda, s.theta) > 0)
                continue;
            if (!takeBetterCandidates<P>(c, st, lambda, s.theta, tolerance))
                break;
            ++*fitPasses;
            converged = false;
        }
        return converged;
    };
    const auto record = [&](double lambda, std::int64_t k) { recordFit<P>(c, st, lambda, s.theta, k, out); };
    const auto saturated = [&](std::int64_t) {
        return st.saturated || saturates(c, st);
    };
    const bool stopped = walkPath(lambdas.get(), count, top, s.dfMax, out, screen, solveAt, record, saturated);
    // A fit whose solve was stopped at saturation is no minimum of its
    // lambda's objective: the path keeps the fits before it, or this one,
    // flagged as not converged, where it is the first.
    if (stopped && st.saturated && out->fits > 1)
        --out->fits;
    return stopped && out->fits < count ? GlmPathSaturated : GlmPathDone;
}

} // namespace

GlmPathStatus fitGlmPath(const FitDesign& design, const FitSettings& settings, Distribution distribution,
                         FitOutput* output)
{
    return withPenalty(settings.penalty,
                       [&]<class P>() { return fitGlmPathOf<P>(design, settings, distribution, output); });
}

GlmPathStatus fitAnyPath(const FitDesign& design, const FitSettings& settings, Distribution distribution,
                         FitOutput* output)
{
    if (distribution == Distribution::Normal)
        return fitPath(design, settings, output) == FitDone ? GlmPathDone : GlmPathOutOfMemory;
    return fitGlmPath(design, settings, distribution, output);
}
