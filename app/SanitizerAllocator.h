#pragma once

// Defines KOVRIN_SANITIZER_ALLOCATOR when a sanitizer replaces the C library's
// allocator and maps its own shadow memory (address, thread and memory
// sanitizers), and KOVRIN_ADDRESS_SANITIZER for the address sanitizer. Code that
// takes over the allocator or locks every mapping stays out of such builds.

// __has_feature is clang's; GCC must not even parse a use of it.
#if defined(__SANITIZE_ADDRESS__)
#define KOVRIN_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KOVRIN_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(KOVRIN_ADDRESS_SANITIZER) || defined(__SANITIZE_THREAD__)
#define KOVRIN_SANITIZER_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define KOVRIN_SANITIZER_ALLOCATOR 1
#endif
#endif
