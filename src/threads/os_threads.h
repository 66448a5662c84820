// The few operating-system services the worker pool needs: a lock, a
// condition to wait on, starting and joining a thread, the processors this
// process may run on, and an environment variable. Windows builds take them
// from KERNEL32 alone (no threading library DLL enters the import table);
// every other build from the C++ library and POSIX.
#pragma once

#include <cstdlib>

#if defined(_WIN32)

#include <windows.h>

struct OsLock {
    SRWLOCK lock = SRWLOCK_INIT;
};
struct OsCondition {
    CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};
inline void lockOs(OsLock& l) { AcquireSRWLockExclusive(&l.lock); }
inline void unlockOs(OsLock& l) { ReleaseSRWLockExclusive(&l.lock); }
inline void waitOs(OsCondition& c, OsLock& l) { SleepConditionVariableSRW(&c.condition, &l.lock, INFINITE, 0); }
inline void wakeAllOs(OsCondition& c) { WakeAllConditionVariable(&c.condition); }

struct OsThread {
    HANDLE handle = nullptr;
};

template <void (*Main)(void*)>
DWORD WINAPI osThreadEntry(LPVOID argument)
{
    Main(argument);
    return 0;
}

// false when the system cannot start another thread.
template <void (*Main)(void*)>
bool startOsThread(OsThread& t, void* argument)
{
    t.handle = CreateThread(nullptr, 0, osThreadEntry<Main>, argument, 0, nullptr);
    return t.handle != nullptr;
}

inline void joinOsThread(OsThread& t)
{
    WaitForSingleObject(t.handle, INFINITE);
    CloseHandle(t.handle);
    t.handle = nullptr;
}

inline int processorCount()
{
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        int count = 0;
        for (; process != 0; process &= process - 1)
            ++count;
        return count;
    }
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return static_cast<int>(info.dwNumberOfProcessors);
}

// The process environment itself: MATLAB's setenv changes it, while the C
// runtime this DLL links keeps a copy of its own.
inline bool readEnvironment(const char* name, char* buffer, int size)
{
    const DWORD length = GetEnvironmentVariableA(name, buffer, static_cast<DWORD>(size));
    return length > 0 && length < static_cast<DWORD>(size);
}

#else

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

struct OsLock {
    std::mutex lock;
};
struct OsCondition {
    std::condition_variable_any condition;
};
inline void lockOs(OsLock& l) { l.lock.lock(); }
inline void unlockOs(OsLock& l) { l.lock.unlock(); }
inline void waitOs(OsCondition& c, OsLock& l) { c.condition.wait(l.lock); }
inline void wakeAllOs(OsCondition& c) { c.condition.notify_all(); }

struct OsThread {
    std::thread thread;
};

template <void (*Main)(void*)>
bool startOsThread(OsThread& t, void* argument)
{
    try {
        t.thread = std::thread(Main, argument);
        return true;
    } catch (...) { // no thread to be had: the caller makes do with fewer
        return false;
    }
}

inline void joinOsThread(OsThread& t) { t.thread.join(); }

inline int processorCount()
{
#if defined(__linux__)
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return CPU_COUNT(&set);
#endif
    return static_cast<int>(std::thread::hardware_concurrency());
}

inline bool readEnvironment(const char* name, char* buffer, int size)
{
    const char* value = std::getenv(name);
    if (!value || std::strlen(value) >= static_cast<std::size_t>(size))
        return false;
    std::strcpy(buffer, value);
    return true;
}

#endif
