#include "model/MeshFileWriter.h"

#include <bit>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace {

static_assert(std::endian::native == std::endian::little, "mesh files are little-endian");

class ByteSink {
  public:
    void int32(std::int32_t value) { raw(&value, sizeof value); }
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

// The tag, the version, then per mesh (head, static) the level count and for each level its
// error, its index count and its indices.
void appendDetailTrailer(ByteSink& sink, const MeshFileImage& image) {
    sink.text(detailTrailerTag);
    sink.int32(detailTrailerVersion);
    for (const DetailChain* chain : {&image.headDetail, &image.staticDetail}) {
        sink.int32(static_cast<std::int32_t>(chain->size()));
        for (const DetailLevel& level : *chain) {
            sink.float32(level.error);
            sink.int32(static_cast<std::int32_t>(level.indices.size()));
            sink.int32s(level.indices);
        }
    }
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
    if (!image.headDetail.empty() || !image.staticDetail.empty())
        appendDetailTrailer(sink, image);
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
