#include "model/MeshFile.h"

#include "MeshImages.h"
#include "common/DemoError.h"
#include "model/MeshTrailer.h"
#include "tests/support/TemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <utility>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

std::vector<float> floatsAt(const float* data, std::size_t count) {
    return std::vector<float>(data, data + count);
}

std::vector<std::int32_t> intsAt(const std::int32_t* data, std::size_t count) {
    return std::vector<std::int32_t>(data, data + count);
}

// Both records hold exactly what the image describes (names as the reader sees them aside).
void expectMeshesMatchImage(const MeshFile& file, const MeshFileImage& image) {
    const HeadMesh& head = *file.headMesh;
    const auto vertexCount = static_cast<std::size_t>(image.vertexCount);
    EXPECT_EQ(head.vertexCount(), image.vertexCount);
    EXPECT_EQ(head.baseStride(), static_cast<std::uint32_t>(image.baseFloats) * 4);
    EXPECT_EQ(head.targetStride(), static_cast<std::uint32_t>(image.targetFloats) * 4);
    EXPECT_EQ(head.baseFloats(), image.baseFloats);
    EXPECT_EQ(head.targetFloats(), image.targetFloats);
    EXPECT_EQ(head.targetCount(), static_cast<std::int32_t>(image.targetNames.size()));

    // The base vertices and every block lie back to back in one buffer, as in the file.
    std::vector<float> expectedVertexData = image.baseVertices;
    for (const auto& block : image.targetBlocks)
        expectedVertexData.insert(expectedVertexData.end(), block.begin(), block.end());
    EXPECT_THAT(floatsAt(head.vertexData(), expectedVertexData.size()),
                ElementsAreArray(expectedVertexData));
    EXPECT_EQ(head.targetData(),
              head.vertexData() + static_cast<std::size_t>(image.baseFloats) * vertexCount);
    ASSERT_EQ(head.indexCount(), image.indices.size());
    EXPECT_THAT(intsAt(head.indices(), image.indices.size()), ElementsAreArray(image.indices));

    const StaticMesh& staticMesh = *file.staticMesh;
    EXPECT_EQ(staticMesh.vertexCount(), static_cast<std::uint32_t>(image.staticVertexCount));
    EXPECT_EQ(staticMesh.stride(), image.staticFloats * 4);
    EXPECT_THAT(floatsAt(staticMesh.vertices(), image.staticVertices.size()),
                ElementsAreArray(image.staticVertices));
    ASSERT_EQ(staticMesh.indexCount(), image.staticIndices.size());
    EXPECT_THAT(intsAt(staticMesh.indices(), image.staticIndices.size()),
                ElementsAreArray(image.staticIndices));
}

class MeshFileTest : public ::testing::Test {
  protected:
    MeshFile read(const MeshFileImage& image) { return readBytes(encodeMeshFile(image)); }
    MeshFile readBytes(const std::string& bytes) {
        return readMeshFile(directory_.write("head.dat", bytes));
    }

    // The reader refuses the bytes with a reason that names the file and says what is wrong.
    void expectRejected(const std::string& bytes, const std::string& reason) {
        const std::string path = directory_.write("damaged.dat", bytes);
        try {
            readMeshFile(path);
            ADD_FAILURE() << "a damaged file was accepted; expected: " << reason;
        } catch (const DemoError& error) {
            EXPECT_THAT(error.what(), HasSubstr(path));
            EXPECT_THAT(error.what(), HasSubstr(reason));
        }
    }

    // The image encoded with one int32 field replaced.
    static std::string patched(const MeshFileImage& image, std::size_t offset, std::int32_t value) {
        std::string bytes = encodeMeshFile(image);
        patchInt32(bytes, offset, value);
        return bytes;
    }

    TemporaryDirectory directory_;
};

constexpr std::size_t targetCountOffset = 12;
constexpr std::size_t headIndexCountOffset = 16;
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();

TEST_F(MeshFileTest, ReadsBothMeshesWithWiderVertices) {
    // More floats than the seven the shaders read: the extra ones are kept in place.
    const MeshFileImage image =
        makeMeshImage({"browUp", "jawOpen", "smile"}, {.vertexCount = 4,
                                                       .staticVertexCount = 6,
                                                       .baseFloats = 9,
                                                       .targetFloats = 8,
                                                       .staticFloats = 10});
    const MeshFile file = read(image);
    expectMeshesMatchImage(file, image);
    EXPECT_THAT(file.headMesh->targetNames(),
                ElementsAreArray(std::vector<std::string>{"browUp", "jawOpen", "smile"}));
}

TEST_F(MeshFileTest, NameRecordsYieldTheTextBeforeTheFirstZeroByte) {
    // An empty name is a 5-byte record; a zero inside a name cuts the name but not the record;
    // equal names are all kept, in file order, each with its own block.
    const std::vector<std::string> names{"", std::string("jaw\0open", 8), "smile", "smile"};
    const MeshFileImage image = makeMeshImage(names);
    const MeshFile file = read(image);

    expectMeshesMatchImage(file, image);
    EXPECT_THAT(file.headMesh->targetNames(),
                ElementsAreArray(std::vector<std::string>{"", "jaw", "smile", "smile"}));
    EXPECT_EQ(file.headMesh->getTarget(2).block[0], markedValue(3, 0, 0));
    EXPECT_EQ(file.headMesh->getTarget(3).block[0], markedValue(4, 0, 0));
}

TEST_F(MeshFileTest, ReadsAHeadWithoutTargets) {
    const MeshFileImage image = makeMeshImage({});
    const MeshFile file = read(image);

    expectMeshesMatchImage(file, image);
    EXPECT_TRUE(file.headMesh->targetNames().empty());
    EXPECT_THROW(file.headMesh->getTarget(0), DemoError);
}

TEST_F(MeshFileTest, GetTargetAddressesEachBlockInPlace) {
    const MeshFileImage image = makeMeshImage({"a", "b", "c"}, {.vertexCount = 5});
    const MeshFile file = read(image);
    const HeadMesh& head = *file.headMesh;

    for (std::int32_t k = 0; k < 3; ++k) {
        const HeadMesh::Target target = head.getTarget(k);
        EXPECT_EQ(target.name, image.targetNames[static_cast<std::size_t>(k)]);
        EXPECT_EQ(target.block, head.vertexData() + 7 * 5 + 7 * 5 * k);
        EXPECT_THAT(floatsAt(target.block, 7 * 5),
                    ElementsAreArray(image.targetBlocks[static_cast<std::size_t>(k)]));
    }
    try {
        head.getTarget(3);
        ADD_FAILURE() << "target 3 of 3 was returned";
    } catch (const DemoError& error) {
        EXPECT_THAT(error.what(), HasSubstr("target 3"));
    }
    EXPECT_THROW(head.getTarget(-1), DemoError);
}

TEST_F(MeshFileTest, AReleasedTargetIsGoneAndItsNeighboursIntact) {
    // Blocks of several pages that do not start on a page: the pages shared with a neighbour
    // stay.
    const MeshFileImage image = makeMeshImage({"a", "b", "c"}, {.vertexCount = 1001});
    MeshFile file = read(image);
    HeadMesh& head = *file.headMesh;
    head.releaseTarget(1);
    EXPECT_THROW(head.getTarget(1), DemoError);
    EXPECT_THROW(head.releaseTarget(1), DemoError);
    for (const std::int32_t k : {0, 2})
        EXPECT_THAT(floatsAt(head.getTarget(k).block, 7 * 1001),
                    ElementsAreArray(image.targetBlocks[static_cast<std::size_t>(k)]));
    EXPECT_THAT(floatsAt(head.vertexData(), 7 * 1001), ElementsAreArray(image.baseVertices));
}

TEST_F(MeshFileTest, IgnoresBytesAfterTheStaticIndices) {
    const MeshFileImage image = makeMeshImage({"a", "b"});
    const MeshFile file =
        readBytes(encodeMeshFile(image) + std::string("\xff\xff\xff\x7f junk", 9));
    expectMeshesMatchImage(file, image);
}

TEST_F(MeshFileTest, AcceptsMeshesOfExactly65536Vertices) {
    // The fan indices reach vertex 65535, the last one a 16-bit index can address.
    const MeshFileImage image =
        makeMeshImage({"a"}, {.vertexCount = 65536, .staticVertexCount = 65536});
    const MeshFile file = read(image);
    EXPECT_EQ(file.headMesh->vertexCount(), 65536);
    EXPECT_EQ(file.staticMesh->vertexCount(), 65536u);
    EXPECT_EQ(file.headMesh->indices()[file.headMesh->indexCount() - 1], 65535);
}

TEST_F(MeshFileTest, RejectsAFileThatCannotBeOpened) {
    const std::string missing = (directory_.path() / "missing.dat").string();
    try {
        readMeshFile(missing);
        ADD_FAILURE() << "a missing file was read";
    } catch (const DemoError& error) {
        EXPECT_THAT(error.what(), HasSubstr("cannot open mesh file " + missing + ": file not"));
    }
    // What is not a regular file is refused before it is opened: a named pipe would block the
    // open until some writer came, a directory would fail only at the first read.
    const std::string pipe = (directory_.path() / "pipe.dat").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string loop = (directory_.path() / "loop.dat").string();
    std::filesystem::create_symlink(loop, loop);
    for (const auto& [path, reason] :
         {std::pair{directory_.path().string(), "is a directory"},
          std::pair{pipe, "is a named pipe"}, std::pair{loop, "is a loop of symbolic links"}}) {
        try {
            readMeshFile(path);
            ADD_FAILURE() << path << " was read";
        } catch (const DemoError& error) {
            EXPECT_THAT(error.what(), HasSubstr("cannot open mesh file " + path + ": " + reason));
        }
    }
}

TEST_F(MeshFileTest, RejectsEveryFileThatEndsEarly) {
    const MeshFileImage image = makeMeshImage({"abcdefgh", "bb"});
    const std::string whole = encodeMeshFile(image);
    for (std::size_t length = 0; length < whole.size(); ++length)
        EXPECT_THROW(readBytes(whole.substr(0, length)), DemoError) << "cut at " << length;

    expectRejected("", "ends before the floats per base vertex");
    expectRejected(whole.substr(0, 18), "ends before the head index count");
    expectRejected(whole.substr(0, 30), "the base vertices and target blocks would run past");
    expectRejected(whole.substr(0, headIndicesOffset(image) + 1), "the head indices would run");
    expectRejected(whole.substr(0, nameRecordOffset(image, 0) + 9), "the target names would run");
    expectRejected(whole.substr(0, nameRecordOffset(image, 1) + 2),
                   "ends before the length of target name 1");
    expectRejected(whole.substr(0, nameRecordOffset(image, 1) + 6), "target name 1 would run");
    expectRejected(whole.substr(0, staticHeaderOffset(image)),
                   "ends before the floats per static vertex");
    expectRejected(whole.substr(0, staticIndicesOffset(image) - 1), "the static vertices would");
    expectRejected(whole.substr(0, whole.size() - 1), "the static indices would run past");
}

TEST_F(MeshFileTest, RejectsNegativeCounts) {
    const MeshFileImage image = makeMeshImage({"a", "b"});
    const std::size_t staticHeader = staticHeaderOffset(image);
    expectRejected(patched(image, 8, -1), "the head vertex count is negative (-1)");
    expectRejected(patched(image, targetCountOffset, -2), "the target count is negative (-2)");
    expectRejected(patched(image, headIndexCountOffset, -3), "the head index count is negative");
    expectRejected(patched(image, nameRecordOffset(image, 1), -1),
                   "the length of target name 1 is negative (-1)");
    expectRejected(patched(image, staticHeader + 4, -4), "the static vertex count is negative");
    expectRejected(patched(image, staticHeader + 8, std::numeric_limits<std::int32_t>::min()),
                   "the static index count is negative");
}

TEST_F(MeshFileTest, RejectsCountsBeyondTheFileBeforeAllocating) {
    const MeshFileImage image = makeMeshImage({"a", "b"});
    const std::size_t staticHeader = staticHeaderOffset(image);
    expectRejected(patched(image, headIndexCountOffset, 1'000'000'000),
                   "the head indices would run past the end of the file (4000000000 bytes");
    expectRejected(patched(image, targetCountOffset, int32Max),
                   "the base vertices and target blocks would run past");
    expectRejected(patched(image, nameRecordOffset(image, 0), int32Max),
                   "target name 0 would run past the end of the file (2147483648 bytes");
    expectRejected(patched(image, staticHeader + 4, 65536), "the static vertices would run past");
    expectRejected(patched(image, staticHeader + 8, int32Max), "the static indices would run past");

    // Without vertices the blocks take no bytes, but every name record still takes five.
    const MeshFileImage empty = makeMeshImage({}, {.vertexCount = 0});
    expectRejected(patched(empty, targetCountOffset, 400'000'000), "the target names would run");

    // (7 + T * Ft) * V * 4 does not fit in 64 bits.
    std::string overflowing = patched(image, targetCountOffset, int32Max);
    patchInt32(overflowing, 4, int32Max / 4);
    patchInt32(overflowing, 8, 65536);
    expectRejected(overflowing, "the size of the base vertices and target blocks overflows");
}

TEST_F(MeshFileTest, RejectsVerticesOfFewerThanSevenFloats) {
    const MeshFileImage image = makeMeshImage({"a"});
    const std::size_t staticHeader = staticHeaderOffset(image);
    expectRejected(patched(image, 0, 6), "the floats per base vertex is 6, at least 7");
    expectRejected(patched(image, 0, -7), "the floats per base vertex is -7, at least 7");
    expectRejected(patched(image, 4, 6), "the floats per target vertex is 6, at least 7");
    expectRejected(patched(image, staticHeader, 0), "the floats per static vertex is 0");
    // A vertex whose byte size does not fit a 32-bit stride, even in a mesh without vertices.
    const MeshFileImage empty = makeMeshImage({}, {.vertexCount = 0});
    expectRejected(patched(empty, 0, int32Max / 4 + 1), "floats per base vertex 536870912 is too");
}

TEST_F(MeshFileTest, RejectsMoreThan65536Vertices) {
    const MeshFileImage image = makeMeshImage({"a"});
    expectRejected(patched(image, 8, 65537), "the head vertex count 65537 is above the limit");
    expectRejected(patched(image, staticHeaderOffset(image) + 4, 65537),
                   "the static vertex count 65537 is above the limit");
}

TEST_F(MeshFileTest, RejectsANameRecordWithoutItsZeroByte) {
    const MeshFileImage image = makeMeshImage({"abc", "def"});
    std::string bytes = encodeMeshFile(image);
    patchBytes(bytes, nameRecordOffset(image, 1) + 4 + 3, "x");
    expectRejected(bytes, "target name 1 has no zero byte in its 4 bytes");
}

TEST_F(MeshFileTest, RejectsIndicesOutsideTheirMesh) {
    const MeshFileImage image = makeMeshImage({"a"}, {.vertexCount = 4, .staticVertexCount = 5});
    const std::size_t headIndices = headIndicesOffset(image);
    const std::size_t staticIndices = staticIndicesOffset(image);
    const std::size_t lastStaticIndex = staticIndices + 4 * (image.staticIndices.size() - 1);
    expectRejected(patched(image, headIndices + 4, 4),
                   "head index 1 is 4, outside the 4 vertices of the mesh");
    expectRejected(patched(image, headIndices, -1), "head index 0 is -1");
    expectRejected(patched(image, lastStaticIndex, 5), "static index 8 is 5, outside the 5");
    expectRejected(patched(image, staticIndices, std::numeric_limits<std::int32_t>::min()),
                   "static index 0 is -2147483648");
}

TEST_F(MeshFileTest, RejectsPositionsAndNormalsThatAreNotFinite) {
    const MeshFileImage image = makeMeshImage({"smile", "frown"});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    // Float `component` of `vertex` in `block` (0 the base, k + 1 target k), with 7 floats each.
    auto withValue = [&](std::size_t block, std::size_t vertex, std::size_t component,
                         float value) {
        std::string bytes = encodeMeshFile(image);
        const std::size_t offset = 20 + 4 * (7 * 4 * block + 7 * vertex + component);
        patchBytes(bytes, offset, std::string_view(reinterpret_cast<const char*>(&value), 4));
        return bytes;
    };
    expectRejected(withValue(0, 2, 1, nan), "vertex 2 of the base mesh has nan in its position");
    expectRejected(withValue(2, 3, 5, -infinity),
                   "vertex 3 of the target \"frown\" (block 1) has -inf in its normal");
    MeshFileImage staticNan = image;
    staticNan.staticVertices[7 * 4 + 6] = nan;
    expectRejected(encodeMeshFile(staticNan), "vertex 4 of the static mesh has nan in its normal");
    // Floats past the position and normal are not read, so they may hold anything.
    MeshFileImage wide = makeMeshImage({"a"}, {.baseFloats = 8});
    wide.baseVertices[7] = nan;
    EXPECT_NO_THROW(read(wide));
}

// The four-vertex image with two head levels and one static level; the trailer begins where
// the plain image ends.
MeshFileImage imageWithLevels() {
    MeshFileImage image = makeMeshImage({"a", "b"});
    image.headDetail = {{0.25f, {0, 1, 2}}, {0.5f, {0, 2, 3}}};
    image.staticDetail = {{1.0f, {4, 3, 2}}};
    return image;
}

std::size_t trailerOffset(const MeshFileImage& image) {
    MeshFileImage plain = image;
    plain.headDetail.clear();
    plain.staticDetail.clear();
    return encodeMeshFile(plain).size();
}

TEST_F(MeshFileTest, ReadsTheLevelsOfDetailTrailerAndIgnoresWhatItDoesNotKnow) {
    const MeshFileImage image = imageWithLevels();
    const MeshFile file = read(image);
    expectMeshesMatchImage(file, image);
    ASSERT_EQ(file.headDetail.size(), 2u);
    EXPECT_EQ(file.headDetail[1].error, 0.5f);
    EXPECT_THAT(file.headDetail[1].indices, ElementsAreArray({0, 2, 3}));
    ASSERT_EQ(file.staticDetail.size(), 1u);
    EXPECT_THAT(file.staticDetail[0].indices, ElementsAreArray({4, 3, 2}));

    // No trailer, other trailing bytes, or a later version's block: full detail only.
    const std::string bytes = encodeMeshFile(image);
    const std::size_t trailer = trailerOffset(image);
    EXPECT_TRUE(readBytes(bytes.substr(0, trailer)).headDetail.empty());
    EXPECT_TRUE(readBytes(bytes.substr(0, trailer) + "MRLDLOD").headDetail.empty());
    EXPECT_TRUE(readBytes(bytes.substr(0, trailer) + "not a trailer at all").headDetail.empty());
    std::string later = bytes;
    patchInt32(later, trailer + 8, detailBlockVersion + 1);
    EXPECT_TRUE(readBytes(later).headDetail.empty());

    // The first files' levels: version 1 and no length.
    std::string lengthless = bytes;
    lengthless.erase(trailer + 12, 4);
    patchInt32(lengthless, trailer + 8, lengthlessDetailVersion);
    const MeshFile old = readBytes(lengthless);
    ASSERT_EQ(old.headDetail.size(), 2u);
    EXPECT_THAT(old.staticDetail[0].indices, ElementsAreArray({4, 3, 2}));
}

MeshFileImage imageWithTurn() {
    MeshFileImage image = imageWithLevels();
    image.headTurn = HeadTurn{{1.0f, -2.0f, 3.0f}, {1.0f, 0.5f, 0.25f, 0.0f}, {}};
    image.headTurn->staticWeights.assign(static_cast<std::size_t>(image.staticVertexCount), 1.0f);
    return image;
}

TEST_F(MeshFileTest, TheHeadTurnTravelsInItsBlockAndABlockNobodyKnowsIsSkipped) {
    const MeshFileImage image = imageWithTurn();
    const MeshFile file = read(image);
    ASSERT_TRUE(file.headTurn.has_value());
    EXPECT_THAT(file.headTurn->pivot, ElementsAreArray({1.0f, -2.0f, 3.0f}));
    EXPECT_THAT(file.headTurn->headWeights, ElementsAreArray(image.headTurn->headWeights));
    EXPECT_THAT(file.headTurn->staticWeights, ElementsAreArray(image.headTurn->staticWeights));
    EXPECT_EQ(file.headDetail.size(), 2u);
    EXPECT_FALSE(read(imageWithLevels()).headTurn.has_value());

    // A block of a later kind between the levels and the turn is stepped over.
    const std::string bytes = encodeMeshFile(image);
    const std::size_t turnBlock = encodeMeshFile(imageWithLevels()).size();
    std::string unknown = "MRLDNEXT";
    unknown += std::string("\x01\x00\x00\x00\x05\x00\x00\x00", 8) + "12345";
    const MeshFile withUnknown =
        readBytes(bytes.substr(0, turnBlock) + unknown + bytes.substr(turnBlock));
    ASSERT_TRUE(withUnknown.headTurn.has_value());
    EXPECT_EQ(withUnknown.headDetail.size(), 2u);
}

TEST_F(MeshFileTest, RejectsADamagedHeadTurn) {
    const MeshFileImage image = imageWithTurn();
    const std::size_t block = encodeMeshFile(imageWithLevels()).size();
    const std::size_t length = block + 12, pivot = block + 16, headCount = pivot + 12;
    const std::size_t firstWeight = headCount + 4, staticCount = firstWeight + 16;
    const auto withFloat = [&](std::size_t offset, float value) {
        std::string bytes = encodeMeshFile(image);
        patchBytes(bytes, offset, std::string_view(reinterpret_cast<const char*>(&value), 4));
        return bytes;
    };
    const float nanValue = std::numeric_limits<float>::quiet_NaN();
    expectRejected(withFloat(firstWeight + 4, 1.5f),
                   "the head turn's weight of head vertex 1 is 1.500000, outside 0..1");
    expectRejected(withFloat(firstWeight, nanValue), "weight of head vertex 0 is nan");
    expectRejected(withFloat(pivot + 4, nanValue), "the head turn's pivot is not a finite point");
    expectRejected(patched(image, headCount, 3), "the head turn has 3 head weights for 4 head");
    expectRejected(patched(image, staticCount, 0), "0 static weights for");
    expectRejected(patched(image, length, 100000),
                   "trailer block \"MRLDTURN\" of 100000 bytes would run past the end");
    const std::string bytes = encodeMeshFile(image);
    std::string longer = bytes + "xyzw";
    patchInt32(longer, length, static_cast<std::int32_t>(bytes.size() - pivot + 4));
    expectRejected(longer, "trailer block \"MRLDTURN\" is");
    expectRejected(bytes + "MRLDTAIL", "the trailer ends inside a block header (8 bytes left)");
    expectRejected(bytes + "tail of sixteen!", "the trailer block tag \"tail of \" does not");
}

TEST_F(MeshFileTest, RejectsADamagedLevelsOfDetailTrailer) {
    const MeshFileImage image = imageWithLevels();
    // After the tag, the version and the length.
    const std::size_t headLevels = trailerOffset(image) + trailerBlockHeaderBytes;
    const std::size_t firstError = headLevels + 4;
    const std::size_t firstCount = firstError + 4;
    const std::size_t firstIndices = firstCount + 4;
    const std::size_t secondError = firstIndices + 12;
    const auto withFloat = [&](std::size_t offset, float value) {
        std::string bytes = encodeMeshFile(image);
        patchBytes(bytes, offset, std::string_view(reinterpret_cast<const char*>(&value), 4));
        return bytes;
    };
    expectRejected(patched(image, headLevels, 1000), "the head levels would run past the end");
    expectRejected(patched(image, headLevels, -1), "the head level count is negative");
    expectRejected(patched(image, firstCount, 3000),
                   "the head level 0 indices would run past the end");
    expectRejected(patched(image, firstCount, 2), "index count 2 is not a whole");
    expectRejected(patched(image, firstIndices + 4, 4),
                   "head level 0 index 1 is 4, outside the 4 vertices");
    expectRejected(withFloat(firstError, std::numeric_limits<float>::quiet_NaN()),
                   "the error of head level 0 is nan");
    expectRejected(withFloat(secondError, 0.25f),
                   "the error of head level 1 (0.250000) does not rise");
    const std::string bytes = encodeMeshFile(image);
    expectRejected(bytes.substr(0, bytes.size() - 2),
                   "trailer block \"MRLDLODS\" of 68 bytes would run past the end");
}

} // namespace
