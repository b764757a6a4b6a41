#include "app/RenderOptions.h"

#include "common/DemoError.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr const char* renderOptionNames[] = {"--render", "--fps",   "--crf",
                                             "--size",   "--audio", "--audio-offset"};
constexpr std::int32_t maxFramesPerSecond = 240;
constexpr std::int32_t minSide = 16;
constexpr std::int32_t maxSide = 7680;
constexpr double maxAudioOffsetSeconds = 86400.0;

[[noreturn]] void refuse(const std::string& what) {
    throw DemoError(what + "; " + renderUsage);
}

template <typename Number> std::optional<Number> wholeNumber(std::string_view text) {
    Number number{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

std::int32_t integerIn(const std::string& option, const std::string& text, std::int32_t low,
                       std::int32_t high) {
    const std::optional<std::int32_t> number = wholeNumber<std::int32_t>(text);
    if (!number || *number < low || *number > high)
        refuse(option + " takes a whole number from " + std::to_string(low) + " to " +
               std::to_string(high) + ", not \"" + text + "\"");
    return *number;
}

PixelSize pixelSize(const std::string& text) {
    const std::size_t cross = text.find('x');
    const auto side = [&](std::string_view part) { return wholeNumber<std::int32_t>(part); };
    const std::optional<std::int32_t> width =
        cross == std::string::npos ? std::nullopt : side(std::string_view(text).substr(0, cross));
    const std::optional<std::int32_t> height =
        cross == std::string::npos ? std::nullopt : side(std::string_view(text).substr(cross + 1));
    if (!width || !height || *width < minSide || *height < minSide || *width > maxSide ||
        *height > maxSide)
        refuse("--size takes WIDTHxHEIGHT, each from " + std::to_string(minSide) + " to " +
               std::to_string(maxSide) + " pixels, not \"" + text + "\"");
    return {*width, *height};
}

double seconds(const std::string& text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        std::abs(value) > maxAudioOffsetSeconds)
        refuse("--audio-offset takes seconds (negative cuts the sound's start), not \"" + text +
               "\"");
    return value;
}

} // namespace

bool isRenderOption(const std::string& argument) {
    return std::find(std::begin(renderOptionNames), std::end(renderOptionNames), argument) !=
           std::end(renderOptionNames);
}

bool asksForRender(const std::vector<std::string>& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), isRenderOption);
}

std::optional<RenderOptions>
parseRenderOptions(const std::vector<std::pair<std::string, std::string>>& options) {
    if (options.empty())
        return std::nullopt;
    RenderOptions render;
    bool hasOut = false;
    bool hasOffset = false;
    for (const auto& [option, value] : options) {
        if (option == "--render") {
            if (value.empty())
                refuse("--render needs a file or folder to write");
            render.out = value;
            hasOut = true;
        } else if (option == "--fps") {
            render.framesPerSecond = integerIn(option, value, 1, maxFramesPerSecond);
        } else if (option == "--crf") {
            render.crf = integerIn(option, value, 0, 51);
        } else if (option == "--size") {
            render.size = pixelSize(value);
        } else if (option == "--audio") {
            render.audio = value;
        } else if (option == "--audio-offset") {
            render.audioOffsetSeconds = seconds(value);
            hasOffset = true;
        }
    }
    if (!hasOut)
        refuse(options.front().first + " is for a render: say where with --render");
    render.kind = outputKindOf(render.out);
    if (hasOffset && !render.audio)
        refuse("--audio-offset shifts the sound of --audio, and none is given");
    if (render.kind == OutputKind::PngFolder && render.audio)
        refuse("a folder of PNG frames has no sound: render to .mp4 or .mkv for --audio");
    if (render.kind != OutputKind::PngFolder &&
        (render.size.width % 2 != 0 || render.size.height % 2 != 0))
        refuse("H.264 video needs an even width and height, not --size " +
               std::to_string(render.size.width) + "x" + std::to_string(render.size.height));
    return render;
}
