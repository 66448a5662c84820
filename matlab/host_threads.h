// The host's limit on the threads of a call, for the worker pool.
#pragma once

// Makes the pool ask MATLAB's maxNumCompThreads, on the calling thread, for
// every call large enough to be shared (never for a smaller one). Octave's
// builds leave the pool without a host limit: Octave's maxNumCompThreads is
// a script that reports the processor count and limits nothing.
void followHostThreadLimit();
