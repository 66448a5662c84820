// Worker threads for the drivers. The pool is created on the first call
// that wants more than one thread and lives until stopWorkers() (which the
// MEX files register with mexAtExit); its workers only ever run the parts
// they are handed, plain computation on arrays, never the host's API.
#pragma once

// part runs on one thread; context is the caller's.
typedef void (*PartTask)(void* context, int part);

// How many threads a call may use, the calling one included: the
// processors this process may run on, at most the first number in
// OMP_NUM_THREADS when that is set (1 turns the workers off), at most
// kMaxThreads. Read at every call, so a change to the variable applies to
// the next call.
int threadBudget();

constexpr int kMaxThreads = 64;

// Runs task(context, part) for part = 0 .. parts-1 and returns when every
// part has returned: part 0 on the calling thread, the others each on a
// worker. parts is at most threadBudget(). When the workers are busy with
// another caller's parts, or the system will not start a thread, the
// calling thread runs the parts left over itself, in order, after part 0:
// a task must never wait for a later part.
void runParts(int parts, PartTask task, void* context);

// One turn of a busy wait: a pause hint where the CPU has one, so the
// spinning thread leaves the core's resources to its sibling and leaves the
// loop without a pipeline flush.
void spinPause();

// Joins the workers; the next runParts starts new ones. Not to be called
// while another thread is inside runParts.
void stopWorkers();

// For the tests: threadBudget() returns count (1 .. kMaxThreads) whatever
// the machine and the environment; 0 restores the normal rule.
void overrideThreadBudget(int count);
