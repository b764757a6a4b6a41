#include "app/PlayerOptions.h"

#include "common/DemoError.h"

#include <charconv>
#include <cmath>

namespace {

[[noreturn]] void refuse(const std::string& what) {
    throw DemoError(what + "; " + playerUsage);
}

float headScale(const std::string& text) {
    float scale = 0.0f;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), scale);
    if (error != std::errc() || end != text.data() + text.size() || !(scale >= 0.0f) ||
        scale > 4.0f)
        refuse("--head-scale takes a number from 0 to 4, not \"" + text + "\"");
    return scale;
}

} // namespace

PlayerOptions parsePlayerOptions(const std::vector<std::string>& arguments) {
    PlayerOptions options;
    std::vector<std::pair<std::string, std::string>> renderArguments;
    bool sawLive = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 == arguments.size())
                refuse(argument + " needs a value");
            return arguments[++i];
        };
        if (parseLiveOption(argument, value, refuse, options.live)) {
            if (argument == "--live")
                sawLive = true;
        } else if (argument == "--map") {
            options.nameMap = value();
            if (options.nameMap.empty())
                refuse("--map needs a file name");
        } else if (argument == "--no-mirror") {
            options.headTurn.mirror = false;
        } else if (argument == "--head") {
            const std::string& state = value();
            if (state != "on" && state != "off")
                refuse("--head takes on or off, not \"" + state + "\"");
            options.headTurn.enabled = state == "on";
        } else if (argument == "--head-scale") {
            options.headTurn.scale = headScale(value());
        } else if (argument == "--smooth") {
            const std::string& level = value();
            options.smoothing = smoothingNamed(level);
            if (!options.smoothing)
                refuse("--smooth takes off, light, default or strong, not \"" + level + "\"");
        } else if (isRenderOption(argument)) {
            const std::string& given = value();
            renderArguments.emplace_back(argument, given);
        } else if (argument.rfind("--", 0) == 0 || !options.recording.empty()) {
            refuse("unexpected \"" + argument + "\"");
        } else {
            options.recording = argument;
        }
    }
    if (options.live && !sawLive)
        refuse("--llf-port, --vmc-port, --bind, --subject and --record need --live");
    if (options.live && !options.recording.empty())
        refuse("a recording and --live cannot play at once");
    if (!options.live && options.recording.empty())
        refuse("no recording named");
    options.render = parseRenderOptions(renderArguments);
    if (options.live && options.render)
        refuse("a live stream cannot be rendered: record it with --record, then render the take");
    return options;
}
