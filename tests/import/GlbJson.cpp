#include "GlbJson.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {

std::uint32_t wordAt(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

void appendWord(std::string& bytes, std::uint32_t value) {
    bytes.append(reinterpret_cast<const char*>(&value), 4);
}

} // namespace

std::string editedGlb(const std::string& glb, const std::function<void(nlohmann::json&)>& edit) {
    if (glb.size() < 20 || glb.compare(0, 4, "glTF") != 0)
        throw std::invalid_argument("not a .glb");
    const std::uint32_t jsonLength = wordAt(glb, 12);
    nlohmann::json document = nlohmann::json::parse(glb.substr(20, jsonLength));
    edit(document);
    std::string text = document.dump();
    while (text.size() % 4 != 0)
        text.push_back(' ');
    const std::string rest = glb.substr(20 + jsonLength);
    std::string out = "glTF";
    appendWord(out, 2);
    appendWord(out, static_cast<std::uint32_t>(12 + 8 + text.size() + rest.size()));
    appendWord(out, static_cast<std::uint32_t>(text.size()));
    appendWord(out, 0x4E4F534A);
    return out + text + rest;
}
