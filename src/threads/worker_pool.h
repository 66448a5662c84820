// Worker threads for the drivers. The pool is created on the first call
// that wants more than one thread and lives until stopWorkers() (which the
// MEX files register with mexAtExit); its workers only ever run the tasks
// they are handed, plain computation on arrays, never the host's API.
//
// Nobody waits for a worker to start: a task pulls its work from counters
// of its own, the calling thread among the pullers, so a worker that the
// system runs late (or never, during the call) finds the work gone, and a
// call waits only for the pieces that a worker has actually taken.
#pragma once

// Run by the calling thread (onCaller true) and by each worker that joins
// the call; it returns when no work is left to take. context is the
// caller's.
typedef void (*SharedTask)(void* context, bool onCaller);

constexpr int kMaxThreads = 64;

// How many threads a call may use, the calling one included: the
// processors this process may run on, at most the first number in
// OMP_NUM_THREADS when that is set (1 turns the workers off), at most the
// host's limit (setHostThreadLimit), at most kMaxThreads. Read at every
// call that is large enough to share, so a change applies to the next one.
// Only on the calling thread: the host's limit may be asked of the host.
int threadBudget();

// The host's own limit on this call's threads, asked by threadBudget() on
// the calling thread: limit() returns a count >= 1, or 0 for none. Null
// (the default) means no host limit.
typedef int (*HostThreadLimit)();
void setHostThreadLimit(HostThreadLimit limit);

// Runs task(context, true) on the calling thread and lets up to threads - 1
// workers run it beside; returns when the calling thread's run has
// returned and every worker that joined has left. A worker joins only
// while the call is open and only if it can start at once; when the
// workers are busy with another caller's task, or the system will not
// start a thread, the task runs on the calling thread alone. A task must
// therefore never wait for another thread's share of the work.
void runShared(int threads, SharedTask task, void* context);

// runShared for a task whose pieces are long (a whole path each): the
// caller's wait at the end for a worker's last piece is then that piece's
// length, not a sign of a worker the system stopped, so it neither sends
// the next calls to the calling thread alone nor is held back by earlier
// calls that did.
void runSharedLongPieces(int threads, SharedTask task, void* context);

// One turn of a busy wait: a pause hint where the CPU has one, so the
// spinning thread leaves the core's resources to its sibling and leaves the
// loop without a pipeline flush.
void spinPause();

// Joins the workers; the next runShared starts new ones. Not to be called
// while another thread is inside runShared.
void stopWorkers();

// How many worker threads the pool has started since the process began
// (joined ones included): for the tests that a host limit of 1 starts none.
int workersStarted();

// For the tests: threadBudget() returns count (1 .. kMaxThreads) whatever
// the machine, the environment and the host; 0 restores the normal rule.
void overrideThreadBudget(int count);
int threadBudgetOverride();
