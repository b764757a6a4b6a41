#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class HeadMesh;

// The all-targets textures' contents, packed without a GL context (see TargetOffsets for the
// layout): a first pass finds which targets move each vertex, the second writes just those
// offsets, so that they can go straight into a mapped device buffer.
struct TargetOffsetRuns {
    // Per vertex: its first texel in the offsets, and how many it has.
    std::vector<std::uint32_t> runs;
    // Each vertex's moving targets, run after run: the texels in order.
    std::vector<std::uint16_t> movers;

    // A head whose targets move nothing still gets a texture: one unread texel.
    std::size_t texelCount() const { return movers.empty() ? 1 : movers.size(); }
};

inline constexpr std::size_t wordsPerOffsetTexel = 4;

// Which targets move each vertex, for the targets named in order (each name's last block in the
// file). Nothing when there are no vertices or targets, more than maxTargetsAtOnce targets, or
// the offsets would take more than maxTexels texels or more bytes than a GL buffer size holds.
// Throws DemoError for a name the head has no target of.
std::optional<TargetOffsetRuns> findTargetOffsetRuns(const HeadMesh& headMesh,
                                                     const std::vector<std::string>& targetOrder,
                                                     std::int64_t maxTexels);

// Writes runs.texelCount() texels of wordsPerOffsetTexel words each into `words`, which holds
// exactly that many; throws DemoError when it does not.
void packTargetOffsets(const HeadMesh& headMesh, const std::vector<std::string>& targetOrder,
                       const TargetOffsetRuns& runs, std::span<std::uint32_t> words);
std::vector<std::uint32_t> packTargetOffsets(const HeadMesh& headMesh,
                                             const std::vector<std::string>& targetOrder,
                                             const TargetOffsetRuns& runs);
