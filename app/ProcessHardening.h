#pragma once

#include <QtGlobal>

// Keeps the open vault's plaintext inside the process: no core file on a crash,
// other processes of the same user cannot attach to it or read its memory, and
// its pages are kept out of the swap space where the system lets it.
class ProcessHardening
{
public:
    // What became of the locking of the process's memory against swap.
    enum class MemoryLock {
        Locked,      // every page, present and future, stays in memory
        LimitTooLow, // the locked-memory limit would stop allocations: not locked
        Failed,      // the system refused
        Unavailable, // not on this system or in this build (sanitizers)
    };

    // RLIMIT_MEMLOCK without a limit.
    static constexpr quint64 Unlimited = ~quint64(0);
    // The least locked-memory limit under which everything is locked: once it
    // is reached, every new mapping fails and the program would die on its next
    // allocation. Enough for a large vault opened, filtered and exported.
    static constexpr quint64 MinimumLockLimit = quint64(1) << 30;

    // Applies every setting; true when the core file and the attaching are
    // both refused (always false off Linux). The memory lock's outcome is kept
    // for memoryLock(): it is logged once a logger exists.
    static bool apply();

    // Whether locking all memory is safe with this locked-memory limit (after
    // the soft limit was raised to the hard one). canLockBeyondLimit: the
    // process holds CAP_IPC_LOCK, which the limit does not bind.
    static bool mayLockMemory(quint64 limit, bool canLockBeyondLimit);

    // What is in effect now.
    static bool coreDumpsDisabled();
    static bool dumpable();
    // The outcome of the last apply(); Unavailable before it.
    static MemoryLock memoryLock();
    // The soft locked-memory limit after apply() raised it.
    static quint64 memoryLockLimit();
    // Bytes of this process locked in memory (VmLck of /proc/self/status); -1
    // when unknown.
    static qint64 lockedBytes();
};
