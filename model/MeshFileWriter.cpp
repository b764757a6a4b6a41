#include "model/MeshFileWriter.h"

#include "model/MeshTrailer.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace {

static_assert(std::endian::native == std::endian::little, "mesh files are little-endian");

class ByteSink {
  public:
    void int32(std::int32_t value) { raw(&value, sizeof value); }
    void uint32(std::uint32_t value) { raw(&value, sizeof value); }
    void float32(float value) { raw(&value, sizeof value); }
    void text(std::string_view bytes) { raw(bytes.data(), bytes.size()); }
    void floats(const std::vector<float>& values) { raw(values.data(), values.size() * 4); }
    void int32s(const std::vector<std::int32_t>& values) { raw(values.data(), values.size() * 4); }
    void nameRecord(const std::string& name) {
        int32(static_cast<std::int32_t>(name.size()));
        raw(name.data(), name.size());
        bytes_.push_back('\0');
    }
    std::string take() { return std::move(bytes_); }

  private:
    void raw(const void* data, std::size_t size) {
        bytes_.append(static_cast<const char*>(data), size);
    }
    std::string bytes_;
};

void require(bool condition, const char* what) {
    if (!condition)
        throw std::invalid_argument(std::string("mesh file image: ") + what);
}

// A trailer block: its tag, its version, the length of what `contents` writes, then that.
template <class Contents>
void appendBlock(ByteSink& sink, std::string_view tag, std::int32_t version, Contents contents) {
    ByteSink block;
    contents(block);
    const std::string bytes = block.take();
    require(bytes.size() <= UINT32_MAX, "a trailer block passes 4 GB");
    sink.text(tag);
    sink.int32(version);
    sink.uint32(static_cast<std::uint32_t>(bytes.size()));
    sink.text(bytes);
}

void appendDetailBlock(ByteSink& sink, const MeshFileImage& image) {
    appendBlock(sink, detailBlockTag, detailBlockVersion, [&](ByteSink& block) {
        for (const DetailChain* chain : {&image.headDetail, &image.staticDetail}) {
            block.int32(static_cast<std::int32_t>(chain->size()));
            for (const DetailLevel& level : *chain) {
                block.float32(level.error);
                block.int32(static_cast<std::int32_t>(level.indices.size()));
                block.int32s(level.indices);
            }
        }
    });
}

void appendTurnBlock(ByteSink& sink, const HeadTurn& turn) {
    appendBlock(sink, turnBlockTag, turnBlockVersion, [&](ByteSink& block) {
        for (const float coordinate : turn.pivot)
            block.float32(coordinate);
        for (const std::vector<float>* weights : {&turn.headWeights, &turn.staticWeights}) {
            block.int32(static_cast<std::int32_t>(weights->size()));
            block.floats(*weights);
        }
    });
}

} // namespace

std::string encodeMeshFile(const MeshFileImage& image) {
    const auto vertexCount = static_cast<std::size_t>(image.vertexCount);
    require(image.baseVertices.size() == vertexCount * static_cast<std::size_t>(image.baseFloats),
            "base vertices do not match vertexCount * baseFloats");
    require(image.targetBlocks.size() == image.targetNames.size(),
            "one target block per target name");
    for (const auto& block : image.targetBlocks)
        require(block.size() == vertexCount * static_cast<std::size_t>(image.targetFloats),
                "a target block does not match vertexCount * targetFloats");
    require(image.staticVertices.size() == static_cast<std::size_t>(image.staticVertexCount) *
                                               static_cast<std::size_t>(image.staticFloats),
            "static vertices do not match staticVertexCount * staticFloats");

    ByteSink sink;
    sink.int32(image.baseFloats);
    sink.int32(image.targetFloats);
    sink.int32(image.vertexCount);
    sink.int32(static_cast<std::int32_t>(image.targetNames.size()));
    sink.int32(static_cast<std::int32_t>(image.indices.size()));
    sink.floats(image.baseVertices);
    for (const auto& block : image.targetBlocks)
        sink.floats(block);
    sink.int32s(image.indices);
    for (const auto& name : image.targetNames)
        sink.nameRecord(name);
    sink.int32(image.staticFloats);
    sink.int32(image.staticVertexCount);
    sink.int32(static_cast<std::int32_t>(image.staticIndices.size()));
    sink.floats(image.staticVertices);
    sink.int32s(image.staticIndices);
    if (image.headTurn) {
        require(image.headTurn->headWeights.size() == vertexCount,
                "one head-turn weight per head vertex");
        require(image.headTurn->staticWeights.size() ==
                    static_cast<std::size_t>(image.staticVertexCount),
                "one head-turn weight per static vertex");
    }
    if (!image.headDetail.empty() || !image.staticDetail.empty())
        appendDetailBlock(sink, image);
    if (image.headTurn)
        appendTurnBlock(sink, *image.headTurn);
    return sink.take();
}

void writeMeshFile(const std::filesystem::path& path, const MeshFileImage& image) {
    const std::string bytes = encodeMeshFile(image);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write mesh file " + path.string());
}
