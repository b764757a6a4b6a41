#include "model/MorphGroupFileWriter.h"

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            // A reader turns a raw carriage return into a line end.
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::string encodeMorphGroupFile(const std::vector<MorphGroup>& groups) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MorphGroups>\n";
    for (const MorphGroup& group : groups) {
        xml += "    <Group name=\"" + escaped(group.name) + "\">\n";
        for (const std::string& target : group.targetNames)
            xml += "        <Target name=\"" + escaped(target) + "\"/>\n";
        xml += "    </Group>\n";
    }
    xml += "</MorphGroups>\n";
    return xml;
}
