// The all-targets textures' contents, packed without a GL context.
#include "model/TargetOffsetsPacking.h"

#include "common/DemoError.h"
#include "model/MeshFile.h"
#include "model/TargetOffsets.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

constexpr std::size_t floatsPerVertex = 7; // position, normal with its glaze float

// Three vertices, the base then one block per name; offsets[block][vertex] moves the vertex's
// position (0..2) and normal (3..5) off the base.
HeadMesh headMesh(std::vector<std::string> names,
                  const std::vector<std::vector<std::array<float, 6>>>& offsets) {
    const std::vector<std::array<float, 3>> base{{0, 0, 0}, {1, 0, 0}, {0, 2, 0}};
    const std::size_t vertices = base.size();
    LargeFloatBuffer floats = allocateLargeFloats((1 + names.size()) * vertices * floatsPerVertex);
    for (std::size_t block = 0; block <= names.size(); ++block)
        for (std::size_t v = 0; v < vertices; ++v) {
            float* vertex = floats.get() + (block * vertices + v) * floatsPerVertex;
            const std::array<float, 6> offset =
                block == 0 ? std::array<float, 6>{} : offsets[block - 1][v];
            const float rest[7]{base[v][0], base[v][1], base[v][2], 0, 0, 1, 0};
            for (std::size_t k = 0; k < floatsPerVertex; ++k)
                vertex[k] = rest[k] + (k < 6 ? offset[k] : 0.0f);
        }
    return HeadMesh(std::move(names), floatsPerVertex * 4, static_cast<std::int32_t>(vertices),
                    floatsPerVertex * 4, std::move(floats), 0, nullptr);
}

TEST(TargetOffsetsPacking, KeepsVisibleOffsetsAsHalfFloatsVertexByVertex) {
    // The head is 2 across: a position moving under 2e-5, or a normal under 1e-4, is invisible.
    const HeadMesh head =
        headMesh({"a", "b", "a"},
                 {
                     // an earlier "a", replaced by the later
                     {{1, 1, 1, 1, 1, 1}, {}, {}},
                     // "b"
                     {{0.5f, 0, 0, 0, 0, 0}, {1.9e-5f, 0, 0, 0, 9e-5f, 0}, {0, 0, 0, 0.5f, 0, 0}},
                     // the later "a"
                     {{}, {}, {0, 0, -1, 0, 0.25f, 0}},
                 });
    const std::vector<std::string> order{"a", "b"};
    const auto runs = findTargetOffsetRuns(head, order, 1000);
    ASSERT_TRUE(runs);
    // Vertex 0 moved by b alone, vertex 1 by nothing, vertex 2 by a then b.
    EXPECT_THAT(runs->runs, testing::ElementsAre(0, 1, 1, 0, 1, 2));
    EXPECT_THAT(runs->movers, testing::ElementsAre(1, 0, 1));
    // Half floats: 0.5 is 0x3800, 0.25 0x3400, -1 0xbc00; the first of a pair in the low half.
    EXPECT_THAT(packTargetOffsets(head, order, *runs),
                testing::ElementsAre(0x3800, 0, 0, 1,        // vertex 0, b: position x
                                     0, 0xbc00, 0x3400, 0,   // vertex 2, a: position z, normal y
                                     0, 0x38000000u, 0, 1)); // vertex 2, b: normal x

    // Too many texels for the device, or targets for the shader: the seven channels instead.
    EXPECT_TRUE(findTargetOffsetRuns(head, order, 3));
    EXPECT_FALSE(findTargetOffsetRuns(head, order, 2));
    EXPECT_FALSE(
        findTargetOffsetRuns(head, std::vector<std::string>(maxTargetsAtOnce + 1, "a"), 1 << 20));
    EXPECT_THROW(findTargetOffsetRuns(head, {"a", "c"}, 1000), DemoError);
    std::vector<std::uint32_t> short_(11);
    EXPECT_THROW(packTargetOffsets(head, order, *runs, short_), DemoError);
}

TEST(TargetOffsetsPacking, AHeadItsTargetsDoNotMoveGetsOneUnreadTexel) {
    const HeadMesh head = headMesh({"a"}, {{{}, {}, {}}});
    const auto runs = findTargetOffsetRuns(head, {"a"}, 1000);
    ASSERT_TRUE(runs);
    EXPECT_THAT(runs->runs, testing::ElementsAre(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(runs->texelCount(), 1u);
    EXPECT_THAT(packTargetOffsets(head, {"a"}, *runs), testing::ElementsAre(0, 0, 0, 0));
}

} // namespace
