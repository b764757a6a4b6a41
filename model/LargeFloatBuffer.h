#pragma once

#include <cstddef>
#include <memory>

struct LargeFloatRelease {
    std::size_t mappedBytes = 0; // 0: a heap block
    void operator()(float* floats) const noexcept;
};

// Tens of megabytes of floats, filled once from a file and read a few times. Filling fresh
// memory page by page costs a fault for every 4 KiB; on Linux this buffer has its pages mapped
// when it is made, in one call, and returns them to the system as soon as it is freed. Elsewhere
// it is an ordinary heap block. Throws std::bad_alloc.
using LargeFloatBuffer = std::unique_ptr<float[], LargeFloatRelease>;

LargeFloatBuffer allocateLargeFloats(std::size_t count);

// Gives the whole pages of floats[0..count), a part of `buffer`, back to the system: they then
// read as zeros, or (a heap block, which cannot be given back in part) as they were. For data
// already copied where it is used, so that it is not held twice.
void releaseLargeFloatPages(const LargeFloatBuffer& buffer, const float* floats,
                            std::size_t count) noexcept;
