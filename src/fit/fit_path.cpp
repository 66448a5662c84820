// Pathwise cyclic coordinate descent for
//   (1/(2W)) sum_i w_i (y_i - b0 - x_i'beta)^2 + sum_j f_j p(|beta~_j|; lambda, theta),
// W = sum_i w_i, on the fit's scale: column j centred at its weighted mean
// c_j (with an intercept) and divided by s_j (its weighted population
// standard deviation, when standardising), beta~_j = beta_j*s_j. The
// columns are never formed: a step's gradient is (x_j'(w.rho) - c_j*R)/(W*s_j)
// with rho the residual of the uncentred columns and R = sum_i w_i rho_i,
// so a compressed X is never filled in and gives the bits of dense X.
//
// Along coordinate j the objective is (v_j/2)(b - z_j)^2 + f_j p(b) up to a
// constant, v_j the column's curvature and z_j = beta~_j + g_j/v_j, so its
// global minimiser is the prox map of gamma*p at z_j with gamma = f_j/v_j:
// every step is exact, in every regime of every penalty, and no step
// raises the objective.
#include "fit_path.h"

#include <bit>
#include <memory>
#include <new>

#include "column_kernels.h"
#include "column_sums.h"
#include "moved_columns.h"
#include "path_loop.h"
#include "piece_step.h"
#include "scalar_prox.h"
#include "shared_passes.h"

namespace {

template <class T>
std::unique_ptr<T[]> workArray(std::int64_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[count > 0 ? count : 1]());
}

// What the call fixes: the columns, their centres and scales, curvatures
// and penalty factors, and the observation weights.
struct FitColumns {
    std::int64_t n = 0, p = 0;
    const double* dense = nullptr;
    const double* values = nullptr;
    std::unique_ptr<std::int64_t[]> rows, starts;
    const double* w = nullptr; // null: unit weights
    double totalWeight = 0;
    bool intercept = false;
    std::unique_ptr<double[]> center, weightedSum, inverseScale, curvature, inverseCurvature, rootCurvature,
        gradientScale, roundingScale;
    std::unique_ptr<bool[]> eligible;
    // The nonzero values of each column, the same count for either storage.
    std::unique_ptr<std::int64_t[]> nonzeroCount;
    const double* factor = nullptr;
    const ColumnKernels* kernels = nullptr; // the loops over a dense column
    // Where columns were moved to their means (shiftFarColumns): the
    // columns then, and each one's shift (0 for the others).
    std::unique_ptr<double[]> movedColumns, shift;
};

ColumnView columnOf(const FitColumns& c, std::int64_t j)
{
    if (c.dense)
        return {c.dense + j * c.n, nullptr, c.n};
    return {c.values + c.starts[j], c.rows.get() + c.starts[j], c.starts[j + 1] - c.starts[j]};
}

// columnDot and columnUpdate, a dense column's without weights on the
// widest loops the CPU runs (the same bits).
double dotOf(const FitColumns& c, const ColumnView& col, const double* u)
{
    return !col.rows && !c.w ? c.kernels->sum(col.values, u, col.count) : columnDot(col, u, c.w);
}

void updateOf(const FitColumns& c, const ColumnView& col, double* u, double d)
{
    if (!col.rows)
        c.kernels->subtractScaled(u, col.values, d, col.count);
    else
        columnUpdate(col, u, d);
}

// A column whose weighted mean is more than kShiftRatio spreads from 0 is
// fitted moved to its mean, x - mean: the residual of the uncentred
// columns would carry mean*beta in every row, and the gradients' and Gram
// entries' centring, sum x*rho - mean*R, would cancel (mean/spread)^2
// times the rounding of the sums (more than 12 bits here). The model is
// the same (the intercept takes the shifts back, recordFit); columns
// nearer 0 keep their bits.
constexpr double kShiftRatio = 64;

bool shiftFarColumns(FitColumns& c, const double* mean, const double* variance, const bool* constant)
{
    std::unique_ptr<bool[]> moves = workArray<bool>(c.p);
    if (!moves)
        return false;
    bool any = false;
    for (std::int64_t j = 0; j < c.p; ++j)
        any = (moves[j] = farFromZero(mean[j], variance[j], constant[j], kShiftRatio)) || any;
    return !any || moveColumns(c, [&](std::int64_t j) { return columnOf(c, j); }, mean, moves.get());
}

bool prepareColumns(const FitDesign& d, const FitSettings& s, FitColumns* c)
{
    c->n = d.rows;
    c->p = d.columns;
    c->intercept = s.intercept;
    c->factor = s.penaltyFactor;
    c->kernels = &bestColumnKernels();
    c->dense = d.dense;
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
    bool unit = true;
    if (s.weights)
        for (std::int64_t i = 0; i < c->n; ++i)
            unit = unit && s.weights[i] == 1.0;
    c->w = unit ? nullptr : s.weights;
    std::unique_ptr<double[]> ones = workArray<double>(c->n);
    c->center = workArray<double>(c->p);
    c->weightedSum = workArray<double>(c->p);
    c->inverseScale = workArray<double>(c->p);
    c->curvature = workArray<double>(c->p);
    c->inverseCurvature = workArray<double>(c->p);
    c->gradientScale = workArray<double>(c->p);
    c->rootCurvature = workArray<double>(c->p);
    c->roundingScale = workArray<double>(c->p);
    c->eligible = workArray<bool>(c->p);
    c->nonzeroCount = workArray<std::int64_t>(c->p);
    if (!ones || !c->center || !c->weightedSum || !c->inverseScale || !c->curvature || !c->inverseCurvature ||
        !c->gradientScale || !c->rootCurvature || !c->roundingScale || !c->eligible || !c->nonzeroCount)
        return false;
    for (std::int64_t i = 0; i < c->n; ++i)
        ones[i] = 1.0;
    const double* w = c->w;
    const double total = weightedSum(ones.get(), w, c->n);
    c->totalWeight = total;
    // A gradient's sums (the dot product and R, eight lanes each, and the
    // products and differences after them) are within
    // (2*(n/8 + 5) + 3)*2^-53 * sqrt(sum_i w_i*x_i^2/W)*|rho| of their exact
    // value, |rho| = sqrt(sum_i w_i*rho_i^2/W) (Cauchy-Schwarz on the sums'
    // error bounds, and |mean| <= that root): for a column far from 0 (a
    // large mean, a small spread) this is more than a relative margin on
    // the centred sizes covers.
    const double rounding = 1.01 * ((static_cast<double>(c->n) / 8 + 8) * 0x1p-52);
    std::unique_ptr<double[]> means = workArray<double>(c->p), variances = workArray<double>(c->p);
    std::unique_ptr<bool[]> constants = workArray<bool>(c->p);
    if (!means || !variances || !constants)
        return false;
    for (std::int64_t j = 0; j < c->p; ++j) {
        columnCentre(columnOf(*c, j), w, ones.get(), total, &c->weightedSum[j], &means[j], &variances[j]);
        constants[j] = isConstant(columnOf(*c, j), c->n);
    }
    if (s.intercept && !shiftFarColumns(*c, means.get(), variances.get(), constants.get()))
        return false;
    for (std::int64_t j = 0; j < c->p; ++j) {
        const ColumnView col = columnOf(*c, j);
        double sum = c->weightedSum[j], mean = means[j], variance = variances[j], moved = variance;
        // A moved column keeps the spread of the column given (its scale),
        // and takes its centre and curvature from the values fitted.
        if (c->shift && c->shift[j] != 0)
            columnCentre(col, w, ones.get(), total, &sum, &mean, &moved);
        const bool constant = constants[j];
        double about = moved; // the curvature before any scaling
        if (!s.intercept) {
            double raw, unused;
            columnSpread(col, w, 0.0, &raw, &unused);
            about = raw / total;
        } else if (constant) {
            about = 0;
        }
        const double scale = s.standardize ? (constant ? 0.0 : __builtin_sqrt(variance)) : 1.0;
        const double v = s.standardize ? about / (scale * scale) : about;
        const double f = s.penaltyFactor[j];
        c->eligible[j] = scale > 0 && v > 0 && v < __builtin_inf() && f < __builtin_inf();
        for (std::int64_t k = 0; k < col.count; ++k)
            c->nonzeroCount[j] += col.values[k] != 0;
        c->center[j] = s.intercept ? mean : 0.0;
        c->weightedSum[j] = sum;
        c->inverseScale[j] = s.standardize ? 1.0 / scale : 1.0;
        c->curvature[j] = v;
        c->inverseCurvature[j] = 1.0 / v;
        c->rootCurvature[j] = __builtin_sqrt(v);
        c->gradientScale[j] = c->inverseScale[j] / total;
        c->roundingScale[j] = (rounding * __builtin_sqrt(moved + mean * mean)) * c->inverseScale[j];
    }
    return true;
}

// What changes along the path: the coefficients on the fit's scale, the
// residual rho of the uncentred columns and R = sum_i w_i rho_i, the last
// gradient of each coefficient, the working set (screened in and every
// violator) and within it the active set (nonzero or unpenalised).
struct FitState {
    std::unique_ptr<double[]> beta, rho, gradient;
    double rhoSum = 0;
    // The residual at which the gradients outside the working set were
    // last all formed, those gradients, and the residual's size then.
    std::unique_ptr<double[]> referenceRho, referenceGradient;
    double referenceSize = 0, referenceSum = 0;
    bool referenceValid = false;
    // The reference before it: its residual and size, and the gradients
    // formed at it (NaN for a column whose gradient was not); the
    // reference at which each column's reference gradient was formed
    // (referenceCount the current one); and rows for the check's split of
    // the residual's change along the change between the two references.
    std::unique_ptr<double[]> pastRho, pastGradient, changeRows;
    double pastSize = 0;
    bool pastValid = false;
    std::int64_t referenceCount = 0;
    std::unique_ptr<std::int64_t[]> gradientReference;
    // Covariance updates (n well above p): every gradient is kept up to
    // date through the column of the fit-scale Gram matrix of each
    // coefficient that has moved, formed when it first moves; the residual
    // is never formed, each fit's MSE and intercept coming from the
    // gradients and the sums at the start.
    bool covariance = false;
    std::unique_ptr<double[]> gram, gramSums, scratch, startGradient;
    double nullMse = 0, startSum = 0; // sum_i w_i (y_i - ybar)^2/W and sum_i w_i (y_i - ybar)
    std::unique_ptr<std::int64_t[]> gramSlot;
    std::int64_t gramColumns = 0;
    std::unique_ptr<bool[]> working;
    std::unique_ptr<std::int64_t[]> workingList, activeList;
    std::int64_t workingCount = 0, activeCount = 0;
    double tolerance = 0;
    // The coefficients in the order they first left 0 (the unpenalised
    // ones when first swept), each one's place in it (-1: never), and the
    // active sweeps run in this order: on correlated columns sweeping the
    // strongest coefficients first converges in far fewer passes than
    // sweeping in column order.
    std::unique_ptr<std::int64_t[]> entryList, entryPlace;
    std::int64_t entryCount = 0;
    // Residual updates: the fit-scale Gram matrix of coefficients that
    // were active (row u of column gramMembers[u], capacity by capacity;
    // gramIndex the row of each column, -1 for none), and its active part
    // in the order of the active list, so that an active sweep costs the
    // active count per step instead of two passes over the rows; the
    // active gradients, the coefficients when the active sweeps began, and
    // a column of X filled in where compressed.
    std::unique_ptr<double[]> activeGram, compactGram, activeGradient, activeStart, denseColumn;
    std::unique_ptr<std::int64_t[]> gramMembers, gramIndex;
    // The active part as last copied (compactSlots the row of activeGram of
    // each of its compactCount rows, slotPlace the place of each row of
    // activeGram in it, -1 for none), and room for the next: its entries
    // are copied from there while their rows of activeGram stay theirs,
    // a gather from a small matrix instead of the large one.
    std::unique_ptr<double[]> compactSpare;
    std::unique_ptr<std::int64_t[]> compactSlots, slotPlace, nextSlots, nextPlaces;
    // The places in the active list of the rows not in the last active
    // part (formActivePairs).
    std::unique_ptr<std::int64_t[]> freshPlaces;
    std::int64_t freshCount = 0;
    std::int64_t compactCount = 0;
    std::unique_ptr<bool[]> gramFormed; // whether entry (u, v) of activeGram is formed
    std::int64_t gramRoom = 0, gramCapacity = 0, gramCount = 0;
    bool activeGramFailed = false;
    // The Newton moves on the active pieces (pieceStep): the move, the
    // residual and direction of its conjugate gradients, each coefficient's
    // f*p'', the model's Hessian times the direction, a product of the Gram
    // matrix with the whole active list, the places in it of the moved
    // coefficients, and each active coefficient's piece after the last sweep;
    // each moved coefficient's piece on the path and the way (+1 up, -1
    // down, 0 none yet) it last crossed a knot.
    double theta = 0;
    bool pieceMoves = true;
    std::unique_ptr<double[]> pieceMove, pieceResidual, pieceDirection, pieceCurvatures, pieceHessianTimes, pieceProduct;
    std::unique_ptr<std::int64_t[]> piecePlaces;
    std::unique_ptr<int[]> pieces, pathPieces, crossings;
    std::unique_ptr<bool[]> pieceFree; // in the path still (not held at 0)
    bool pieceFailed = false;
    // The threads the check's and the Gram entries' sums are shared with,
    // and what the check found of each column (CheckOutcome).
    int threads = 1;
    std::unique_ptr<unsigned char[]> checked;
};

// Columns per piece of a shared pass over X.
constexpr std::int64_t kColumnPiece = 64;

void enter(FitState& st, std::int64_t j)
{
    st.entryPlace[j] = st.entryCount;
    st.entryList[st.entryCount++] = j;
}

// q^k by squaring, in one fixed order.
double powerOf(double q, std::int64_t k)
{
    double result = 1, square = q;
    while (k > 0) {
        if (k & 1)
            result *= square;
        square *= square;
        k >>= 1;
    }
    return result;
}

constexpr std::int64_t kGramBatch = 16;

// Gram columns are formed kGramBatch at a time: the column a step needs,
// then the unformed ones of the largest gradients (the likeliest to move
// next, ties to the lower column), so that dense X is read once per batch
// rather than once per column. Returns how many were chosen into batch.
std::int64_t chooseGramBatch(const FitColumns& c, const FitState& st, std::int64_t j, std::int64_t* batch)
{
    std::int64_t count = 1;
    batch[0] = j;
    double size[kGramBatch];
    for (std::int64_t k = 0; k < c.p; ++k) {
        if (k == j || !c.eligible[k] || st.gramSlot[k] >= 0)
            continue;
        const double g = st.gradient[k] < 0 ? -st.gradient[k] : st.gradient[k];
        if (count == kGramBatch && !(g > size[count - 1]))
            continue;
        std::int64_t at = count < kGramBatch ? count++ : count - 1;
        for (; at > 1 && g > size[at - 1]; --at) {
            batch[at] = batch[at - 1];
            size[at] = size[at - 1];
        }
        batch[at] = k;
        size[at] = g;
    }
    return count;
}

// The sums columnDot(column k, x_a, w) of dense X for every member a of
// the batch and every k whose entry is not formed before a's column (k
// unformed and not earlier in the batch), in one sweep over blocks of
// rows, so that the blocks of the batch's columns are read from cache:
// each of the eight sums of every pair takes the same terms in the same
// order as columnDot (blocks are whole multiples of 8).
void denseGramSums(const FitColumns& c, FitState& st, const std::int64_t* batch, std::int64_t count)
{
    constexpr std::int64_t kBlock = 256;
    const double* w = c.w;
    double* sums = st.gramSums.get();
    for (std::int64_t k = 0; k < 8 * c.p * count; ++k)
        sums[k] = 0;
    for (std::int64_t from = 0; from < c.n; from += kBlock) {
        const std::int64_t to = from + kBlock < c.n ? from + kBlock : c.n;
        for (std::int64_t k = 0; k < c.p; ++k) {
            if (!c.eligible[k] || st.gramSlot[k] >= 0)
                continue;
            const double* xk = c.dense + k * c.n;
            for (std::int64_t a = 0; a < count; ++a) {
                if (a > 0 && batch[a - 1] == k)
                    break; // k is in the batch before this member and every later one
                const double* xj = c.dense + batch[a] * c.n;
                double* pair = sums + 8 * (a * c.p + k);
                double s[8];
                for (int l = 0; l < 8; ++l)
                    s[l] = pair[l];
                std::int64_t i = from;
                if (w) {
                    for (; i + 8 <= to; i += 8)
                        for (int l = 0; l < 8; ++l)
                            s[l] += xk[i + l] * (w[i + l] * xj[i + l]);
                    for (; i < to; ++i)
                        s[i & 7] += xk[i] * (w[i] * xj[i]);
                } else {
                    for (; i + 8 <= to; i += 8)
                        for (int l = 0; l < 8; ++l)
                            s[l] += xk[i + l] * xj[i + l];
                    for (; i < to; ++i)
                        s[i & 7] += xk[i] * xj[i];
                }
                for (int l = 0; l < 8; ++l)
                    pair[l] = s[l];
            }
        }
    }
}

// The fit-scale Gram entry sum_i w_i x~_ij x~_ik/W from the products
// sum_i w_i x_ij x_ik of the uncentred columns.
double gramEntry(const FitColumns& c, std::int64_t j, std::int64_t k, double products)
{
    const double centred = ((products - c.center[j] * c.weightedSum[k]) - c.center[k] * c.weightedSum[j])
                         + (c.center[j] * c.center[k]) * c.totalWeight;
    return centred * ((c.inverseScale[j] * c.inverseScale[k]) / c.totalWeight);
}

// Column j of the Gram matrix on the fit's scale, sum_i w_i x~_ij x~_ik/W
// for every k, with the rest of its batch, member by member: an entry
// whose column k was formed before (earlier in the batch included) is
// taken from it (their roundings may differ by an ulp, but the choice is
// fixed), the others come from the sums of the uncentred columns, the
// same sums over the same rows for dense and compressed X, so both form
// the same batches and the same bits.
const double* gramColumn(const FitColumns& c, FitState& st, std::int64_t j)
{
    if (st.gramSlot[j] >= 0)
        return st.gram.get() + st.gramSlot[j] * c.p;
    std::int64_t batch[kGramBatch];
    const std::int64_t count = chooseGramBatch(c, st, j, batch);
    if (c.dense)
        denseGramSums(c, st, batch, count);
    for (std::int64_t a = 0; a < count; ++a) {
        const std::int64_t m = batch[a];
        double* column = st.gram.get() + st.gramColumns * c.p;
        const ColumnView cm = columnOf(c, m);
        if (!c.dense)
            for (std::int64_t k = 0; k < cm.count; ++k)
                st.scratch[cm.rows[k]] = cm.values[k];
        for (std::int64_t k = 0; k < c.p; ++k) {
            column[k] = 0;
            if (!c.eligible[k])
                continue;
            if (k != m && st.gramSlot[k] >= 0) { // the matrix is symmetric: that entry is formed
                column[k] = st.gram[st.gramSlot[k] * c.p + m];
                continue;
            }
            const double products = c.dense ? combineSums(st.gramSums.get() + 8 * (a * c.p + k))
                                            : dotOf(c, columnOf(c, k), st.scratch.get());
            column[k] = gramEntry(c, m, k, products);
        }
        st.gramSlot[m] = st.gramColumns++;
        if (!c.dense)
            for (std::int64_t k = 0; k < cm.count; ++k)
                st.scratch[cm.rows[k]] = 0;
    }
    return st.gram.get() + st.gramSlot[j] * c.p;
}

double outsideGradient(const FitColumns& c, FitState& st, std::int64_t j);
void outsideGradients(const FitColumns& c, FitState& st, const std::int64_t* j, int count, double* g);

template <class P>
double coordinateStep(const FitColumns& c, FitState& st, const ScalarProx<P>* prox, std::int64_t j, double lambda)
{
    const ColumnView col = columnOf(c, j);
    double g;
    if (st.covariance) {
        g = st.gradient[j];
    } else {
        const double a = dotOf(c, col, st.rho.get());
        g = (a - c.center[j] * st.rhoSum) * c.gradientScale[j];
        st.gradient[j] = g;
    }
    const double z = st.beta[j] + g * c.inverseCurvature[j];
    const double b = c.factor[j] == 0 ? z : proxScalar<P>(z, lambda, prox[j]);
    const double delta = b - st.beta[j];
    if (delta == 0)
        return 0;
    st.beta[j] = b;
    if (st.entryPlace[j] < 0)
        enter(st, j);
    if (st.covariance) {
        const double* column = gramColumn(c, st, j);
        double* gradient = st.gradient.get();
        for (std::int64_t k = 0; k < c.p; ++k)
            gradient[k] -= column[k] * delta;
    } else {
        const double d = delta * c.inverseScale[j];
        updateOf(c, col, st.rho.get(), d);
        if (c.intercept)
            st.rhoSum -= c.weightedSum[j] * d;
    }
    return (c.curvature[j] * delta) * delta;
}

template <class P>
double sweep(const FitColumns& c, FitState& st, const ScalarProx<P>* prox, const std::int64_t* list,
             std::int64_t count, double lambda)
{
    double largest = 0;
    for (std::int64_t k = 0; k < count; ++k) {
        const double change = coordinateStep<P>(c, st, prox, list[k], lambda);
        largest = change > largest ? change : largest;
    }
    return largest;
}

void exactResidualSum(const FitColumns& c, FitState& st)
{
    st.rhoSum = c.intercept ? weightedSum(st.rho.get(), c.w, c.n) : 0.0;
}

void listWorkingSet(const FitColumns& c, FitState& st)
{
    st.workingCount = 0;
    for (std::int64_t j = 0; j < c.p; ++j)
        if (st.working[j])
            st.workingList[st.workingCount++] = j;
}

// The entries of the active Gram matrix between active coefficients not
// formed yet, row by row (a compressed row's column filled in: the
// products of compressed and filled-in columns are the same sums in
// either order, zero rows adding +-0 to sums that are never -0).
void formActivePairRows(const FitColumns& c, FitState& st, std::int64_t from, std::int64_t to)
{
    double* gram = st.activeGram.get();
    const std::int64_t capacity = st.gramCapacity;
    for (std::int64_t a = from; a < to; ++a) {
        const std::int64_t j = st.activeList[a], m = st.gramIndex[j];
        bool filled = c.dense != nullptr;
        const ColumnView cj = columnOf(c, j);
        const double* xj = c.dense ? cj.values : st.denseColumn.get();
        const auto store = [&](std::int64_t k, double products) {
            const std::int64_t u = st.gramIndex[k];
            const double entry = j > k ? gramEntry(c, j, k, products) : gramEntry(c, k, j, products);
            gram[m * capacity + u] = gram[u * capacity + m] = entry;
            st.gramFormed[m * capacity + u] = st.gramFormed[u * capacity + m] = true;
        };
        // Dense columns without weights four at a time: each entry's sum is
        // the same alone, in a pair or in a pass of four.
        const double* batch[4];
        std::int64_t batched[4], held = 0;
        // A row of the last active part has its entries with the others
        // there: only those with the rows new to it can be missing.
        const bool kept = st.slotPlace[m] >= 0;
        const std::int64_t candidates = kept ? st.freshCount : a + 1;
        for (std::int64_t f = 0; f < candidates; ++f) {
            const std::int64_t b = kept ? st.freshPlaces[f] : f;
            if (b > a)
                break;
            const std::int64_t k = st.activeList[b], u = st.gramIndex[k];
            if (st.gramFormed[m * capacity + u])
                continue;
            if (!filled)
                for (std::int64_t r = 0; r < cj.count; ++r)
                    st.denseColumn[cj.rows[r]] = cj.values[r];
            filled = true;
            if (c.dense && !c.w) {
                batched[held] = k;
                batch[held++] = columnOf(c, k).values;
                if (held == 4) {
                    double sums[4];
                    c.kernels->sumQuad(batch, xj, c.n, sums);
                    for (int e = 0; e < 4; ++e)
                        store(batched[e], sums[e]);
                    held = 0;
                }
                continue;
            }
            store(k, columnProducts(columnOf(c, k), xj, c.w));
        }
        std::int64_t e = 0;
        if (held >= 2) {
            double first = 0, second = 0;
            c.kernels->sumPair(batch[0], batch[1], xj, c.n, &first, &second);
            store(batched[0], first);
            store(batched[1], second);
            e = 2;
        }
        if (e < held)
            store(batched[e], dotOf(c, columnOf(c, batched[e]), xj));
        if (!c.dense && filled)
            for (std::int64_t r = 0; r < cj.count; ++r)
                st.denseColumn[cj.rows[r]] = 0;
    }
}

// Row a forms the entries with the rows before it, each into both mirror
// places, so no two rows write one place: rows of a dense X are shared
// out (a compressed one fills in one column of scratch at a time).
void formActivePairs(const FitColumns& c, FitState& st)
{
    st.freshCount = 0;
    for (std::int64_t a = 0; a < st.activeCount; ++a)
        if (st.slotPlace[st.gramIndex[st.activeList[a]]] < 0)
            st.freshPlaces[st.freshCount++] = a;
    shareRange(c.dense ? st.threads : 1, st.activeCount, 4,
               [&](std::int64_t from, std::int64_t to) { formActivePairRows(c, st, from, to); });
}

// The rows of activeGram are about to be handed out afresh: no entry of
// the last active part is theirs any more.
void forgetCompact(FitState& st)
{
    for (std::int64_t a = 0; a < st.compactCount; ++a)
        st.slotPlace[st.compactSlots[a]] = -1;
    st.compactCount = 0;
}

// The active part of activeGram in the order of the active list, into
// compactGram: each entry copied from the last active part where both its
// rows were in it (the same double either way), else from activeGram;
// nothing to do where the list's rows are the same in the same order.
void compactInListOrder(FitState& st)
{
    const std::int64_t count = st.activeCount, last = st.compactCount, capacity = st.gramCapacity;
    std::int64_t* slots = st.nextSlots.get();
    std::int64_t* places = st.nextPlaces.get();
    bool same = count == last;
    for (std::int64_t a = 0; a < count; ++a) {
        slots[a] = st.gramIndex[st.activeList[a]];
        places[a] = st.slotPlace[slots[a]];
        same = same && places[a] == a;
    }
    if (same)
        return;
    const double* gram = st.activeGram.get();
    const double* before = st.compactGram.get();
    double* compact = st.compactSpare.get();
    for (std::int64_t a = 0; a < count; ++a) {
        if (places[a] < 0)
            continue;
        const double* kept = before + places[a] * last;
        for (std::int64_t b = 0; b < count; ++b)
            if (places[b] >= 0)
                compact[a * count + b] = kept[places[b]];
    }
    // A new row and its column from its row of activeGram (formed in
    // mirror pairs: the same double), not from a column of it.
    for (std::int64_t a = 0; a < count; ++a) {
        if (places[a] >= 0)
            continue;
        const double* row = gram + slots[a] * capacity;
        for (std::int64_t b = 0; b < count; ++b)
            compact[a * count + b] = compact[b * count + a] = row[slots[b]];
    }
    st.compactGram.swap(st.compactSpare);
    forgetCompact(st);
    for (std::int64_t a = 0; a < count; ++a) {
        st.compactSlots[a] = slots[a];
        st.slotPlace[slots[a]] = a;
    }
    st.compactCount = count;
}

// Rows of the active coefficients' Gram matrix, each entry formed from the
// sums of the two uncentred columns when both are first active together
// (formActivePairs), in the order of the pair's columns whichever came
// first, and kept while the coefficients may return; a full matrix starts
// again from the active ones. Then the active part copied together, in
// the order of the active list. False where it would not pay (fewer
// nonzeros in the average active column than active coefficients: a step
// over the residual is cheaper; for a dense X, more of them than rows) or
// does not fit.
bool activeGramOf(const FitColumns& c, FitState& st)
{
    std::int64_t stored = 0;
    for (std::int64_t a = 0; a < st.activeCount; ++a)
        stored += c.nonzeroCount[st.activeList[a]];
    if (stored < st.activeCount * st.activeCount || st.activeGramFailed)
        return false;
    if (!st.activeGram) {
        // Room for twice the rows (at most n active ones): those that left
        // lately may return; older ones are formed again if they do.
        const std::int64_t room = st.gramRoom > 0 ? st.gramRoom : 2 * c.n < 2048 ? 2 * c.n : 2048;
        st.gramCapacity = c.p < room ? c.p : room;
        st.activeGram.reset(new (std::nothrow) double[st.gramCapacity * st.gramCapacity]);
        st.compactGram.reset(new (std::nothrow) double[st.gramCapacity * st.gramCapacity]);
        st.gramFormed.reset(new (std::nothrow) bool[st.gramCapacity * st.gramCapacity]);
        st.compactSpare.reset(new (std::nothrow) double[st.gramCapacity * st.gramCapacity]);
        st.compactSlots = workArray<std::int64_t>(st.gramCapacity);
        st.slotPlace = workArray<std::int64_t>(st.gramCapacity);
        st.nextSlots = workArray<std::int64_t>(st.gramCapacity);
        st.nextPlaces = workArray<std::int64_t>(st.gramCapacity);
        st.freshPlaces = workArray<std::int64_t>(st.gramCapacity);
        st.gramMembers = workArray<std::int64_t>(st.gramCapacity);
        st.activeGradient = workArray<double>(st.gramCapacity);
        st.activeStart = workArray<double>(st.gramCapacity);
        st.denseColumn = workArray<double>(c.dense ? 1 : c.n);
        if (!st.activeGram || !st.compactGram || !st.gramFormed || !st.gramMembers || !st.activeGradient
            || !st.activeStart || !st.denseColumn || !st.compactSpare || !st.compactSlots || !st.slotPlace
            || !st.nextSlots || !st.nextPlaces || !st.freshPlaces) {
            st.activeGramFailed = true;
            return false;
        }
        for (std::int64_t u = 0; u < st.gramCapacity; ++u)
            st.slotPlace[u] = -1;
    }
    if (st.activeCount > st.gramCapacity)
        return false;
    std::int64_t missing = 0;
    for (std::int64_t k = 0; k < st.activeCount; ++k)
        missing += st.gramIndex[st.activeList[k]] < 0;
    if (st.gramCount + missing > st.gramCapacity) {
        for (std::int64_t u = 0; u < st.gramCount; ++u)
            st.gramIndex[st.gramMembers[u]] = -1;
        st.gramCount = 0;
        forgetCompact(st);
    }
    const std::int64_t capacity = st.gramCapacity;
    for (std::int64_t a = 0; a < st.activeCount; ++a) {
        const std::int64_t j = st.activeList[a];
        if (st.gramIndex[j] >= 0)
            continue;
        const std::int64_t m = st.gramCount++;
        st.gramIndex[j] = m;
        st.gramMembers[m] = j;
        for (std::int64_t u = 0; u < capacity; ++u)
            st.gramFormed[m * capacity + u] = st.gramFormed[u * capacity + m] = false;
    }
    formActivePairs(c, st);
    compactInListOrder(st);
    return true;
}

// The moves of an active sweep not yet applied to every kept gradient
// (their places in the active list, increasing, and their changes): a
// gradient is read and written once per batch of moves instead of once
// per move, the Gram rows being read once each as before.
constexpr std::int64_t kMoveBatch = 4;
struct PendingMoves {
    std::int64_t place[kMoveBatch];
    double delta[kMoveBatch];
    std::int64_t count = 0;
};

// gradient[u] -= row_i[u]*delta_i for every pending move i in order, for
// u in [from, to): each gradient takes the same subtractions in the same
// order as when every move updates every gradient at once.
void applyMoves(const ColumnKernels& k, double* gradient, const double* gram, std::int64_t count,
                const PendingMoves& m, std::int64_t from, std::int64_t to)
{
    if (to <= from)
        return;
    // g - r*d is g + r*(-d), bit for bit: the rows' loops on the widest
    // lanes the CPU runs.
    if (m.count == 4) {
        const double* rows[4];
        double steps[4];
        for (int i = 0; i < 4; ++i) {
            rows[i] = gram + m.place[i] * count + from;
            steps[i] = -m.delta[i];
        }
        k.addScaledQuad(gradient + from, rows, steps, to - from);
        return;
    }
    for (std::int64_t i = 0; i < m.count; ++i)
        k.subtractScaled(gradient + from, gram + m.place[i] * count + from, m.delta[i], to - from);
}

void flushMoves(const ColumnKernels& k, double* gradient, const double* gram, std::int64_t count, PendingMoves& m,
                std::int64_t last)
{
    if (m.count == 0)
        return;
    const std::int64_t first = m.place[0];
    applyMoves(k, gradient, gram, count, m, 0, first + 1);
    for (std::int64_t u = first + 1; u <= last; ++u)
        for (std::int64_t i = 0; i < m.count; ++i)
            if (m.place[i] >= u)
                gradient[u] -= gram[m.place[i] * count + u] * m.delta[i];
    applyMoves(k, gradient, gram, count, m, last + 1, count);
    m.count = 0;
}

// Room for the Newton moves, as large as the active Gram matrix's; false
// where it cannot be had (the sweeps go on without them).
bool pieceRoom(FitState& st)
{
    if (st.pieceMove || st.pieceFailed)
        return !st.pieceFailed;
    const std::int64_t capacity = st.gramCapacity;
    st.pieceMove = workArray<double>(capacity);
    st.pieceResidual = workArray<double>(capacity);
    st.pieceDirection = workArray<double>(capacity);
    st.pieceCurvatures = workArray<double>(capacity);
    st.pieceHessianTimes = workArray<double>(capacity);
    st.pieceProduct = workArray<double>(capacity);
    st.piecePlaces = workArray<std::int64_t>(capacity);
    st.pieces = workArray<int>(capacity);
    st.pieceFree = workArray<bool>(capacity);
    st.pathPieces = workArray<int>(capacity);
    st.crossings = workArray<int>(capacity);
    st.pieceFailed = !st.pieceFree || !st.pathPieces || !st.crossings || !st.pieceMove || !st.pieceResidual || !st.pieceDirection || !st.pieceCurvatures
                     || !st.pieceHessianTimes || !st.pieceProduct || !st.piecePlaces || !st.pieces;
    return !st.pieceFailed;
}

// Each active coefficient's piece, into st.pieces; whether none changed
// since the last call. An unpenalised coefficient has one piece.
template <class P>
bool samePieces(const FitColumns& c, FitState& st, double lambda)
{
    bool same = true;
    for (std::int64_t a = 0; a < st.activeCount; ++a) {
        const std::int64_t j = st.activeList[a];
        const int piece = c.factor[j] == 0 ? 1 : pieceOf<P>(st.beta[j], lambda, st.theta);
        same = same && piece == st.pieces[a];
        st.pieces[a] = piece;
    }
    return same;
}

// The Newton move's arrays (piece_step.h).
PieceMoveArrays pieceArrays(FitState& st)
{
    return {st.pieceMove.get(),       st.pieceResidual.get(), st.pieceDirection.get(),
            st.pieceHessianTimes.get(), st.pieceCurvatures.get(), st.pathPieces.get(),
            st.crossings.get(),       st.pieceFree.get()};
}

// The right side r = g - f*sign(b)*p'(|b|) of the Newton move of the
// nonzero (and unpenalised) active coefficients S on their pieces, from
// the kept gradients g, and f*p''(|b|) of each, with the move d at 0 and
// the first direction r. Returns the size of S (the places in piecePlaces).
template <class P>
std::int64_t pieceSystem(const FitColumns& c, FitState& st, double lambda)
{
    std::int64_t m = 0;
    for (std::int64_t a = 0; a < st.activeCount; ++a) {
        const std::int64_t j = st.activeList[a];
        if (st.beta[j] == 0 && c.factor[j] != 0)
            continue;
        startMember<P>(pieceArrays(st), m, st.beta[j], c.factor[j], st.activeGradient[a], lambda, st.theta);
        st.piecePlaces[m++] = a;
    }
    return m;
}

// G[., S]*v into pieceProduct for the whole active list: each entry adds
// the terms of the members of S in their order, four rows a pass over it.
void gramTimes(const FitColumns& c, FitState& st, const double* v, std::int64_t m)
{
    const std::int64_t count = st.activeCount;
    const double* gram = st.compactGram.get();
    const std::int64_t* place = st.piecePlaces.get();
    double* product = st.pieceProduct.get();
    for (std::int64_t u = 0; u < count; ++u)
        product[u] = 0;
    std::int64_t k = 0;
    for (; k + 4 <= m; k += 4) {
        const double* rows[4] = {gram + place[k] * count, gram + place[k + 1] * count, gram + place[k + 2] * count,
                                 gram + place[k + 3] * count};
        c.kernels->addScaledQuad(product, rows, v + k, count);
    }
    for (; k + 2 <= m; k += 2)
        c.kernels->addScaledPair(product, gram + place[k] * count, v[k], gram + place[k + 1] * count, v[k + 1],
                                 count);
    if (k < m)
        c.kernels->addScaled(product, gram + place[k] * count, v[k], count);
}

// The minimiser of the model on the pieces (piecePath), H the block of S
// in the Gram matrix, one product with the block an iteration.
template <class P>
void piecePathOverGram(const FitColumns& c, FitState& st, double lambda, std::int64_t m)
{
    const auto member = [&](std::int64_t k) { return st.activeList[st.piecePlaces[k]]; };
    piecePath<P>(
        pieceArrays(st), m, lambda, st.theta, [&](std::int64_t k) { return st.beta[member(k)]; },
        [&](std::int64_t k) { return c.factor[member(k)]; },
        [&](const double* direction) {
            gramTimes(c, st, direction, m);
            for (std::int64_t k = 0; k < m; ++k)
                st.pieceHessianTimes[k] = st.pieceProduct[st.piecePlaces[k]];
        });
}

// Whether the move d of S leaves every coefficient on the piece the path
// put it on, or on a knot bounding that piece, or at 0, and lowers the
// objective: its change, formed term by term (-g'd + d'Gd/2 and each
// penalty's difference at the coefficient's actual values), below minus a
// bound on its rounding. Leaves G*d in pieceProduct.
template <class P>
bool pieceMoveLowers(const FitColumns& c, FitState& st, double lambda, std::int64_t m)
{
    const double* x = st.pieceMove.get();
    gramTimes(c, st, x, m);
    double change = 0, size = 0;
    for (std::int64_t k = 0; k < m; ++k) {
        const std::int64_t a = st.piecePlaces[k], j = st.activeList[a];
        const double before = st.beta[j], after = before + x[k];
        const double loss = x[k] * (st.pieceProduct[a] * 0.5 - st.activeGradient[a]);
        const double linear = x[k] * st.activeGradient[a];
        change += loss;
        size += (loss < 0 ? -loss : loss) + (linear < 0 ? -linear : linear);
        if (c.factor[j] == 0)
            continue;
        if (!endsOnPathPiece<P>(st.pathPieces[k], after, lambda, st.theta))
            return false;
        const double f = c.factor[j];
        const double was = f * valueElement<ScalarLanes, P>(before, lambda, st.theta);
        const double now = f * valueElement<ScalarLanes, P>(after, lambda, st.theta);
        change += now - was;
        size += now + was;
    }
    return change < -size * 0x1p-44;
}

// The Newton move of the active coefficients on their pieces (piece_step.h),
// taken where it lowers the objective, which therefore never rises; on
// quadratic pieces the model is the objective itself. Returns whether it
// was taken (the coefficients and kept gradients moved).
template <class P>
bool pieceStep(const FitColumns& c, FitState& st, double lambda)
{
    const std::int64_t m = pieceSystem<P>(c, st, lambda);
    if (m == 0)
        return false;
    piecePathOverGram<P>(c, st, lambda, m);
    if (!pieceMoveLowers<P>(c, st, lambda, m))
        return false;
    for (std::int64_t k = 0; k < m; ++k) {
        const std::int64_t j = st.activeList[st.piecePlaces[k]];
        st.beta[j] = st.beta[j] + st.pieceMove[k];
    }
    for (std::int64_t u = 0; u < st.activeCount; ++u)
        st.activeGradient[u] -= st.pieceProduct[u];
    return true;
}

// Sweeps between Newton moves: at least this many with no coefficient
// changing its piece, doubled after a move not taken.
constexpr int kPieceWait = 2;

// Whether sweeps that each shrink the largest step by the last one's rate
// would still be above the tolerance after kSlowSweeps more (a move costs
// a product with the active block per iteration, as a sweep costs about
// one): only then is a move tried. 8 from callgrind's counts on the
// benchmark's paths (2 and 32 cost more).
constexpr std::int64_t kSlowSweeps = 8;

bool sweepsSlow(double largest, double previous, double tolerance)
{
    const double rate = largest / previous;
    if (!(rate < 1))
        return true;
    return largest * powerOf(rate, kSlowSweeps) > tolerance;
}

// Active sweeps over the active coefficients' Gram matrix: each step
// takes its gradient from the kept gradients, and a move updates every
// active coefficient's gradient by its Gram row (a step first takes the
// pending moves, which the others take in batches); the residual takes
// the net move of each coefficient once the sweeps end. The same exact
// steps as over the residual, at the gradients' rounding.
template <class P>
bool activeSweepsOverGram(const FitColumns& c, FitState& st, const ScalarProx<P>* prox, double lambda,
                          std::int64_t maxPasses, std::int64_t* passes)
{
    const std::int64_t count = st.activeCount;
    double* gradient = st.activeGradient.get();
    const double* gram = st.compactGram.get();
    for (std::int64_t a = 0; a < count; a += 4)
        outsideGradients(c, st, st.activeList.get() + a, count - a < 4 ? int(count - a) : 4, gradient + a);
    for (std::int64_t a = 0; a < count; ++a)
        st.activeStart[a] = st.beta[st.activeList[a]];
    bool converged = false;
    PendingMoves pending;
    const bool moves = kHasPieces<P> && st.pieceMoves && pieceRoom(st);
    int stable = 0, wait = kPieceWait;
    double largest = 0, previous = 0;
    if (moves)
        samePieces<P>(c, st, lambda);
    while (*passes < maxPasses && !converged) {
        previous = largest;
        largest = 0;
        for (std::int64_t a = 0; a < count; ++a) {
            const std::int64_t j = st.activeList[a];
            double g = gradient[a];
            for (std::int64_t i = 0; i < pending.count; ++i)
                g -= gram[pending.place[i] * count + a] * pending.delta[i];
            gradient[a] = g;
            const double z = st.beta[j] + g * c.inverseCurvature[j];
            const double b = c.factor[j] == 0 ? z : proxScalar<P>(z, lambda, prox[j]);
            const double delta = b - st.beta[j];
            if (delta == 0)
                continue;
            st.beta[j] = b;
            pending.place[pending.count] = a;
            pending.delta[pending.count++] = delta;
            if (pending.count == kMoveBatch)
                flushMoves(*c.kernels, gradient, gram, count, pending, a);
            const double change = (c.curvature[j] * delta) * delta;
            largest = change > largest ? change : largest;
        }
        flushMoves(*c.kernels, gradient, gram, count, pending, count - 1);
        ++*passes;
        converged = largest <= st.tolerance;
        if (!moves || converged)
            continue;
        stable = samePieces<P>(c, st, lambda) ? stable + 1 : 0;
        if (stable >= wait && sweepsSlow(largest, previous, st.tolerance)) {
            const bool taken = pieceStep<P>(c, st, lambda);
            stable = 0;
            wait = taken ? kPieceWait : 2 * wait;
        }
    }
    // The residual takes the moves in list order, four columns a pass
    // over it where X is dense (rho - x*d is rho + x*(-d), bit for bit).
    const double* columns[4];
    double steps[4];
    int held = 0;
    for (std::int64_t a = 0; a < count; ++a) {
        const std::int64_t j = st.activeList[a];
        st.gradient[j] = gradient[a];
        const double moved = st.beta[j] - st.activeStart[a];
        if (moved == 0)
            continue;
        const double d = moved * c.inverseScale[j];
        if (c.intercept)
            st.rhoSum -= c.weightedSum[j] * d;
        if (!c.dense) {
            updateOf(c, columnOf(c, j), st.rho.get(), d);
            continue;
        }
        columns[held] = c.dense + j * c.n;
        steps[held++] = -d;
        if (held == 4) {
            c.kernels->addScaledQuad(st.rho.get(), columns, steps, c.n);
            held = 0;
        }
    }
    for (int k = 0; k < held; ++k)
        c.kernels->subtractScaled(st.rho.get(), columns[k], -steps[k], c.n);
    return converged;
}

// The active part of the working set (nonzero or unpenalised), in the
// order of entry.
void listActiveSet(const FitColumns& c, FitState& st)
{
    for (std::int64_t k = 0; k < st.workingCount; ++k) {
        const std::int64_t j = st.workingList[k];
        if (c.factor[j] == 0 && st.entryPlace[j] < 0)
            enter(st, j);
    }
    st.activeCount = 0;
    for (std::int64_t k = 0; k < st.entryCount; ++k) {
        const std::int64_t j = st.entryList[k];
        if (st.beta[j] != 0 || c.factor[j] == 0)
            st.activeList[st.activeCount++] = j;
    }
}

// Sweeps over the working set, and between them over its active part,
// until a sweep of the working set moves no coefficient by more than the
// tolerance (largest v_j*(change of beta~_j)^2), or the passes run out.
template <class P>
bool solveWorkingSet(const FitColumns& c, FitState& st, const ScalarProx<P>* prox, double lambda,
                     std::int64_t maxPasses, std::int64_t* passes)
{
    while (*passes < maxPasses) {
        if (!st.covariance)
            exactResidualSum(c, st);
        const double largest = sweep<P>(c, st, prox, st.workingList.get(), st.workingCount, lambda);
        ++*passes;
        if (largest <= st.tolerance)
            return true;
        listActiveSet(c, st);
        if (!st.covariance && activeGramOf(c, st)) {
            activeSweepsOverGram<P>(c, st, prox, lambda, maxPasses, passes);
            continue;
        }
        while (*passes < maxPasses) {
            const double inner = sweep<P>(c, st, prox, st.activeList.get(), st.activeCount, lambda);
            ++*passes;
            if (inner <= st.tolerance)
                break;
        }
    }
    return false;
}

// The gradient of a coefficient outside the working set, at the current
// residual (R exact).
double outsideGradientOf(const FitColumns& c, const FitState& st, std::int64_t j, double dot)
{
    return (dot - c.center[j] * st.rhoSum) * c.gradientScale[j];
}

double outsideGradient(const FitColumns& c, FitState& st, std::int64_t j)
{
    return outsideGradientOf(c, st, j, dotOf(c, columnOf(c, j), st.rho.get()));
}

// The gradients of up to four columns at the current residual: a dense X
// without weights sums four in one pass over it, each sum the bits of its
// own pass.
void outsideGradients(const FitColumns& c, FitState& st, const std::int64_t* j, int count, double* g)
{
    if (count == 4 && c.dense && !c.w) {
        const double* const x[4] = {c.dense + j[0] * c.n, c.dense + j[1] * c.n, c.dense + j[2] * c.n,
                                    c.dense + j[3] * c.n};
        double sums[4];
        c.kernels->sumQuad(x, st.rho.get(), c.n, sums);
        for (int k = 0; k < 4; ++k)
            g[k] = outsideGradientOf(c, st, j[k], sums[k]);
        return;
    }
    for (int k = 0; k < count; ++k)
        g[k] = outsideGradient(c, st, j[k]);
}

// What the check found of a column: not outside the working set, within
// its bound, to be summed, summed, or joining.
enum CheckOutcome : unsigned char { CheckNotOutside, CheckBounded, CheckPending, CheckSummed, CheckJoins };

// Every gradient outside the working set at the current residual, kept
// with that residual as the reference the bounds below start from.
void referenceGradients(const FitColumns& c, FitState& st, bool keepSummed, std::int64_t from, std::int64_t to)
{
    std::int64_t held[4] = {};
    int count = 0;
    const auto settle = [&] {
        double g[4];
        outsideGradients(c, st, held, count, g);
        for (int k = 0; k < count; ++k)
            st.referenceGradient[held[k]] = st.gradient[held[k]] = g[k];
        count = 0;
    };
    for (std::int64_t j = from; j < to; ++j) {
        if (!c.eligible[j] || st.working[j])
            continue;
        st.gradientReference[j] = st.referenceCount;
        if (keepSummed && st.checked[j] == CheckSummed) {
            st.referenceGradient[j] = st.gradient[j];
            continue;
        }
        held[count++] = j;
        if (count == 4)
            settle();
    }
    settle();
}

// The current reference becomes the past one.
void keepPastReference(const FitColumns& c, FitState& st)
{
    for (std::int64_t i = 0; i < c.n; ++i)
        st.pastRho[i] = st.referenceRho[i];
    for (std::int64_t j = 0; j < c.p; ++j)
        st.pastGradient[j] = st.gradientReference[j] == st.referenceCount ? st.referenceGradient[j] : __builtin_nan("");
    st.pastSize = st.referenceSize;
    st.pastValid = true;
}

void refreshReference(const FitColumns& c, FitState& st, bool keepSummed = false)
{
    if (st.referenceCount > 0)
        keepPastReference(c, st);
    ++st.referenceCount;
    exactResidualSum(c, st);
    shareRange(st.threads, c.p, kColumnPiece,
               [&](std::int64_t from, std::int64_t to) { referenceGradients(c, st, keepSummed, from, to); });
    for (std::int64_t i = 0; i < c.n; ++i)
        st.referenceRho[i] = st.rho[i];
    st.referenceSum = st.rhoSum;
    st.referenceSize = __builtin_sqrt(weightedSquares(st.rho.get(), c.w, c.n) / c.totalWeight);
    st.referenceValid = true;
}

// The residual's change since the reference, e, for the check's bounds:
// its size sqrt(sum_i w_i*e_i^2/W), and a split e = a*u + r along the
// change u from the past reference to the reference, with the size of r.
// Centred where there is an intercept: the columns are centred, so a
// constant moves no gradient. Any a splits e exactly, so r's size is
// formed from e, u and a as they are, and margin bounds the scale of the
// rounding of what the bound then adds up (the column's sum along u comes
// from its gradients at the two references). The sums' own rounding
// scales with the sizes of the residuals whose gradients a bound combines
// (roundingScale): plain the current one and the reference, split also
// the past one, each weighted as the bound takes its gradient.
struct ReferenceChange {
    double change = 0, across = 0, margin = 0, along = 0, plainSizes = 0, sizes = 0;
    bool split = false;
};

double centredRows(const FitColumns& c, const double* to, const double* from, double* rows)
{
    double s[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (std::int64_t i = 0; i < c.n; ++i)
        s[i & 7] += c.w ? c.w[i] * (to[i] - from[i]) : to[i] - from[i];
    const double shift = c.intercept ? combineSums(s) / c.totalWeight : 0.0;
    for (std::int64_t i = 0; i < c.n; ++i)
        rows[i] = (to[i] - from[i]) - shift;
    return __builtin_sqrt(weightedSquares(rows, c.w, c.n) / c.totalWeight);
}

ReferenceChange residualChange(const FitColumns& c, FitState& st)
{
    ReferenceChange r;
    double *e = st.changeRows.get(), *u = e + c.n;
    r.change = centredRows(c, st.rho.get(), st.referenceRho.get(), e);
    r.across = r.change;
    r.margin = r.change + st.referenceSize;
    const double current = __builtin_sqrt(weightedSquares(st.rho.get(), c.w, c.n) / c.totalWeight);
    r.plainSizes = r.sizes = current + st.referenceSize;
    if (!st.pastValid || r.change == 0)
        return r;
    const double size = centredRows(c, st.referenceRho.get(), st.pastRho.get(), u);
    double along[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (std::int64_t i = 0; i < c.n; ++i)
        along[i & 7] += c.w ? (c.w[i] * u[i]) * e[i] : u[i] * e[i];
    const double a = combineSums(along) / (size * size * c.totalWeight);
    if (!(a - a == 0))
        return r;
    for (std::int64_t i = 0; i < c.n; ++i)
        e[i] -= a * u[i];
    const double across = __builtin_sqrt(weightedSquares(e, c.w, c.n) / c.totalWeight);
    if (across < r.change) {
        r.split = true;
        r.along = a;
        r.across = across;
        const double magnitude = a < 0 ? -a : a, reference = 1 + a < 0 ? -(1 + a) : 1 + a;
        r.margin += magnitude * (size + st.referenceSize + st.pastSize);
        r.sizes = current + reference * st.referenceSize + magnitude * st.pastSize;
    }
    return r;
}

// A coefficient that leaves the working set (shedWorkingSet) takes its
// gradient at the optimality check's reference residual (one pass over its
// column), so that the check's bounds hold for it as for every coefficient
// outside.
void leaveWorkingSet(const FitColumns& c, FitState& st, std::int64_t j)
{
    if (st.covariance || !st.referenceValid)
        return;
    const double a = dotOf(c, columnOf(c, j), st.referenceRho.get());
    st.referenceGradient[j] = (a - c.center[j] * st.referenceSum) * c.gradientScale[j];
    st.gradientReference[j] = st.referenceCount;
}

// A check that finds coefficients to join takes in with them those whose
// step from 0, at the gradient the check left (the exact one where it
// formed it, else the reference), would move at this fraction of lambda:
// where the fit moves between local minima from one lambda to the next
// (SCAD and MCP on correlated columns), the fit the joiners bring makes
// such near misses the next check's violators, each costing the lambda
// another solve and another pass over X. (0.8 from fit_driver's counts
// on the benchmark's n = 1,000, p = 10,000 paths: a quarter fewer checks
// and half the joins for SCAD and MCP; 0.7 and 0.9 gain less.)
constexpr double kNearMissRatio = 0.8;

// The gradient of column j that the split of the residual's change
// predicts, g_ref + a*s, s the column's sum along u (the difference of its
// gradients at the two references); NaN where the past one was not formed.
double predictedGradient(const FitState& st, const ReferenceChange& r, std::int64_t j)
{
    const double g = st.referenceGradient[j];
    return r.split ? g + r.along * (g - st.pastGradient[j]) : g;
}

// The bounds of columns [from, to): each one's gradient (its reference)
// and whether it is within its bound or must be summed; at the reference
// itself (no change) the reference gradients are exact, and decide.
template <class P>
void boundColumns(const FitColumns& c, FitState& st, const ScalarProx<P>* prox, double lambda,
                  const ReferenceChange& r, std::int64_t from, std::int64_t to)
{
    for (std::int64_t j = from; j < to; ++j) {
        st.checked[j] = CheckNotOutside;
        if (!c.eligible[j] || st.working[j])
            continue;
        const double reference = st.referenceGradient[j];
        st.gradient[j] = reference;
        if (r.change == 0) {
            const bool moves = proxScalar<P>(reference * c.inverseCurvature[j], lambda, prox[j]) != 0;
            st.checked[j] = moves ? CheckJoins : CheckBounded;
            continue;
        }
        double center = predictedGradient(st, r, j), across = r.across, margin = r.margin, sizes = r.sizes;
        if (!(center - center == 0))
            center = reference, across = r.change, margin = r.change + st.referenceSize, sizes = r.plainSizes;
        const double spread = c.rootCurvature[j] * (across + 1e-8 * margin) + c.roundingScale[j] * sizes;
        const double bound = ((center < 0 ? -center : center) + spread) * (1 + 1e-9);
        const bool within = proxScalar<P>(bound * c.inverseCurvature[j], lambda, prox[j]) == 0;
        st.checked[j] = within ? CheckBounded : CheckPending;
    }
}

// The sums of the columns of [from, to) that their bounds left to them.
template <class P>
void sumPendingColumns(const FitColumns& c, FitState& st, const ScalarProx<P>* prox, double lambda,
                       std::int64_t from, std::int64_t to)
{
    std::int64_t held[4];
    int count = 0;
    const auto settle = [&] {
        double g[4];
        outsideGradients(c, st, held, count, g);
        for (int k = 0; k < count; ++k) {
            const std::int64_t j = held[k];
            st.gradient[j] = g[k];
            const bool moves = proxScalar<P>(g[k] * c.inverseCurvature[j], lambda, prox[j]) != 0;
            st.checked[j] = moves ? CheckJoins : CheckSummed;
        }
        count = 0;
    };
    for (std::int64_t j = from; j < to; ++j) {
        if (st.checked[j] != CheckPending)
            continue;
        held[count++] = j;
        if (count == 4)
            settle();
    }
    settle();
}

// The optimality check outside the working set: each coefficient there is
// 0, and must stay 0 under its exact step at the current residual; those
// that would move join the working set. By Cauchy-Schwarz a gradient is
// within sqrt(v_j)*|r| of g_ref + a*s_j, for the residual's change since
// the reference split as a*u + r along the last change between references
// (on a path the residual moves on much as it moved before; the split's
// part is exact): a coefficient whose step stays at 0 for every gradient
// that far out (the step is 0 on an interval of z about 0) needs no sum
// over its column, and the bound carries a margin far above the rounding
// of the sums. When more than a quarter of the columns need their sums
// anyway, the residual becomes the new reference: at once, from the sums
// just made, where nothing joined (the lambda is solved), else at the next
// check, past the joiners' solve. A check that finds violators takes in
// with them the near misses (kNearMissRatio). Returns how many joined.
template <class P>
std::int64_t joinViolators(const FitColumns& c, FitState& st, const ScalarProx<P>* prox, double lambda)
{
    if (st.covariance) {
        std::int64_t joined = 0;
        for (std::int64_t j = 0; j < c.p; ++j)
            if (c.eligible[j] && !st.working[j]
                && proxScalar<P>(st.gradient[j] * c.inverseCurvature[j], lambda, prox[j]) != 0) {
                st.working[j] = true;
                ++joined;
            }
        if (joined)
            listWorkingSet(c, st);
        return joined;
    }
    if (!st.referenceValid) {
        refreshReference(c, st);
    } else {
        exactResidualSum(c, st);
    }
    const ReferenceChange r = residualChange(c, st);
    shareRange(st.threads, c.p, kColumnPiece, [&](std::int64_t from, std::int64_t to) {
        boundColumns<P>(c, st, prox, lambda, r, from, to);
    });
    std::int64_t pending = 0, outside = 0;
    for (std::int64_t j = 0; j < c.p; ++j) {
        outside += st.checked[j] != CheckNotOutside;
        pending += st.checked[j] == CheckPending;
    }
    if (pending > 0)
        shareRange(st.threads, c.p, kColumnPiece, [&](std::int64_t from, std::int64_t to) {
            sumPendingColumns<P>(c, st, prox, lambda, from, to);
        });
    std::int64_t joined = 0;
    for (std::int64_t j = 0; j < c.p; ++j)
        if (st.checked[j] == CheckJoins) {
            st.working[j] = true;
            ++joined;
        }
    if (pending * 4 > outside) {
        if (joined == 0)
            refreshReference(c, st, true);
        else
            st.referenceValid = false;
    }
    if (joined)
        for (std::int64_t j = 0; j < c.p; ++j)
            if (c.eligible[j] && !st.working[j]
                && proxScalar<P>(st.gradient[j] * c.inverseCurvature[j], lambda * kNearMissRatio, prox[j]) != 0)
                st.working[j] = true;
    if (joined)
        listWorkingSet(c, st);
    return joined;
}

// lambda_max: the smallest lambda at which the exact step of every
// penalised coefficient from 0 (the unpenalised ones fitted) stays at 0.
// Where none holds them all (a penalty that vanishes, such as the elastic
// net at theta = 0), the l1 value of an elastic net at theta = 1e-3.
template <class P>
double lambdaMaxOf(const FitColumns& c, const FitState& st, const ScalarProx<P>* prox)
{
    double top = 0;
    for (std::int64_t j = 0; j < c.p; ++j) {
        if (!c.eligible[j] || c.factor[j] == 0)
            continue;
        const double z = st.gradient[j] * c.inverseCurvature[j];
        if (z == 0 || (top > 0 && proxScalar<P>(z, top, prox[j]) == 0))
            continue;
        top = smallestZeroLambda<P>(z, prox[j], top);
        if (!(top < __builtin_inf()))
            break;
    }
    if (top < __builtin_inf())
        return top;
    top = 0;
    for (std::int64_t j = 0; j < c.p; ++j) {
        if (!c.eligible[j] || c.factor[j] == 0)
            continue;
        const double g = st.gradient[j] < 0 ? -st.gradient[j] : st.gradient[j];
        const double l = g / (c.factor[j] * 1e-3);
        top = l > top ? l : top;
    }
    return top;
}

template <class P>
void recordFit(const FitColumns& c, FitState& st, const FitSettings& s, double lambda, double yMean,
               std::int64_t k, FitOutput* out)
{
    double shift, mse;
    if (st.covariance) {
        // From the gradients, with no pass over the rows: r = yc - X~b~
        // gives r'Wr/W = null - b~'(g0 + g), g0 the gradients at b~ = 0;
        // and R = R0 - sum_j M_j*beta_j.
        double explained = 0, moved = 0;
        for (std::int64_t j = 0; j < c.p; ++j) {
            if (!c.eligible[j] || st.beta[j] == 0)
                continue;
            explained += st.beta[j] * (st.startGradient[j] + st.gradient[j]);
            moved += c.weightedSum[j] * (st.beta[j] * c.inverseScale[j]);
        }
        const double left = st.nullMse - explained;
        mse = left > 0 ? left : 0.0;
        shift = c.intercept ? (st.startSum - moved) / c.totalWeight : 0.0;
    } else {
        exactResidualSum(c, st);
        shift = st.rhoSum / c.totalWeight;
        double sq[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        for (std::int64_t i = 0; i < c.n; ++i) {
            const double r = st.rho[i] - shift;
            sq[i & 7] += c.w ? (c.w[i] * r) * r : r * r;
        }
        mse = combineSums(sq) / c.totalWeight;
    }
    double penalty = 0, nonzeros = 0;
    double* b = out->coefficients + k * c.p;
    for (std::int64_t j = 0; j < c.p; ++j) {
        const double beta = st.beta[j];
        b[j] = c.eligible[j] ? beta * c.inverseScale[j] : 0.0;
        if (beta == 0 || !c.eligible[j])
            continue;
        nonzeros += 1;
        if (c.factor[j] != 0)
            penalty += c.factor[j] * valueElement<ScalarLanes, P>(beta, lambda, s.theta);
    }
    out->intercept[k] = c.intercept ? (yMean + shift) - shiftsCarried(c.shift.get(), b, c.p) : 0.0;
    out->lambda[k] = lambda;
    out->df[k] = nonzeros;
    out->mse[k] = mse;
    out->objective[k] = mse * 0.5 + penalty;
}

template <class P>
FitStatus fitPathOf(const FitDesign& d, const FitSettings& s, FitOutput* out)
{
    out->fits = 0;
    FitColumns c;
    if (!prepareColumns(d, s, &c))
        return FitOutOfMemory;
    FitState st;
    st.beta = workArray<double>(c.p);
    st.rho = workArray<double>(c.n);
    st.gradient = workArray<double>(c.p);
    st.working = workArray<bool>(c.p);
    st.workingList = workArray<std::int64_t>(c.p);
    st.activeList = workArray<std::int64_t>(c.p);
    st.entryList = workArray<std::int64_t>(c.p);
    st.entryPlace = workArray<std::int64_t>(c.p);
    st.gramIndex = workArray<std::int64_t>(c.p);
    st.referenceRho = workArray<double>(c.n);
    st.referenceGradient = workArray<double>(c.p);
    st.gradientReference = workArray<std::int64_t>(c.p);
    st.changeRows = workArray<double>(2 * c.n);
    st.pastRho = workArray<double>(c.n);
    st.pastGradient = workArray<double>(c.p);
    st.gramRoom = s.gramRoom;
    st.theta = s.theta;
    st.pieceMoves = s.pieceMoves;
    st.threads = s.threads;
    st.checked = workArray<unsigned char>(c.p);
    std::unique_ptr<ScalarProx<P>[]> prox = workArray<ScalarProx<P>>(c.p);
    const std::int64_t count = s.lambda ? s.lambdaCount : s.gridCount;
    std::unique_ptr<double[]> lambdas = workArray<double>(count);
    if (!st.beta || !st.rho || !st.gradient || !st.working || !st.workingList || !st.activeList || !st.entryList || !st.entryPlace || !st.gramIndex || !st.referenceRho || !st.referenceGradient || !st.gradientReference || !st.changeRows || !st.pastRho || !st.pastGradient || !st.checked || !prox || !lambdas)
        return FitOutOfMemory;
    for (std::int64_t j = 0; j < c.p; ++j)
        if (c.eligible[j] && c.factor[j] > 0)
            prox[j] = scalarProxOf<P>(s.theta, c.factor[j] * c.inverseCurvature[j]);

    // The intercept alone, then the unpenalised coefficients with it.
    const double* w = c.w;
    double yMean = 0;
    if (s.intercept) {
        double sum[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        for (std::int64_t i = 0; i < c.n; ++i)
            sum[i & 7] += w ? w[i] * d.y[i] : d.y[i];
        yMean = combineSums(sum) / c.totalWeight;
    }
    for (std::int64_t i = 0; i < c.n; ++i)
        st.rho[i] = d.y[i] - yMean;
    st.tolerance = s.relTol * (weightedSquares(st.rho.get(), w, c.n) / c.totalWeight);
    for (std::int64_t j = 0; j < c.p; ++j) {
        st.working[j] = c.eligible[j] && c.factor[j] == 0;
        st.entryPlace[j] = -1;
        st.gramIndex[j] = -1;
        st.gradientReference[j] = -1;
    }
    listWorkingSet(c, st);
    // Covariance updates where n is well above p (their Gram columns cost
    // n*p each, and there are at most p of them).
    st.covariance = c.n >= 4 * c.p && c.p <= 1000;
    if (st.covariance) {
        st.gram = workArray<double>(c.p * c.p);
        st.gramSlot = workArray<std::int64_t>(c.p);
        st.scratch = workArray<double>(c.n);
        st.gramSums = workArray<double>(8 * c.p * kGramBatch);
        if (!st.gram || !st.gramSlot || !st.scratch || !st.gramSums)
            return FitOutOfMemory;
        for (std::int64_t j = 0; j < c.p; ++j)
            st.gramSlot[j] = -1;
        st.startGradient = workArray<double>(c.p);
        if (!st.startGradient)
            return FitOutOfMemory;
        exactResidualSum(c, st);
        st.startSum = st.rhoSum;
        st.nullMse = weightedSquares(st.rho.get(), w, c.n) / c.totalWeight;
        for (std::int64_t j = 0; j < c.p; ++j)
            if (c.eligible[j])
                st.startGradient[j] = st.gradient[j] = outsideGradient(c, st, j);
    }
    std::int64_t passes = 0;
    solveWorkingSet<P>(c, st, prox.get(), 0.0, s.maxPasses, &passes);
    if (!st.covariance)
        refreshReference(c, st);

    const double top = lambdaMaxOf<P>(c, st, prox.get());
    pathLambdas(s, top, lambdas.get());
    const auto movesAt = [&](std::int64_t j, double at) {
        return !(at > 0) || proxScalar<P>(st.gradient[j] * c.inverseCurvature[j], at, prox[j]) != 0;
    };
    const auto screen = [&](double at) {
        shedWorkingSet(c, st, at, movesAt, [&](std::int64_t j) { leaveWorkingSet(c, st, j); });
        screenStrongRule(c, st, at, movesAt);
    };
    const auto solve = [&](double lambda, std::int64_t* fitPasses) {
        bool converged;
        for (;;) {
            converged = solveWorkingSet<P>(c, st, prox.get(), lambda, s.maxPasses, fitPasses);
            if (joinViolators<P>(c, st, prox.get(), lambda) == 0)
                break;
            converged = false; // violators that join when the passes have run out stay unsolved
            if (*fitPasses >= s.maxPasses)
                break;
        }
        return converged;
    };
    const auto record = [&](double lambda, std::int64_t k) { recordFit<P>(c, st, s, lambda, yMean, k, out); };
    walkPath(lambdas.get(), count, top, s.dfMax, out, screen, solve, record, [](std::int64_t) { return false; });
    return FitDone;
}

} // namespace

void lambdaGrid(double top, double ratio, std::int64_t count, double* lambda)
{
    if (count <= 0)
        return;
    lambda[0] = top;
    if (count == 1)
        return;
    // q = ratio^(1/(count - 1)) by bisection in [0, 1] on q^(count - 1).
    const std::int64_t m = count - 1;
    double lo = 0, hi = 1;
    for (;;) {
        const double mid = lo + (hi - lo) * 0.5;
        if (mid <= lo || mid >= hi)
            break;
        if (powerOf(mid, m) > ratio)
            hi = mid;
        else
            lo = mid;
    }
    for (std::int64_t k = 1; k < m; ++k)
        lambda[k] = top * powerOf(hi, k);
    lambda[m] = top * ratio;
}

bool compressedColumnsValid(const FitDesign& d)
{
    const double n = static_cast<double>(d.rows), nonzeros = static_cast<double>(d.nonzeros);
    if (d.columnStart[0] != 0 || d.columnStart[d.columns] != nonzeros)
        return false;
    for (std::int64_t j = 0; j < d.columns; ++j) {
        const double from = d.columnStart[j], to = d.columnStart[j + 1];
        if (!(from <= to) || to > nonzeros || from != static_cast<double>(static_cast<std::int64_t>(from)))
            return false;
        double last = -1;
        for (std::int64_t k = static_cast<std::int64_t>(from); k < static_cast<std::int64_t>(to); ++k) {
            const double r = d.rowIndex[k];
            if (!(r > last) || r >= n || r != static_cast<double>(static_cast<std::int64_t>(r)))
                return false;
            const double v = d.values[k];
            if (!(v - v == 0))
                return false;
            last = r;
        }
    }
    return true;
}

FitStatus fitPath(const FitDesign& design, const FitSettings& settings, FitOutput* output)
{
    return withPenalty(settings.penalty, [&]<class P>() { return fitPathOf<P>(design, settings, output); });
}
