// The MEX half of the stand-in API (libmex): the error function, which does
// not return but jumps back to the standinCallMex that made the call.
//
// Windows builds jump with GCC's __builtin_setjmp/__builtin_longjmp, which
// restore the frame without unwinding through the MEX DLL; native builds use
// the C library's pair, which the sanitizers understand. The gateways hold
// no resource across an error, so nothing is skipped that needed running.
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "standin_api.h"

namespace {

#if defined(_WIN32)
typedef void* JumpBuffer[5];
#define STANDIN_SETJMP(b) __builtin_setjmp(b)
#define STANDIN_LONGJMP(b) __builtin_longjmp(b, 1)
#else
typedef std::jmp_buf JumpBuffer;
#define STANDIN_SETJMP(b) setjmp(b)
#define STANDIN_LONGJMP(b) std::longjmp(b, 1)
#endif

// One pending call per thread: the test hosts call from one thread, and the
// fuzz and thread tests each own theirs.
thread_local JumpBuffer* pendingCall = nullptr;
thread_local char raisedIdentifier[128];
thread_local MexEntry callingEntry = nullptr;

// The exit functions registered with mexAtExit, one per MEX file (known by
// its entry), as the host keeps them; registering again replaces.
struct ExitFunction {
    MexEntry entry;
    void (*function)(void);
};
ExitFunction exitFunctions[16];
int exitFunctionCount = 0;

int maxNumCompThreads = kStandinDefaultThreadLimit;
int interpreterCalls = 0;
mxArray* (*scalarMaker)(double) = nullptr;

} // namespace

extern "C" void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...)
{
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    std::snprintf(raisedIdentifier, sizeof raisedIdentifier, "%s", identifier);
    if (!pendingCall) {
        std::fprintf(stderr, "error outside a MEX call: %s: %s\n", identifier, message);
        std::abort();
    }
    STANDIN_LONGJMP(*pendingCall);
}

// Documented behaviour: the function runs when the MEX file that registered
// it is cleared or the host exits; 0 means registered.
extern "C" int mexAtExit(void (*function)(void))
{
    for (int i = 0; i < exitFunctionCount; ++i) {
        if (exitFunctions[i].entry == callingEntry) {
            exitFunctions[i].function = function;
            return 0;
        }
    }
    if (!callingEntry || exitFunctionCount == 16)
        return 1;
    exitFunctions[exitFunctionCount++] = {callingEntry, function};
    return 0;
}

STANDIN_API void standinClearMex(MexEntry entry)
{
    for (int i = 0; i < exitFunctionCount; ++i) {
        if (exitFunctions[i].entry == entry) {
            void (*function)(void) = exitFunctions[i].function;
            exitFunctions[i] = exitFunctions[--exitFunctionCount];
            if (function)
                function();
            return;
        }
    }
}

STANDIN_API bool standinCallMex(MexEntry entry, int nlhs, mxArray* plhs[], int nrhs,
                                const mxArray* prhs[], char* identifier, std::size_t identifierSize)
{
    JumpBuffer buffer;
    JumpBuffer* outer = pendingCall;
    MexEntry outerEntry = callingEntry;
    pendingCall = &buffer;
    callingEntry = entry;
    if (STANDIN_SETJMP(buffer) == 0) {
        entry(nlhs, plhs, nrhs, prhs);
        pendingCall = outer;
        callingEntry = outerEntry;
        return false;
    }
    pendingCall = outer;
    callingEntry = outerEntry;
    std::snprintf(identifier, identifierSize, "%s", raisedIdentifier);
    return true;
}

STANDIN_API void standinSetMaxNumCompThreads(int limit) { maxNumCompThreads = limit; }
STANDIN_API int standinInterpreterCalls() { return interpreterCalls; }
STANDIN_API void standinUseScalarMaker(mxArray* (*makeScalar)(double)) { scalarMaker = makeScalar; }

// Documented behaviour: runs the named function with nrhs inputs into nlhs
// outputs; on an error it returns the exception (an object the caller
// destroys) and leaves plhs unset, otherwise it returns null.
extern "C" mxArray* mexCallMATLABWithTrap(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[],
                                          const char* functionName)
{
    (void)prhs;
    ++interpreterCalls;
    if (std::strcmp(functionName, "maxNumCompThreads") != 0 || maxNumCompThreads <= 0 || nrhs != 0 || nlhs > 1)
        return scalarMaker(0); // standing for the MException of MATLAB:UndefinedFunction
    if (nlhs == 1)
        plhs[0] = scalarMaker(maxNumCompThreads);
    return nullptr;
}
