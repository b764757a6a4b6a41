#include "model/LargeFloatBuffer.h"

#include <cstdlib>
#include <limits>
#include <new>
#include <sys/mman.h>

namespace {

// AddressSanitizer watches the bounds of heap blocks, not of mappings: under it the buffer
// stays an ordinary heap block, so the fuzzers still catch a read past its end.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool mapPages = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool mapPages = false;
#else
constexpr bool mapPages = true;
#endif
#else
constexpr bool mapPages = true;
#endif

} // namespace

void LargeFloatRelease::operator()(float* floats) const noexcept {
    if (mappedBytes == 0)
        std::free(floats);
    else if (floats != nullptr)
        (void)munmap(floats, mappedBytes);
}

LargeFloatBuffer allocateLargeFloats(std::size_t count) {
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(float))
        throw std::bad_alloc();
    // Neither a heap block nor a mapping can be empty; one byte stands in for no floats.
    const std::size_t bytes = count == 0 ? 1 : count * sizeof(float);
    if constexpr (!mapPages) {
        auto* floats = static_cast<float*>(std::malloc(bytes));
        if (floats == nullptr)
            throw std::bad_alloc();
        return LargeFloatBuffer(floats, LargeFloatRelease{0});
    }
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (pages == MAP_FAILED)
        throw std::bad_alloc();
    return LargeFloatBuffer(static_cast<float*>(pages), LargeFloatRelease{bytes});
}
