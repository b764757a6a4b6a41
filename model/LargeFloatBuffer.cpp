#include "model/LargeFloatBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>

// Pre-faulted pages come from a Linux mapping flag (MAP_POPULATE); elsewhere the buffer is an
// ordinary heap block. So it is under AddressSanitizer, which watches the bounds of heap blocks
// but not of mappings: the fuzzers still catch a read past its end.
#if defined(__SANITIZE_ADDRESS__)
#define MIRELDA_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MIRELDA_ADDRESS_SANITIZER
#endif
#endif

#if defined(__linux__) && !defined(MIRELDA_ADDRESS_SANITIZER)
#define MIRELDA_POPULATED_MAPPING
#include <sys/mman.h>
#include <unistd.h>
#endif

void LargeFloatRelease::operator()(float* floats) const noexcept {
#if defined(MIRELDA_POPULATED_MAPPING)
    if (mappedBytes != 0) {
        if (floats != nullptr)
            (void)munmap(floats, mappedBytes);
        return;
    }
#endif
    std::free(floats);
}

LargeFloatBuffer allocateLargeFloats(std::size_t count) {
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(float))
        throw std::bad_alloc();
    // Neither a heap block nor a mapping can be empty; one byte stands in for no floats.
    const std::size_t bytes = count == 0 ? 1 : count * sizeof(float);
#if defined(MIRELDA_POPULATED_MAPPING)
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (pages == MAP_FAILED)
        throw std::bad_alloc();
    return LargeFloatBuffer(static_cast<float*>(pages), LargeFloatRelease{bytes});
#else
    auto* floats = static_cast<float*>(std::malloc(bytes));
    if (floats == nullptr)
        throw std::bad_alloc();
    return LargeFloatBuffer(floats, LargeFloatRelease{0});
#endif
}

void releaseLargeFloatPages(const LargeFloatBuffer& buffer, const float* floats,
                            std::size_t count) noexcept {
#if defined(MIRELDA_POPULATED_MAPPING)
    if (buffer.get_deleter().mappedBytes == 0 || count == 0)
        return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(floats);
    const std::uintptr_t end = begin + count * sizeof(float);
    const std::uintptr_t first = (begin + page - 1) / page * page, last = end / page * page;
    if (first < last)
        (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
#else
    (void)buffer;
    (void)floats;
    (void)count;
#endif
}
