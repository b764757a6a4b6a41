#include "JsonIntegers.h"

#include "ImportError.h"

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace {

using nlohmann::json;

// What tinygltf and the extension values hold as int.
constexpr std::uint64_t intMax = INT_MAX;
// Sizes tinygltf holds as size_t; past 2^53 a JSON number is not exact in other readers.
constexpr std::uint64_t sizeMax = std::uint64_t{1} << 53;

void checkValue(const json& value, const std::string& field, std::uint64_t max) {
    const bool exact = value.is_number_unsigned() && value.get<std::uint64_t>() <= max;
    if (!exact)
        throw ImportError(field + " must be an integer from 0 to " + std::to_string(max) +
                          ", not " + value.dump());
}

const json* member(const json& object, const char* key) {
    if (!object.is_object())
        return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

void fields(const json& object, const std::string& path, std::initializer_list<const char*> keys,
            std::uint64_t max = intMax) {
    for (const char* key : keys)
        if (const json* value = member(object, key))
            checkValue(*value, path.empty() ? key : path + "." + key, max);
}

// Every value of an object (attributes: accessor indices by name) or element of an array.
void allValues(const json* container, const std::string& path) {
    if (container == nullptr || !(container->is_object() || container->is_array()))
        return;
    if (container->is_array()) {
        for (std::size_t i = 0; i < container->size(); ++i)
            checkValue((*container)[i], path + "[" + std::to_string(i) + "]", intMax);
        return;
    }
    for (const auto& [key, value] : container->items())
        checkValue(value, path + "." + key, intMax);
}

// Calls visit(element, "name[i]") for each element of the document's array `name`.
template <typename Visit>
void each(const json& parent, const char* name, const std::string& path, Visit visit) {
    const json* array = member(parent, name);
    if (array == nullptr || !array->is_array())
        return;
    for (std::size_t i = 0; i < array->size(); ++i)
        visit((*array)[i], path + name + "[" + std::to_string(i) + "]");
}

const json* extension(const json& object, const char* name) {
    const json* extensions = member(object, "extensions");
    return extensions ? member(*extensions, name) : nullptr;
}

void checkAccessor(const json& accessor, const std::string& path) {
    fields(accessor, path, {"bufferView", "componentType"});
    fields(accessor, path, {"byteOffset", "count"}, sizeMax);
    if (const json* sparse = member(accessor, "sparse")) {
        fields(*sparse, path + ".sparse", {"count"});
        if (const json* indices = member(*sparse, "indices"))
            fields(*indices, path + ".sparse.indices",
                   {"bufferView", "byteOffset", "componentType"});
        if (const json* values = member(*sparse, "values"))
            fields(*values, path + ".sparse.values", {"bufferView", "byteOffset"});
    }
}

void checkBufferView(const json& view, const std::string& path) {
    fields(view, path, {"buffer", "byteStride", "target"});
    fields(view, path, {"byteOffset", "byteLength"}, sizeMax);
    for (const char* name : {"EXT_meshopt_compression", "KHR_meshopt_compression"})
        if (const json* meshopt = extension(view, name))
            fields(*meshopt, path + ".extensions." + name,
                   {"buffer", "byteOffset", "byteLength", "byteStride", "count"});
}

void checkPrimitive(const json& primitive, const std::string& path) {
    fields(primitive, path, {"indices", "material", "mode"});
    allValues(member(primitive, "attributes"), path + ".attributes");
    each(primitive, "targets", path + ".",
         [](const json& target, const std::string& at) { allValues(&target, at); });
    if (const json* draco = extension(primitive, "KHR_draco_mesh_compression")) {
        const std::string at = path + ".extensions.KHR_draco_mesh_compression";
        fields(*draco, at, {"bufferView"});
        allValues(member(*draco, "attributes"), at + ".attributes");
    }
}

void checkAnimation(const json& animation, const std::string& path) {
    each(animation, "channels", path + ".", [](const json& channel, const std::string& at) {
        fields(channel, at, {"sampler"});
        if (const json* target = member(channel, "target"))
            fields(*target, at + ".target", {"node"});
    });
    each(animation, "samplers", path + ".", [](const json& sampler, const std::string& at) {
        fields(sampler, at, {"input", "output"});
    });
}

} // namespace

void refuseInexactIntegers(const json& document) {
    fields(document, "", {"scene"});
    each(document, "accessors", "", checkAccessor);
    each(document, "bufferViews", "", checkBufferView);
    each(document, "buffers", "", [](const json& buffer, const std::string& path) {
        fields(buffer, path, {"byteLength"}, sizeMax);
    });
    each(document, "meshes", "", [](const json& mesh, const std::string& path) {
        each(mesh, "primitives", path + ".", checkPrimitive);
    });
    each(document, "nodes", "", [](const json& node, const std::string& path) {
        fields(node, path, {"mesh", "skin", "camera"});
        allValues(member(node, "children"), path + ".children");
    });
    each(document, "scenes", "", [](const json& scene, const std::string& path) {
        allValues(member(scene, "nodes"), path + ".nodes");
    });
    each(document, "skins", "", [](const json& skin, const std::string& path) {
        fields(skin, path, {"skeleton", "inverseBindMatrices"});
        allValues(member(skin, "joints"), path + ".joints");
    });
    each(document, "animations", "", checkAnimation);
}
