#include "HeadJoints.h"

#include "ImportError.h"
#include "common/LowerCase.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>

namespace {

using tinygltf::Model;
using tinygltf::Value;

// Rig conventions, best first, in lower case and without a namespace ("mixamorig:").
constexpr std::array<std::string_view, 14> headNames{
    "head",       "j_bip_c_head", "cc_base_head", "bip01 head",    "bip001 head",
    "bip01_head", "bip001_head",  "def-head",     "head.x",        "c_head",
    "head_jnt",   "head_joint",   "b_head",       "mixamorig_head"};
constexpr std::array<std::string_view, 17> neckNames{
    "neck",         "j_bip_c_neck",  "cc_base_necktwist01",
    "cc_base_neck", "bip01 neck",    "bip001 neck",
    "bip01_neck",   "bip001_neck",   "def-neck",
    "neck.x",       "c_neck",        "neck_01",
    "neck01",       "neck1",         "neck_jnt",
    "neck_joint",   "mixamorig_neck"};

// The name's rank in `names`, if it is one of them.
template <std::size_t N>
std::optional<std::size_t> rankOf(std::string name, const std::array<std::string_view, N>& names) {
    name = lowerCase(name);
    if (const auto cut = name.find_last_of(":|"); cut != std::string::npos)
        name.erase(0, cut + 1);
    const auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - names.begin());
}

std::optional<int> nodeNumber(const Model& model, const Value& value, const std::string& what) {
    if (!value.IsNumber())
        return std::nullopt;
    const int node = value.GetNumberAsInt();
    if (node < 0 || static_cast<std::size_t>(node) >= model.nodes.size())
        throw ImportError(what + " names node " + std::to_string(node) + ", which does not exist");
    return node;
}

// The humanoid's node for `bone` ("head", "neck"), VRM 1.0 first.
std::optional<int> vrmBone(const Model& model, const std::string& bone) {
    if (const auto vrm1 = model.extensions.find("VRMC_vrm"); vrm1 != model.extensions.end()) {
        const Value& entry = vrm1->second.Get("humanoid").Get("humanBones").Get(bone);
        if (entry.IsObject())
            return nodeNumber(model, entry.Get("node"), "VRMC_vrm humanoid bone \"" + bone + "\"");
    }
    if (const auto vrm0 = model.extensions.find("VRM"); vrm0 != model.extensions.end()) {
        const Value& bones = vrm0->second.Get("humanoid").Get("humanBones");
        for (std::size_t i = 0; bones.IsArray() && i < bones.ArrayLen(); ++i) {
            const Value& entry = bones.Get(static_cast<int>(i));
            const Value& name = entry.Get("bone");
            if (name.IsString() && name.Get<std::string>() == bone)
                return nodeNumber(model, entry.Get("node"), "VRM humanoid bone \"" + bone + "\"");
        }
    }
    return std::nullopt;
}

std::set<int> skinJoints(const Model& model) {
    std::set<int> joints;
    for (const tinygltf::Skin& skin : model.skins)
        joints.insert(skin.joints.begin(), skin.joints.end());
    return joints;
}

// The best node named as `names` name a joint and for which `fits` holds: a skin's joint
// first, then the better name, then the earlier node.
template <std::size_t N, typename Fits>
int byName(const Model& model, const std::array<std::string_view, N>& names, Fits fits) {
    const std::set<int> joints = skinJoints(model);
    int best = -1;
    std::tuple<bool, std::size_t> bestKey{};
    for (std::size_t n = 0; n < model.nodes.size(); ++n) {
        const auto node = static_cast<int>(n);
        const std::optional<std::size_t> rank = rankOf(model.nodes[n].name, names);
        if (!rank || model.nodes[n].mesh >= 0 || !fits(node))
            continue;
        const std::tuple<bool, std::size_t> key{!joints.contains(node), *rank};
        if (best < 0 || key < bestKey) {
            best = node;
            bestKey = key;
        }
    }
    return best;
}

} // namespace

std::vector<int> nodeParents(const Model& model) {
    std::vector<int> parents(model.nodes.size(), -1);
    for (std::size_t n = 0; n < model.nodes.size(); ++n)
        for (const int child : model.nodes[n].children)
            if (child >= 0 && static_cast<std::size_t>(child) < parents.size())
                parents[static_cast<std::size_t>(child)] = static_cast<int>(n);
    return parents;
}

bool isAtOrBelow(const std::vector<int>& parents, int node, int ancestor) {
    // A cycle (which the scene reader refuses) cannot loop here: no chain is longer than this.
    for (std::size_t steps = 0; node >= 0 && steps <= parents.size(); ++steps) {
        if (node == ancestor)
            return true;
        node = parents[static_cast<std::size_t>(node)];
    }
    return false;
}

std::string nodeLabel(const Model& model, int node) {
    std::string name = model.nodes[static_cast<std::size_t>(node)].name;
    if (name.empty())
        return "node " + std::to_string(node);
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            c = '_';
    return name;
}

HeadJoints findHeadJoints(const Model& model) {
    HeadJoints joints;
    const std::vector<int> parents = nodeParents(model);
    const auto aboveHead = [&](int node) {
        return joints.head >= 0 && node != joints.head && isAtOrBelow(parents, joints.head, node);
    };
    if (const std::optional<int> head = vrmBone(model, "head")) {
        joints.head = *head;
        joints.fromVrm = true;
        if (const std::optional<int> neck = vrmBone(model, "neck"); neck && aboveHead(*neck))
            joints.neck = *neck;
    } else {
        joints.head = byName(model, headNames, [](int) { return true; });
    }
    if (joints.head >= 0 && joints.neck < 0)
        joints.neck = byName(model, neckNames, aboveHead);
    return joints;
}
