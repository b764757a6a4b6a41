#include "GltfAccessors.h"

#include "GltfBuffers.h"
#include "ImportError.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

using tinygltf::Accessor;
using tinygltf::Model;

[[noreturn]] void fail(const std::string& what, const std::string& fault) {
    throw ImportError(what + ": " + fault);
}

std::size_t componentBytes(int componentType) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    default:
        return 0;
    }
}

// a + b <= limit without overflowing.
bool fits(std::size_t a, std::size_t b, std::size_t limit) {
    return a <= limit && b <= limit - a;
}

// `count` elements of `elementBytes` bytes, `stride` apart, starting `offset` bytes into buffer
// view `viewIndex`; every byte checked to lie inside the view and its buffer.
const std::uint8_t* viewBytes(const Model& model, int viewIndex, std::size_t offset,
                              std::size_t count, std::size_t elementBytes, std::size_t stride,
                              const std::string& what) {
    if (viewIndex < 0 || static_cast<std::size_t>(viewIndex) >= model.bufferViews.size())
        fail(what, "buffer view " + std::to_string(viewIndex) + " does not exist");
    const tinygltf::BufferView& view = model.bufferViews[static_cast<std::size_t>(viewIndex)];
    const std::span<const unsigned char> bytes =
        bufferBytes(model, view.buffer, view.byteOffset, view.byteLength, what,
                    "buffer view " + std::to_string(viewIndex));
    if (count == 0)
        return nullptr;
    const std::size_t span =
        (count - 1) > (std::numeric_limits<std::size_t>::max() - elementBytes) /
                          std::max<std::size_t>(stride, 1)
            ? std::numeric_limits<std::size_t>::max()
            : (count - 1) * stride + elementBytes;
    if (!fits(offset, span, view.byteLength))
        fail(what, "accessor reads past the end of buffer view " + std::to_string(viewIndex));
    return bytes.data() + offset;
}

template <typename In> float toFloat(In value, bool normalized) {
    if constexpr (std::is_same_v<In, float>) {
        return value;
    } else {
        if (!normalized)
            return static_cast<float>(value);
        // Signed types map -max..max to -1..1 with the lowest value clamped, as glTF defines.
        const float scaled =
            static_cast<float>(value) / static_cast<float>(std::numeric_limits<In>::max());
        return scaled < -1.0f ? -1.0f : scaled;
    }
}

template <typename Out, typename In> Out convert(In value, bool normalized) {
    if constexpr (std::is_same_v<Out, float>)
        return toFloat(value, normalized);
    else
        return static_cast<Out>(value);
}

template <typename Out, typename In>
void decodeRun(const std::uint8_t* bytes, std::size_t count, std::size_t stride,
               std::size_t components, bool normalized, Out* out) {
    for (std::size_t i = 0; i < count; ++i, bytes += stride)
        for (std::size_t c = 0; c < components; ++c) {
            In value;
            std::memcpy(&value, bytes + c * sizeof(In), sizeof(In));
            out[i * components + c] = convert<Out>(value, normalized);
        }
}

template <typename Out>
void decode(int componentType, const std::uint8_t* bytes, std::size_t count, std::size_t stride,
            std::size_t components, bool normalized, Out* out) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
        return decodeRun<Out, std::int8_t>(bytes, count, stride, components, normalized, out);
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return decodeRun<Out, std::uint8_t>(bytes, count, stride, components, normalized, out);
    case TINYGLTF_COMPONENT_TYPE_SHORT:
        return decodeRun<Out, std::int16_t>(bytes, count, stride, components, normalized, out);
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return decodeRun<Out, std::uint16_t>(bytes, count, stride, components, normalized, out);
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
        return decodeRun<Out, std::uint32_t>(bytes, count, stride, components, normalized, out);
    default:
        return decodeRun<Out, float>(bytes, count, stride, components, normalized, out);
    }
}

std::string componentTypeName(const Accessor& accessor) {
    const char* name = nullptr;
    switch (accessor.componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
        name = "byte";
        break;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        name = "unsigned byte";
        break;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
        name = "short";
        break;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        name = "unsigned short";
        break;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
        name = "unsigned int";
        break;
    default:
        return "component type " + std::to_string(accessor.componentType) + " value";
    }
    return (accessor.normalized ? "normalized " : "") + std::string(name);
}

const Accessor& accessorAt(const Model& model, int index, const std::string& what) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.accessors.size())
        fail(what, "accessor " + std::to_string(index) + " does not exist");
    const Accessor& accessor = model.accessors[static_cast<std::size_t>(index)];
    if (accessor.count > maxAccessorElements)
        fail(what, "accessor " + std::to_string(index) + " holds " +
                       std::to_string(accessor.count) + " elements, more than the importer takes");
    return accessor;
}

template <typename Out>
std::vector<Out> readAccessor(const Model& model, int index, int type, const std::string& what) {
    const Accessor& accessor = accessorAt(model, index, what);
    const std::string name = what + " (accessor " + std::to_string(index) + ")";
    const std::size_t componentSize = componentBytes(accessor.componentType);
    if (componentSize == 0)
        fail(name, "unsupported component type " + std::to_string(accessor.componentType));
    if (accessor.type != type)
        fail(name, "unexpected element type " + std::to_string(accessor.type));
    const auto components = static_cast<std::size_t>(
        tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(type)));
    const std::size_t elementBytes = componentSize * components;
    const bool normalized = accessor.normalized;

    std::vector<Out> values(accessor.count * components, Out{});
    if (accessor.bufferView >= 0 && accessor.count > 0) {
        const tinygltf::BufferView* view =
            static_cast<std::size_t>(accessor.bufferView) < model.bufferViews.size()
                ? &model.bufferViews[static_cast<std::size_t>(accessor.bufferView)]
                : nullptr;
        const std::size_t stride = view && view->byteStride != 0 ? view->byteStride : elementBytes;
        if (stride < elementBytes)
            fail(name, "byte stride " + std::to_string(stride) + " is smaller than an element");
        const std::uint8_t* bytes = viewBytes(model, accessor.bufferView, accessor.byteOffset,
                                              accessor.count, elementBytes, stride, name);
        decode(accessor.componentType, bytes, accessor.count, stride, components, normalized,
               values.data());
    }

    if (accessor.sparse.isSparse) {
        const auto& sparse = accessor.sparse;
        if (sparse.count <= 0 || static_cast<std::size_t>(sparse.count) > accessor.count ||
            sparse.indices.byteOffset < 0 || sparse.values.byteOffset < 0)
            fail(name, "malformed sparse substitution");
        const auto count = static_cast<std::size_t>(sparse.count);
        const std::size_t indexSize = componentBytes(sparse.indices.componentType);
        if (indexSize == 0 || sparse.indices.componentType == TINYGLTF_COMPONENT_TYPE_BYTE ||
            sparse.indices.componentType == TINYGLTF_COMPONENT_TYPE_SHORT ||
            sparse.indices.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT)
            fail(name, "sparse indices of an unsupported component type");
        std::vector<std::uint32_t> targets(count);
        decode(sparse.indices.componentType,
               viewBytes(model, sparse.indices.bufferView,
                         static_cast<std::size_t>(sparse.indices.byteOffset), count, indexSize,
                         indexSize, name),
               count, indexSize, 1, false, targets.data());
        std::vector<Out> replacements(count * components);
        decode(accessor.componentType,
               viewBytes(model, sparse.values.bufferView,
                         static_cast<std::size_t>(sparse.values.byteOffset), count, elementBytes,
                         elementBytes, name),
               count, elementBytes, components, normalized, replacements.data());
        for (std::size_t i = 0; i < count; ++i) {
            if (targets[i] >= accessor.count)
                fail(name, "sparse index " + std::to_string(targets[i]) + " is out of range");
            std::copy_n(replacements.begin() + static_cast<std::ptrdiff_t>(i * components),
                        components,
                        values.begin() + static_cast<std::ptrdiff_t>(targets[i] * components));
        }
    }
    return values;
}

} // namespace

std::size_t accessorCount(const Model& model, int index, const std::string& what) {
    return accessorAt(model, index, what).count;
}

std::vector<float> readFloats(const Model& model, int index, int components,
                              const std::string& what) {
    const int type = components == 2    ? TINYGLTF_TYPE_VEC2
                     : components == 3  ? TINYGLTF_TYPE_VEC3
                     : components == 4  ? TINYGLTF_TYPE_VEC4
                     : components == 16 ? TINYGLTF_TYPE_MAT4
                                        : TINYGLTF_TYPE_SCALAR;
    std::vector<float> values = readAccessor<float>(model, index, type, what);
    for (const float value : values)
        if (!std::isfinite(value))
            fail(what + " (accessor " + std::to_string(index) + ")", "a value is not finite");
    return values;
}

std::vector<float> readFloatScalars(const Model& model, int index, const std::string& kind,
                                    const std::string& what) {
    const Accessor& accessor = accessorAt(model, index, what);
    if (accessor.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT)
        fail(what + " (accessor " + std::to_string(index) + ")",
             kind + " must be floats, not " + componentTypeName(accessor) + "s");
    return readFloats(model, index, 1, what);
}

std::vector<std::uint32_t> readIndices(const Model& model, int index, std::size_t limit,
                                       const std::string& what) {
    const int componentType = accessorAt(model, index, what).componentType;
    if (componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE &&
        componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
        componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
        fail(what + " (accessor " + std::to_string(index) + ")",
             "indices must be unsigned integers");
    std::vector<std::uint32_t> indices =
        readAccessor<std::uint32_t>(model, index, TINYGLTF_TYPE_SCALAR, what);
    for (const std::uint32_t value : indices)
        if (value >= limit)
            fail(what + " (accessor " + std::to_string(index) + ")",
                 "index " + std::to_string(value) + " is out of range");
    return indices;
}
