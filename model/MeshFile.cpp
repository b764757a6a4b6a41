#include "model/MeshFile.h"

#include "common/DataFile.h"
#include "common/DemoError.h"
#include "model/MeshTrailer.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <limits>
#include <optional>

namespace {

static_assert(std::endian::native == std::endian::little, "mesh files are little-endian");

std::optional<std::uint64_t> checkedProduct(std::uint64_t a, std::uint64_t b) {
    if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a)
        return std::nullopt;
    return a * b;
}

std::optional<std::uint64_t> checkedProduct(std::optional<std::uint64_t> a, std::uint64_t b) {
    return a ? checkedProduct(*a, b) : std::nullopt;
}

// Whether any of the floats is an infinity or a NaN: all exponent bits set. Without branches, so
// that the compiler vectorises it; it runs over every position and normal of the file.
bool anyNonFinite(const float* values, std::size_t count) {
    constexpr std::uint32_t exponentBits = 0x7F800000u;
    std::uint32_t found = 0;
    for (std::size_t i = 0; i < count; ++i)
        found |= static_cast<std::uint32_t>(
            (std::bit_cast<std::uint32_t>(values[i]) & exponentBits) == exponentBits);
    return found != 0;
}

// Reads the file front to back through one buffered stream. The file size is known before
// anything is allocated, so every count is checked against the bytes that are really left: a
// damaged or forged count is refused instead of turning into a huge allocation or a read past
// the end.
class MeshFileReader {
  public:
    explicit MeshFileReader(const std::string& path) : path_(path) {
        if (const auto reason = whyNotARegularFile(path))
            throw DemoError("cannot open mesh file " + path + ": " + *reason);
        in_.open(path, std::ios::binary | std::ios::ate);
        if (!in_.is_open())
            throw DemoError("cannot open mesh file " + path + ": " +
                            std::generic_category().message(errno));
        const std::streamoff size = in_.tellg();
        if (size < 0)
            fail("cannot determine the file size");
        remaining_ = static_cast<std::uint64_t>(size);
        in_.seekg(0);
    }

    MeshFile read() {
        MeshFile file;
        file.headMesh = readHeadMesh();
        file.staticMesh = readStaticMesh();
        readTrailer(file);
        return file;
    }

  private:
    std::unique_ptr<HeadMesh> readHeadMesh() {
        const std::int32_t baseFloats = readFloatsPerVertex("floats per base vertex");
        const std::int32_t targetFloats = readFloatsPerVertex("floats per target vertex");
        const std::int32_t vertexCount = readVertexCount("head vertex count");
        const std::int32_t targetCount = readCount("target count");
        const std::int32_t indexCount = readCount("head index count");

        const std::uint64_t floatsPerVertexAllTargets =
            static_cast<std::uint64_t>(baseFloats) +
            static_cast<std::uint64_t>(targetCount) * static_cast<std::uint64_t>(targetFloats);
        const std::uint64_t vertexFloats =
            requireBytes(checkedProduct(checkedProduct(floatsPerVertexAllTargets, vertexCount), 4),
                         "the base vertices and target blocks") /
            4;
        LargeFloatBuffer vertexData = allocateLargeFloats(vertexFloats);
        readBytes(vertexData.get(), vertexFloats * 4, "the base vertices and target blocks");

        auto indices = readIndices(indexCount, vertexCount, "head");

        // Every name record takes at least its length and its zero byte.
        requireBytes(checkedProduct(targetCount, 5), "the target names");
        std::vector<std::string> targetNames;
        targetNames.reserve(static_cast<std::size_t>(targetCount));
        for (std::int32_t index = 0; index < targetCount; ++index)
            targetNames.push_back(readName(index));

        requireFinite(vertexData.get(), baseFloats, vertexCount, "base mesh");
        const float* block = vertexData.get() + static_cast<std::size_t>(baseFloats) *
                                                    static_cast<std::size_t>(vertexCount);
        for (std::int32_t index = 0; index < targetCount; ++index) {
            requireFinite(block, targetFloats, vertexCount,
                          "target \"" + targetNames[static_cast<std::size_t>(index)] +
                              "\" (block " + std::to_string(index) + ")");
            block += static_cast<std::size_t>(targetFloats) * static_cast<std::size_t>(vertexCount);
        }

        return std::make_unique<HeadMesh>(
            std::move(targetNames), static_cast<std::uint32_t>(targetFloats) * 4, vertexCount,
            static_cast<std::uint32_t>(baseFloats) * 4, std::move(vertexData),
            static_cast<std::uint32_t>(indexCount), std::move(indices));
    }

    std::unique_ptr<StaticMesh> readStaticMesh() {
        const std::int32_t floatsPerVertex = readFloatsPerVertex("floats per static vertex");
        const std::int32_t vertexCount = readVertexCount("static vertex count");
        const std::int32_t indexCount = readCount("static index count");

        const std::uint64_t vertexFloats =
            requireBytes(checkedProduct(checkedProduct(floatsPerVertex, vertexCount), 4),
                         "the static vertices") /
            4;
        auto vertices = std::make_unique_for_overwrite<float[]>(vertexFloats);
        readBytes(vertices.get(), vertexFloats * 4, "the static vertices");
        requireFinite(vertices.get(), floatsPerVertex, vertexCount, "static mesh");

        auto indices = readIndices(indexCount, vertexCount, "static");
        return std::make_unique<StaticMesh>(
            static_cast<std::uint32_t>(vertexCount), floatsPerVertex * 4, std::move(vertices),
            static_cast<std::uint32_t>(indexCount), std::move(indices));
    }

    std::unique_ptr<std::int32_t[]> readIndices(std::int32_t indexCount, std::int32_t vertexCount,
                                                const std::string& mesh) {
        requireBytes(checkedProduct(indexCount, 4), "the " + mesh + " indices");
        auto indices =
            std::make_unique_for_overwrite<std::int32_t[]>(static_cast<std::size_t>(indexCount));
        readIndicesInto(indices.get(), indexCount, vertexCount, mesh);
        return indices;
    }

    // Reads indexCount indices, whose bytes the caller has made sure are there, and checks that
    // each lies inside the mesh.
    void readIndicesInto(std::int32_t* indices, std::int32_t indexCount, std::int32_t vertexCount,
                         const std::string& mesh) {
        readBytes(indices, static_cast<std::uint64_t>(indexCount) * 4, "the " + mesh + " indices");
        for (std::int32_t i = 0; i < indexCount; ++i) {
            const std::int32_t value = indices[i];
            if (value < 0 || value >= vertexCount)
                fail(mesh + " index " + std::to_string(i) + " is " + std::to_string(value) +
                     ", outside the " + std::to_string(vertexCount) + " vertices of the mesh");
        }
    }

    // Bytes after the static indices are not part of the plain format, but may carry the
    // trailer's blocks.
    void readTrailer(MeshFile& file) {
        std::string tag(8, '\0');
        if (remaining_ < tag.size())
            return;
        readBytes(tag.data(), tag.size(), "the trailer's first tag");
        if (tag.rfind(trailerTagPrefix, 0) != 0)
            return;
        for (;;) {
            const std::string block = "trailer block \"" + printable(tag) + "\"";
            const std::int32_t version = readInt32("the version of " + block);
            if (tag == detailBlockTag && version == lengthlessDetailVersion) {
                readDetailChains(file);
                return;
            }
            const std::uint32_t length = readUint32("the length of " + block);
            requireBytes(length, block + " of " + std::to_string(length) + " bytes");
            const std::uint64_t endsWith = remaining_ - length;
            if (tag == detailBlockTag && version == detailBlockVersion)
                readDetailChains(file);
            else if (tag == turnBlockTag && version == turnBlockVersion)
                file.headTurn = readHeadTurn(*file.headMesh, *file.staticMesh);
            else
                skipBytes(length, block);
            if (remaining_ != endsWith)
                fail(block + " is " + std::to_string(length) + " bytes long, but its contents " +
                     "take " + std::to_string(length - (remaining_ - endsWith)));
            if (remaining_ == 0)
                return;
            if (remaining_ < trailerBlockHeaderBytes)
                fail("the trailer ends inside a block header (" + std::to_string(remaining_) +
                     " bytes left)");
            readBytes(tag.data(), tag.size(), "the tag of the next trailer block");
            if (tag.rfind(trailerTagPrefix, 0) != 0)
                fail("the trailer block tag \"" + printable(tag) + "\" does not begin with MRLD");
        }
    }

    void readDetailChains(MeshFile& file) {
        file.headDetail = readDetailChain(file.headMesh->vertexCount(), "head");
        file.staticDetail =
            readDetailChain(static_cast<std::int32_t>(file.staticMesh->vertexCount()), "static");
    }

    HeadTurn readHeadTurn(const HeadMesh& head, const StaticMesh& staticMesh) {
        HeadTurn turn;
        readBytes(turn.pivot.data(), 12, "the head turn's pivot");
        if (!std::all_of(turn.pivot.begin(), turn.pivot.end(),
                         [](float value) { return std::isfinite(value); }))
            fail("the head turn's pivot is not a finite point");
        turn.headWeights = readTurnWeights(head.vertexCount(), "head");
        turn.staticWeights =
            readTurnWeights(static_cast<std::int32_t>(staticMesh.vertexCount()), "static");
        return turn;
    }

    std::vector<float> readTurnWeights(std::int32_t vertexCount, const std::string& mesh) {
        const std::int32_t count = readCount("head turn's " + mesh + " weight count");
        if (count != vertexCount)
            fail("the head turn has " + std::to_string(count) + " " + mesh + " weights for " +
                 std::to_string(vertexCount) + " " + mesh + " vertices");
        requireBytes(checkedProduct(count, 4), "the head turn's " + mesh + " weights");
        std::vector<float> weights(static_cast<std::size_t>(count));
        readBytes(weights.data(), weights.size() * 4, "the head turn's " + mesh + " weights");
        for (std::size_t i = 0; i < weights.size(); ++i)
            if (!(weights[i] >= 0.0f && weights[i] <= 1.0f))
                fail("the head turn's weight of " + mesh + " vertex " + std::to_string(i) + " is " +
                     std::to_string(weights[i]) + ", outside 0..1");
        return weights;
    }

    // A tag as a person can read it, whatever bytes it holds.
    static std::string printable(const std::string& bytes) {
        std::string text;
        for (const char c : bytes) {
            if (c >= 0x20 && c < 0x7F) {
                text += c;
            } else {
                static constexpr char digits[] = "0123456789ABCDEF";
                const auto byte = static_cast<unsigned char>(c);
                text += std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
            }
        }
        return text;
    }

    DetailChain readDetailChain(std::int32_t vertexCount, const std::string& mesh) {
        const std::int32_t levelCount = readCount(mesh + " level count");
        // Every level takes at least its error and its index count.
        requireBytes(checkedProduct(levelCount, 8), "the " + mesh + " levels");
        DetailChain chain(static_cast<std::size_t>(levelCount));
        float previousError = 0.0f;
        for (std::int32_t level = 0; level < levelCount; ++level) {
            const std::string what = mesh + " level " + std::to_string(level);
            DetailLevel& detail = chain[static_cast<std::size_t>(level)];
            readBytes(&detail.error, 4, "the error of " + what);
            if (!std::isfinite(detail.error) || detail.error < 0.0f)
                fail("the error of " + what + " is " + std::to_string(detail.error) +
                     ", not a finite distance");
            if (level > 0 && !(detail.error > previousError))
                fail("the error of " + what + " (" + std::to_string(detail.error) +
                     ") does not rise above the level before (" + std::to_string(previousError) +
                     ")");
            previousError = detail.error;
            const std::int32_t indexCount = readCount(what + " index count");
            if (indexCount == 0 || indexCount % 3 != 0)
                fail("the " + what + " index count " + std::to_string(indexCount) +
                     " is not a whole, non-zero number of triangles");
            requireBytes(checkedProduct(indexCount, 4), "the " + what + " indices");
            detail.indices.resize(static_cast<std::size_t>(indexCount));
            readIndicesInto(detail.indices.data(), indexCount, vertexCount, what);
        }
        return chain;
    }

    // A name record: the length L, then L + 1 bytes of which the name is the text before the
    // first zero byte; the whole record is consumed either way.
    std::string readName(std::int32_t index) {
        const std::string what = "target name " + std::to_string(index);
        const std::int32_t length = readInt32("the length of " + what);
        if (length < 0)
            fail("the length of " + what + " is negative (" + std::to_string(length) + ")");
        const std::uint64_t recordBytes = static_cast<std::uint64_t>(length) + 1;
        requireBytes(recordBytes, what);
        std::string bytes(recordBytes, '\0');
        readBytes(bytes.data(), recordBytes, what);
        const std::size_t end = bytes.find('\0');
        if (end == std::string::npos)
            fail(what + " has no zero byte in its " + std::to_string(recordBytes) + " bytes");
        bytes.resize(end);
        return bytes;
    }

    // A NaN or an infinity in a position or normal does not fail anywhere later: it silently
    // tears holes into the picture or empties it. Further floats of a vertex are not read.
    void requireFinite(const float* vertices, std::int32_t floatsPerVertex,
                       std::int32_t vertexCount, const std::string& owner) const {
        const auto stride = static_cast<std::size_t>(floatsPerVertex);
        // Vertices of exactly a position and a normal lie back to back: one pass over them all.
        if (floatsPerVertex == minFloatsPerVertex &&
            !anyNonFinite(vertices, stride * static_cast<std::size_t>(vertexCount)))
            return;
        for (std::int32_t vertex = 0; vertex < vertexCount; ++vertex) {
            const float* values = vertices + static_cast<std::size_t>(vertex) * stride;
            if (!anyNonFinite(values, minFloatsPerVertex))
                continue;
            constexpr int positionFloats = 3;
            const int i =
                static_cast<int>(std::find_if(values, values + minFloatsPerVertex,
                                              [](float value) { return !std::isfinite(value); }) -
                                 values);
            fail("vertex " + std::to_string(vertex) + " of the " + owner + " has " +
                 std::to_string(values[i]) + " in its " +
                 (i < positionFloats ? "position" : "normal"));
        }
    }

    std::int32_t readInt32(const std::string& field) {
        if (remaining_ < 4)
            fail("the file ends before " + field);
        std::int32_t value = 0;
        readBytes(&value, 4, field);
        return value;
    }

    std::uint32_t readUint32(const std::string& field) {
        if (remaining_ < 4)
            fail("the file ends before " + field);
        std::uint32_t value = 0;
        readBytes(&value, 4, field);
        return value;
    }

    std::int32_t readCount(const std::string& field) {
        const std::int32_t count = readInt32("the " + field);
        if (count < 0)
            fail("the " + field + " is negative (" + std::to_string(count) + ")");
        return count;
    }

    std::int32_t readVertexCount(const std::string& field) {
        const std::int32_t count = readCount(field);
        if (count > maxMeshVertices)
            fail("the " + field + " " + std::to_string(count) + " is above the limit of " +
                 std::to_string(maxMeshVertices));
        return count;
    }

    // A vertex must hold a position and a normal, and its byte size must fit a 32-bit stride.
    std::int32_t readFloatsPerVertex(const std::string& field) {
        const std::int32_t floats = readInt32("the " + field);
        if (floats < minFloatsPerVertex)
            fail("the " + field + " is " + std::to_string(floats) + ", at least " +
                 std::to_string(minFloatsPerVertex) + " are needed");
        if (floats > std::numeric_limits<std::int32_t>::max() / 4)
            fail("the " + field + " " + std::to_string(floats) + " is too large");
        return floats;
    }

    std::uint64_t requireBytes(std::optional<std::uint64_t> bytes, const std::string& what) {
        if (!bytes)
            fail("the size of " + what + " overflows");
        if (*bytes > remaining_)
            fail(what + " would run past the end of the file (" + std::to_string(*bytes) +
                 " bytes needed, " + std::to_string(remaining_) + " left)");
        return *bytes;
    }

    void readBytes(void* destination, std::uint64_t size, const std::string& what) {
        in_.read(static_cast<char*>(destination), static_cast<std::streamsize>(size));
        if (static_cast<std::uint64_t>(in_.gcount()) != size)
            fail("reading " + what + " failed");
        remaining_ -= size;
    }

    void skipBytes(std::uint64_t size, const std::string& what) {
        in_.seekg(static_cast<std::streamoff>(size), std::ios::cur);
        if (!in_)
            fail("skipping " + what + " failed");
        remaining_ -= size;
    }

    [[noreturn]] void fail(const std::string& what) const {
        throw DemoError("mesh file " + path_ + ": " + what);
    }

    std::string path_;
    std::ifstream in_;
    std::uint64_t remaining_ = 0;
};

} // namespace

HeadMesh::HeadMesh(std::vector<std::string> targetNames, std::uint32_t targetStride,
                   std::int32_t vertexCount, std::uint32_t baseStride, LargeFloatBuffer vertexData,
                   std::uint32_t indexCount, std::unique_ptr<std::int32_t[]> indices)
    : vertexCount_(vertexCount), baseStride_(baseStride), targetStride_(targetStride),
      targetNames_(std::move(targetNames)),
      targetCount_(static_cast<std::int32_t>(targetNames_.size())),
      vertexData_(std::move(vertexData)),
      targetData_(vertexData_.get() +
                  static_cast<std::size_t>(baseStride / 4) * static_cast<std::size_t>(vertexCount)),
      baseFloats_(static_cast<std::int32_t>(baseStride / 4)),
      targetFloats_(static_cast<std::int32_t>(targetStride / 4)), indexCount_(indexCount),
      indices_(std::move(indices)), released_(targetNames_.size(), false) {}

HeadMesh::Target HeadMesh::getTarget(std::int32_t index) const {
    if (index < 0 || index > targetCount_ - 1)
        throw DemoError("the head mesh has no target " + std::to_string(index) + " (it has " +
                        std::to_string(targetCount_) + ")");
    if (released_[static_cast<std::size_t>(index)])
        throw DemoError("the head mesh's target " + std::to_string(index) +
                        " was released once on the GPU");
    const std::size_t offset = static_cast<std::size_t>(targetFloats_) *
                               static_cast<std::size_t>(vertexCount_) *
                               static_cast<std::size_t>(index);
    return {targetNames_[static_cast<std::size_t>(index)], targetData_ + offset};
}

void HeadMesh::releaseTarget(std::int32_t index) {
    const Target target = getTarget(index);
    released_[static_cast<std::size_t>(index)] = true;
    releaseLargeFloatPages(vertexData_, target.block,
                           static_cast<std::size_t>(targetFloats_) *
                               static_cast<std::size_t>(vertexCount_));
}

StaticMesh::StaticMesh(std::uint32_t vertexCount, std::int32_t stride,
                       std::unique_ptr<float[]> vertices, std::uint32_t indexCount,
                       std::unique_ptr<std::int32_t[]> indices)
    : vertexCount_(vertexCount), stride_(stride), vertices_(std::move(vertices)),
      indexCount_(indexCount), indices_(std::move(indices)) {}

MeshFile readMeshFile(const std::string& path) {
    return MeshFileReader(path).read();
}
