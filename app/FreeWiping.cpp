// Replaces free and realloc of the C library for the whole process (the
// executable's definitions come first in the dynamic symbol lookup, so Qt,
// OpenSSL, libstdc++'s operator delete and the C library itself call these).
// Each forwards to glibc's own implementation (__libc_free, __libc_malloc,
// __libc_realloc) after overwriting what is given back:
//
// - free: the whole usable block (malloc_usable_size), whatever path made it
//   (malloc, calloc, the aligned allocations, huge mmapped blocks);
// - realloc within the block: only the tail beyond the new size, which glibc
//   may split off and free, and the block stays where it is;
// - realloc that needs more room: a new block, the contents copied, the old
//   block wiped and freed. glibc would otherwise copy and free the old block
//   itself, out of reach. Growth therefore never extends a block in place;
//   Qt's containers grow geometrically, so the copies stay linear overall.
//
// No state, no initialisation and no allocation: correct before main, during
// static initialisation and destruction, after exit and on every thread.
// malloc, calloc and the aligned allocations stay glibc's: their blocks are
// ordinary glibc blocks, which the functions here free and resize like any other
// (and glibc's reallocarray goes through realloc).
//
// Off where a sanitizer owns the allocator (its own free would never see these
// calls); there the sanitizer is asked to fill freed blocks itself. Off on other
// C libraries, which export no __libc_* entry points.
#include "FreeWiping.h"
#include "SanitizerAllocator.h"

#include <cstddef> // defines __GLIBC__ where it applies, tested below

#if defined(KOVRIN_SANITIZER_ALLOCATOR)

#if defined(KOVRIN_ADDRESS_SANITIZER)
// The sanitizer reads these defaults before main; ASAN_OPTIONS still overrides them.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options()
{
    return "max_free_fill_size=2147483647";
}
#endif

FreeWiping::Mode FreeWiping::mode()
{
#if defined(KOVRIN_ADDRESS_SANITIZER)
    return Mode::Sanitizer;
#else
    return Mode::Off;
#endif
}

#if defined(KOVRIN_FREE_WIPING_SWITCH)
void FreeWiping::setEnabled(bool) {}
#endif

#elif defined(__GLIBC__)

#include <malloc.h>

#include <cstddef>
#include <cstring>

#if defined(KOVRIN_FREE_WIPING_SWITCH)
#include <atomic>
#endif

extern "C" {
void* __libc_malloc(size_t size);
void __libc_free(void* block);
void* __libc_realloc(void* block, size_t size);
}

namespace {
#if defined(KOVRIN_FREE_WIPING_SWITCH)
constinit std::atomic<bool> s_enabled{true};

inline bool enabled()
{
    return s_enabled.load(std::memory_order_relaxed);
}
#else
constexpr bool enabled()
{
    return true;
}
#endif

// explicit_bzero: the compiler may not drop a store that nothing reads later.
inline void wipe(void* bytes, size_t size)
{
    if (size > 0)
        explicit_bzero(bytes, size);
}
} // namespace

extern "C" {

__attribute__((visibility("default"))) void free(void* block) noexcept
{
    if (!block)
        return;
    if (enabled())
        wipe(block, malloc_usable_size(block));
    __libc_free(block);
}

__attribute__((visibility("default"))) void* realloc(void* block, size_t size) noexcept
{
    if (!block)
        return __libc_malloc(size);
    if (!enabled())
        return __libc_realloc(block, size);
    if (size == 0) { // glibc frees the block and returns null
        free(block);
        return nullptr;
    }
    const size_t usable = malloc_usable_size(block);
    if (size <= usable) {
        // glibc shrinks in place (a heap block is split, a mapping loses its
        // last pages), never moving the block: only the tail can be given back.
        wipe(static_cast<char*>(block) + size, usable - size);
        return __libc_realloc(block, size);
    }
    void* moved = __libc_malloc(size);
    if (!moved)
        return nullptr; // the old block stays valid, as realloc promises; errno is ENOMEM
    std::memcpy(moved, block, usable);
    wipe(block, usable);
    __libc_free(block);
    return moved;
}

} // extern "C"

FreeWiping::Mode FreeWiping::mode()
{
    return enabled() ? Mode::Hook : Mode::Off;
}

#if defined(KOVRIN_FREE_WIPING_SWITCH)
void FreeWiping::setEnabled(bool enabled)
{
    s_enabled.store(enabled, std::memory_order_relaxed);
}
#endif

#else

FreeWiping::Mode FreeWiping::mode()
{
    return Mode::Off;
}

#if defined(KOVRIN_FREE_WIPING_SWITCH)
void FreeWiping::setEnabled(bool) {}
#endif

#endif
