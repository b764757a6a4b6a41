#include "FuzzTargets.h"
#include "InMemoryFile.h"
#include "common/DemoError.h"
#include "ui/MorphGroupFile.h"
#include "ui/XmlNesting.h"

#include <string>
#include <tinyxml.h>
#include <utility>
#include <vector>

namespace {

// How deep the tree that TinyXML built (completely or up to its error) nests its elements.
std::size_t treeDepth(const TiXmlNode& root) {
    std::size_t deepest = 0;
    std::vector<std::pair<const TiXmlNode*, std::size_t>> pending{{&root, 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
            pending.emplace_back(child, child->ToElement() ? depth + 1 : depth);
    }
    return deepest;
}

// The walk that guards TinyXML against deep documents must never see less nesting than TinyXML
// itself builds: below the reader's limit both are cheap, so they are compared directly.
void checkNestingWalk(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t limit = 64;
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    const XmlNesting walked = measureXmlNesting(text, limit);
    if (walked.depth > limit || walked.encodingUnclear)
        return;
    text.append(4, '\0'); // as the reader hands it over: no step may leave the buffer
    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    if (treeDepth(document) > walked.depth)
        throw FuzzFinding("morph group file reader: TinyXML nests " +
                          std::to_string(treeDepth(document)) + " levels deep where the walk saw " +
                          std::to_string(walked.depth));
}

} // namespace

// Crashes and sanitizer reports are the findings of the reader itself: the groups of an
// accepted file have no property that the bytes alone would let this target check.
void fuzzMorphGroupFile(std::span<const std::uint8_t> bytes) {
    static InMemoryFile file;
    file.replace(bytes);
    try {
        loadMorphGroups(file.path());
    } catch (const DemoError&) {
    }
    checkNestingWalk(bytes);
}
