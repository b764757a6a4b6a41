#include "ui/MorphGroupFile.h"

#include "common/DemoError.h"

#include <filesystem>
#include <system_error>
#include <tinyxml.h>

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw DemoError(path + ": " + what);
}

// Every child walked here must be an element with a "name": comments or text in those places
// would otherwise be read as nameless groups or targets.
std::string nameOf(const TiXmlNode* node, const std::string& path, const char* role) {
    const TiXmlElement* element = node->ToElement();
    if (element == nullptr)
        fail(path, std::string("a non-element node stands where a ") + role + " is expected (row " +
                       std::to_string(node->Row()) + ")");
    const char* name = element->Attribute("name");
    if (name == nullptr)
        fail(path, std::string("<") + element->Value() + "> " + role + " has no \"name\" (row " +
                       std::to_string(element->Row()) + ")");
    return name;
}

// Targets are read from the group's first <Target> on; children before it are not part of the
// list, so they may be anything.
std::vector<std::string> readTargetNames(const TiXmlNode* group, const std::string& path) {
    std::vector<std::string> names;
    for (const TiXmlNode* node = group->FirstChildElement("Target"); node != nullptr;
         node = node->NextSibling())
        names.push_back(nameOf(node, path, "target"));
    return names;
}

} // namespace

std::vector<MorphGroup> loadMorphGroups() {
    return loadMorphGroups(morphGroupFilePath);
}

std::vector<MorphGroup> loadMorphGroups(const std::string& path) {
    // TinyXML sizes its buffer from ftell, which is meaningless for a directory or a device.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status))
        fail(path, "file not found");
    if (!std::filesystem::is_regular_file(status))
        fail(path, "not a regular file");

    TiXmlDocument document(path);
    if (!document.LoadFile()) {
        std::string reason = document.ErrorDesc();
        if (document.ErrorRow() > 0)
            reason += " (row " + std::to_string(document.ErrorRow()) + ")";
        fail(path, reason);
    }

    const TiXmlElement* groupList = document.FirstChildElement("MorphGroups");
    if (groupList == nullptr)
        fail(path, "no top-level <MorphGroups>");

    std::vector<MorphGroup> groups;
    for (const TiXmlNode* node = groupList->FirstChild(); node != nullptr;
         node = node->NextSibling()) {
        MorphGroup group;
        group.name = nameOf(node, path, "group");
        group.targetNames = readTargetNames(node, path);
        groups.push_back(std::move(group));
    }
    return groups;
}
