// MATLAB lowers maxNumCompThreads in its parfor workers (to 1) and users
// lower it to share a machine; a MEX file that ignored it would put a pool
// as large as the machine into every worker. The value is read through the
// interpreter (one trapped call: a missing or shadowed function, or one
// that raises, leaves the call without a host limit rather than failing
// it), only by calls whose work is some hundreds of microseconds at least,
// against the call's tens of microseconds.
#include "host_threads.h"

#include "mex_api.h"
#include "worker_pool.h"

#if !defined(HAVE_OCTAVE)

namespace {

bool gUnavailable = false; // the host has no maxNumCompThreads: not asked again

int maxNumCompThreads()
{
    if (gUnavailable)
        return 0;
    mxArray* result = nullptr;
    if (mxArray* failure = mexCallMATLABWithTrap(1, &result, 0, nullptr, "maxNumCompThreads")) {
        mxDestroyArray(failure);
        gUnavailable = true;
        return 0;
    }
    int limit = 0;
    if (result) {
        if (mxIsDouble(result) && !mxIsComplex(result) && mxGetNumberOfElements(result) == 1) {
            const double value = mxGetScalar(result);
            if (value >= 1) // NaN fails
                limit = value < kMaxThreads ? static_cast<int>(value) : kMaxThreads;
        }
        mxDestroyArray(result);
    }
    return limit;
}

} // namespace

void followHostThreadLimit() { setHostThreadLimit(maxNumCompThreads); }

#else

void followHostThreadLimit() {}

#endif
