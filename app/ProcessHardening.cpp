#include "ProcessHardening.h"
#include "SanitizerAllocator.h"

#include <QFile>

namespace {
ProcessHardening::MemoryLock& lastMemoryLock()
{
    static ProcessHardening::MemoryLock outcome = ProcessHardening::MemoryLock::Unavailable;
    return outcome;
}
} // namespace

bool ProcessHardening::mayLockMemory(quint64 limit, bool canLockBeyondLimit)
{
    return canLockBeyondLimit || limit == Unlimited || limit >= MinimumLockLimit;
}

ProcessHardening::MemoryLock ProcessHardening::memoryLock()
{
    return lastMemoryLock();
}

#if defined(Q_OS_LINUX) || defined(__linux__)
#include <linux/capability.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace {
quint64 asLimit(rlim_t value)
{
    return value == RLIM_INFINITY ? ProcessHardening::Unlimited : quint64(value);
}

[[maybe_unused]] bool holdsIpcLock()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    return (data[CAP_TO_INDEX(CAP_IPC_LOCK)].effective & CAP_TO_MASK(CAP_IPC_LOCK)) != 0;
}

ProcessHardening::MemoryLock lockMemory()
{
#if defined(KOVRIN_SANITIZER_ALLOCATOR)
    // The sanitizer's shadow memory is terabytes of reserved address space.
    return ProcessHardening::MemoryLock::Unavailable;
#else
    rlimit limit{};
    if (getrlimit(RLIMIT_MEMLOCK, &limit) != 0)
        return ProcessHardening::MemoryLock::Failed;
    if (limit.rlim_cur != limit.rlim_max) {
        const rlimit raised{limit.rlim_max, limit.rlim_max};
        if (setrlimit(RLIMIT_MEMLOCK, &raised) == 0)
            limit = raised;
    }
    if (!ProcessHardening::mayLockMemory(asLimit(limit.rlim_cur), holdsIpcLock()))
        return ProcessHardening::MemoryLock::LimitTooLow;
    // On fault: pages reserved but never touched (thread stacks, arenas) cost nothing.
#if defined(MCL_ONFAULT)
    if (mlockall(MCL_CURRENT | MCL_FUTURE | MCL_ONFAULT) == 0)
        return ProcessHardening::MemoryLock::Locked;
    if (errno != EINVAL) // a kernel older than the flag says EINVAL
        return ProcessHardening::MemoryLock::Failed;
#endif
    return mlockall(MCL_CURRENT | MCL_FUTURE) == 0 ? ProcessHardening::MemoryLock::Locked
                                                   : ProcessHardening::MemoryLock::Failed;
#endif
}
} // namespace

bool ProcessHardening::apply()
{
    const rlimit none{0, 0};
    const bool noCore = setrlimit(RLIMIT_CORE, &none) == 0;
    const bool notDumpable = prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    lastMemoryLock() = lockMemory();
    return noCore && notDumpable;
}

bool ProcessHardening::coreDumpsDisabled()
{
    rlimit limit{};
    return getrlimit(RLIMIT_CORE, &limit) == 0 && limit.rlim_cur == 0 && limit.rlim_max == 0;
}

bool ProcessHardening::dumpable()
{
    return prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0;
}

quint64 ProcessHardening::memoryLockLimit()
{
    rlimit limit{};
    return getrlimit(RLIMIT_MEMLOCK, &limit) == 0 ? asLimit(limit.rlim_cur) : 0;
}

qint64 ProcessHardening::lockedBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (!line.startsWith("VmLck:"))
            continue;
        // "VmLck:	    1234 kB"
        bool ok = false;
        const qint64 kib = line.mid(6).trimmed().split(' ').constFirst().toLongLong(&ok);
        return ok ? kib * 1024 : -1;
    }
    return -1;
}
#else
bool ProcessHardening::apply()
{
    return false;
}

bool ProcessHardening::coreDumpsDisabled()
{
    return false;
}

bool ProcessHardening::dumpable()
{
    return true;
}

quint64 ProcessHardening::memoryLockLimit()
{
    return 0;
}

qint64 ProcessHardening::lockedBytes()
{
    return -1;
}
#endif
