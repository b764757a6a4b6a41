#include "MeshoptDecoding.h"

#include "GltfBuffers.h"
#include "ImportError.h"

#include <meshoptimizer.h>
#include <string>

namespace {

// The compressed stream of one view, as the extension describes it.
struct CompressedView {
    int buffer = -1;
    std::size_t byteOffset = 0;
    std::size_t byteLength = 0;
    std::size_t byteStride = 0;
    std::size_t count = 0;
    std::string mode;
    std::string filter = "NONE";
};

// Exact by now: refuseInexactIntegers has seen every number here.
std::size_t sizeField(const tinygltf::Value& object, const char* name, const std::string& what,
                      bool required) {
    const tinygltf::Value& value = object.Get(name);
    if (!value.IsInt()) {
        if (required)
            throw ImportError(what + ": \"" + name + "\" is missing");
        return 0;
    }
    return static_cast<std::size_t>(value.Get<int>());
}

CompressedView describe(const tinygltf::Value& extension, const std::string& what) {
    if (!extension.IsObject())
        throw ImportError(what + ": the extension is not an object");
    CompressedView view;
    view.buffer = static_cast<int>(sizeField(extension, "buffer", what, true));
    view.byteOffset = sizeField(extension, "byteOffset", what, false);
    view.byteLength = sizeField(extension, "byteLength", what, true);
    view.byteStride = sizeField(extension, "byteStride", what, true);
    view.count = sizeField(extension, "count", what, true);
    if (extension.Get("mode").IsString())
        view.mode = extension.Get("mode").Get<std::string>();
    if (extension.Get("filter").IsString())
        view.filter = extension.Get("filter").Get<std::string>();
    return view;
}

// Rejects what the decoders only assert on.
void checkShape(const CompressedView& view, const std::string& what) {
    const std::size_t stride = view.byteStride;
    bool valid = false;
    if (view.mode == "ATTRIBUTES")
        valid = stride > 0 && stride <= 256 && stride % 4 == 0;
    else if (view.mode == "TRIANGLES")
        valid = (stride == 2 || stride == 4) && view.count % 3 == 0;
    else if (view.mode == "INDICES")
        valid = stride == 2 || stride == 4;
    if (!valid)
        throw ImportError(what + ": mode \"" + view.mode + "\" with byteStride " +
                          std::to_string(stride) + " is not valid");
    const bool filterFits =
        view.filter == "NONE" ||
        (view.mode == "ATTRIBUTES" &&
         ((view.filter == "OCTAHEDRAL" && (stride == 4 || stride == 8)) ||
          (view.filter == "QUATERNION" && stride == 8) || view.filter == "EXPONENTIAL"));
    if (!filterFits)
        throw ImportError(what + ": filter \"" + view.filter + "\" does not fit mode \"" +
                          view.mode + "\" and byteStride " + std::to_string(stride));
}

int decode(const CompressedView& view, unsigned char* out, const unsigned char* in) {
    if (view.mode == "ATTRIBUTES") {
        const int status =
            meshopt_decodeVertexBuffer(out, view.count, view.byteStride, in, view.byteLength);
        if (status == 0 && view.filter == "OCTAHEDRAL")
            meshopt_decodeFilterOct(out, view.count, view.byteStride);
        else if (status == 0 && view.filter == "QUATERNION")
            meshopt_decodeFilterQuat(out, view.count, view.byteStride);
        else if (status == 0 && view.filter == "EXPONENTIAL")
            meshopt_decodeFilterExp(out, view.count, view.byteStride);
        return status;
    }
    if (view.mode == "TRIANGLES")
        return meshopt_decodeIndexBuffer(out, view.count, view.byteStride, in, view.byteLength);
    return meshopt_decodeIndexSequence(out, view.count, view.byteStride, in, view.byteLength);
}

} // namespace

void decodeMeshoptViews(tinygltf::Model& model) {
    std::size_t decodedBytes = 0;
    for (std::size_t v = 0; v < model.bufferViews.size(); ++v) {
        tinygltf::BufferView& target = model.bufferViews[v];
        const auto found = target.extensions.find("EXT_meshopt_compression");
        if (found == target.extensions.end())
            continue;
        const std::string what = "buffer view " + std::to_string(v) + " (meshopt)";
        const CompressedView view = describe(found->second, what);
        checkShape(view, what);

        const std::span<const unsigned char> compressed = bufferBytes(
            model, view.buffer, view.byteOffset, view.byteLength, what, "the compressed data");

        const std::size_t bytes = view.count * view.byteStride;
        if (target.buffer < 0 || static_cast<std::size_t>(target.buffer) >= model.buffers.size())
            throw ImportError(what + ": buffer " + std::to_string(target.buffer) +
                              " does not exist");
        if (target.byteOffset > maxDecodedBytes ||
            target.byteLength > maxDecodedBytes - target.byteOffset)
            throw ImportError(what + ": the view is larger than the importer decodes");
        if (bytes != target.byteLength)
            throw ImportError(what + ": count " + std::to_string(view.count) + " of " +
                              std::to_string(view.byteStride) + "-byte elements makes " +
                              std::to_string(bytes) + " bytes, the view holds " +
                              std::to_string(target.byteLength));
        std::vector<unsigned char>& destination =
            model.buffers[static_cast<std::size_t>(target.buffer)].data;
        const std::size_t end = target.byteOffset + target.byteLength;
        decodedBytes += bytes + (end > destination.size() ? end - destination.size() : 0);
        if (decodedBytes > maxDecodedBytes)
            throw ImportError(what + ": the compressed views decode to more than " +
                              std::to_string(maxDecodedBytes) + " bytes");

        // Decoded into a copy first: the compressed data may share the target's buffer.
        std::vector<unsigned char> decoded(bytes);
        if (bytes > 0 && decode(view, decoded.data(), compressed.data()) != 0)
            throw ImportError(what + ": the compressed data is damaged");
        if (destination.size() < end)
            destination.resize(end);
        std::copy(decoded.begin(), decoded.end(),
                  destination.begin() + static_cast<std::ptrdiff_t>(target.byteOffset));
    }
}
