#include "play/TargetBinding.h"

#include "common/DataFile.h"
#include "common/DemoError.h"
#include "common/LowerCase.h"

#include <charconv>
#include <cmath>
#include <fstream>

TargetBinding::TargetBinding(const std::vector<std::string>& targetNames, NameMap map)
    : map_(std::move(map)) {
    for (std::size_t target = 0; target < targetNames.size(); ++target)
        targetOfLowerName_.emplace(lowerCase(targetNames[target]),
                                   static_cast<std::int32_t>(target));
}

TargetBinding::Bound TargetBinding::bind(std::string_view name) const {
    std::string lower = lowerCase(name);
    float scale = 1.0f;
    if (const auto mapped = map_.find(lower); mapped != map_.end()) {
        lower = lowerCase(mapped->second.target);
        scale = mapped->second.scale;
    }
    const auto found = targetOfLowerName_.find(lower);
    return found == targetOfLowerName_.end() ? Bound{} : Bound{found->second, scale};
}

namespace {

std::vector<std::string> mapFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    for (const char c : line + ",") {
        if (c == ',' || c == ' ' || c == '\t' || c == '\r') {
            if (!field.empty())
                fields.push_back(std::move(field));
            field.clear();
        } else {
            field += c;
        }
    }
    return fields;
}

} // namespace

NameMap readNameMap(const std::filesystem::path& path) {
    if (const auto reason = whyNotARegularFile(path))
        throw DemoError(path.string() + ": cannot open name map: " + *reason);
    std::ifstream in(path);
    if (!in)
        throw DemoError(path.string() + ": cannot open name map");
    NameMap map;
    std::string line;
    std::size_t lineNumber = 0;
    const auto fail = [&](const std::string& fault) {
        throw DemoError(path.string() + ":" + std::to_string(lineNumber) + ": " + fault);
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (lineNumber > 100000)
            fail("more than 100000 lines: not a name map");
        const std::vector<std::string> fields = mapFields(line);
        if (fields.empty() || fields.front().starts_with('#'))
            continue;
        if (fields.size() < 2 || fields.size() > 3)
            fail("a line takes an incoming name, a target name and an optional scale");
        NameMapping mapping{fields[1], 1.0f};
        if (fields.size() == 3) {
            const std::string& text = fields[2];
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), mapping.scale);
            if (error != std::errc() || end != text.data() + text.size() ||
                !(std::abs(mapping.scale) <= 100.0f))
                fail("the scale \"" + text + "\" is not a number from -100 to 100");
        }
        if (!map.emplace(lowerCase(fields[0]), mapping).second)
            fail("\"" + fields[0] + "\" is mapped twice");
    }
    if (in.bad())
        throw DemoError(path.string() + ": cannot read name map");
    return map;
}
