#include "ProcessHardening.h"

#if defined(Q_OS_LINUX) || defined(__linux__)
#include <sys/prctl.h>
#include <sys/resource.h>

bool ProcessHardening::apply()
{
    const rlimit none{0, 0};
    const bool noCore = setrlimit(RLIMIT_CORE, &none) == 0;
    const bool notDumpable = prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
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
#endif
