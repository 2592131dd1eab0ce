#pragma once

#include <csignal>
#include <sys/resource.h>

// Files of at most `bytes` bytes for this process while it lives; writes beyond
// fail with EFBIG instead of a signal, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        _handler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &_old);
        rlimit limit = _old;
        limit.rlim_cur = bytes;
        _active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &_old);
        std::signal(SIGXFSZ, _handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return _active; }

private:
    rlimit _old{};
    void (*_handler)(int) = nullptr;
    bool _active = false;
};
