#pragma once

// The process overwrites every heap block it gives back to the C library
// (free, and the old block of a realloc that moves): Qt's own buffers (line
// edits, painting, the clipboard's copy, string growth) hold vault text as
// much as the program's, and none of them wipes itself. FreeWiping.cpp does
// it by replacing free and realloc of the C library; it is linked into the
// program and into the tests and benchmarks that must behave as it does,
// never into a library (a library must not take over its user's allocator).
class FreeWiping
{
public:
    enum class Mode {
        Off,       // neither the C library's allocator nor a sanitizer's wipes
        Hook,      // this file's free and realloc wipe (glibc)
        Sanitizer, // the sanitizer owns the allocator and is told to fill freed blocks
    };

    // How freed blocks are wiped in this process.
    static Mode mode();

#if defined(KOVRIN_FREE_WIPING_SWITCH)
    // Benchmarks only: turns the wiping off and on again, to time both in one run.
    static void setEnabled(bool enabled);
#endif
};
