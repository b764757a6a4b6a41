#include "TargetGroups.h"

#include <array>
#include <cctype>
#include <string_view>

namespace {

struct PrefixGroup {
    std::string_view prefix;
    std::string_view group;
};

constexpr std::array<PrefixGroup, 7> arkitGroups{{{"brow", "Brows"},
                                                  {"eye", "Eyes"},
                                                  {"cheek", "Cheeks"},
                                                  {"nose", "Nose"},
                                                  {"jaw", "Jaw"},
                                                  {"mouth", "Mouth"},
                                                  {"tongue", "Tongue"}}};

bool hasPrefix(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != prefix[i])
            return false;
    // A word boundary follows: "eyeBlink" and "Eye_Blink", but not "eyebrow".
    const auto next = static_cast<unsigned char>(name[prefix.size()]);
    return std::isupper(next) || !std::isalpha(next);
}

} // namespace

std::vector<MorphGroup> groupTargets(const std::vector<std::string>& targetNames,
                                     const std::vector<std::string>& targetMeshes) {
    std::vector<MorphGroup> groups;
    for (const PrefixGroup& entry : arkitGroups)
        groups.push_back({std::string(entry.group), {}});
    const auto groupNamed = [&](const std::string& name) -> MorphGroup& {
        for (MorphGroup& group : groups)
            if (group.name == name)
                return group;
        return groups.emplace_back(MorphGroup{name, {}});
    };
    for (std::size_t i = 0; i < targetNames.size(); ++i) {
        const std::string& name = targetNames[i];
        std::string group = targetMeshes[i].empty() ? "Other" : targetMeshes[i];
        for (const PrefixGroup& entry : arkitGroups)
            if (hasPrefix(name, entry.prefix))
                group = entry.group;
        groupNamed(group).targetNames.push_back(name);
    }
    std::erase_if(groups, [](const MorphGroup& group) { return group.targetNames.empty(); });
    return groups;
}
