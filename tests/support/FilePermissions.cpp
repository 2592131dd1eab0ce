#include "FilePermissions.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

bool dropPermissionOverride()
{
#if defined(Q_OS_LINUX)
    if (::geteuid() != 0)
        return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    // Both capabilities are below 32: they live in the first word. The raw call
    // changes this thread only, which is the one running the tests.
    const unsigned mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective &= ~mask;
    data[0].permitted &= ~mask;
    data[0].inheritable &= ~mask;
    return ::syscall(SYS_capset, &header, data) == 0;
#else
    return true;
#endif
}
