#include "ui/MorphGroupFile.h"

#include "common/DataFile.h"
#include "common/DemoError.h"
#include "ui/XmlNesting.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>
#include <tinyxml.h>

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw DemoError(path + ": " + what);
}

// The longest UTF-8 sequence a lead byte can announce.
constexpr std::size_t maxUtf8SequenceBytes = 4;

// A group file nests three levels: <MorphGroups>, a group, a target. Much deeper documents are
// refused before the parser sees them: it recurses once per level, and some 37,000 levels
// overflow the stack.
constexpr std::size_t maxElementDepth = 16;

void requireShallowNesting(const std::string& path, const std::string& text) {
    const XmlNesting nesting = measureXmlNesting(text.c_str(), maxElementDepth);
    if (nesting.encodingUnclear)
        fail(path, "the XML declaration spells its encoding with character references");
    if (nesting.depth > maxElementDepth)
        fail(path, "elements nest deeper than " + std::to_string(maxElementDepth) +
                       " levels (row " + std::to_string(nesting.row) +
                       "); a group file needs three");
}

// What the parser reports for a file without any element, in plain words.
std::string emptyDocumentReason(const std::string& text) {
    const bool blank =
        text.find_first_not_of(std::string(" \t\n\v\f", 5) + '\0') == std::string::npos;
    return blank ? "the file is empty" : "is not XML: it does not begin with an element";
}

// The file's text as TinyXML's own file loading would hand it to the parser: up to the first
// zero byte, line ends made "\n". TinyXML steps over a UTF-8 sequence by the length its lead
// byte announces, even when the terminating zero lies inside it, and then parses whatever memory
// follows its buffer; the text is therefore followed by enough zero bytes for any such step to
// land on one. Zero bytes that end a file are left off as that loader leaves them; one with
// text after it is refused, as the loader would drop that text without a word.
std::string readDocumentText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail(path, "cannot be opened: " + std::generic_category().message(errno));
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        fail(path, "cannot be read");
    const std::size_t firstZero = bytes.find('\0');
    if (firstZero != std::string::npos) {
        if (bytes.find_first_not_of('\0', firstZero) != std::string::npos)
            fail(path, "a zero byte at offset " + std::to_string(firstZero) +
                           " has text after it; zero bytes may only end the file");
        bytes.resize(firstZero);
    }

    std::string text;
    text.reserve(bytes.size() + maxUtf8SequenceBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char byte = bytes[i];
        if (byte == '\r') {
            text += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            text += byte;
        }
    }
    text.append(maxUtf8SequenceBytes, '\0');
    return text;
}

// Comments may stand anywhere among groups and targets (a commented-out target among them);
// they are passed over.
const TiXmlNode* skipComments(const TiXmlNode* node) {
    while (node != nullptr && node->ToComment() != nullptr)
        node = node->NextSibling();
    return node;
}

// Every other child walked here must be an element with a "name": text or markup in those
// places would otherwise be read as nameless groups or targets.
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
         node = skipComments(node->NextSibling()))
        names.push_back(nameOf(node, path, "target"));
    return names;
}

} // namespace

std::vector<MorphGroup> loadMorphGroups() {
    return loadMorphGroups(morphGroupFilePath);
}

std::vector<MorphGroup> loadMorphGroups(const std::string& path) {
    // Only a regular file has a known end: a directory cannot be read and a device may not end.
    if (const auto reason = whyNotARegularFile(path))
        fail(path, *reason);

    const std::string text = readDocumentText(path);
    requireShallowNesting(path, text);
    TiXmlDocument document(path);
    document.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    if (document.Error()) {
        if (document.ErrorId() == TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY)
            fail(path, emptyDocumentReason(text));
        std::string reason = document.ErrorDesc();
        if (document.ErrorRow() > 0)
            reason += " (row " + std::to_string(document.ErrorRow()) + ")";
        fail(path, reason);
    }

    const TiXmlElement* groupList = document.FirstChildElement("MorphGroups");
    if (groupList == nullptr)
        fail(path, "no top-level <MorphGroups>");

    std::vector<MorphGroup> groups;
    for (const TiXmlNode* node = skipComments(groupList->FirstChild()); node != nullptr;
         node = skipComments(node->NextSibling())) {
        MorphGroup group;
        group.name = nameOf(node, path, "group");
        group.targetNames = readTargetNames(node, path);
        groups.push_back(std::move(group));
    }
    return groups;
}
