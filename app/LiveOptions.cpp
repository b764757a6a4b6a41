#include "app/LiveOptions.h"

#include <charconv>

namespace {

std::uint16_t port(const std::string& option, const std::string& text,
                   const std::function<void(const std::string&)>& refuse) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535)
        refuse(option + " takes a port from 1 to 65535, not \"" + text + "\"");
    return static_cast<std::uint16_t>(value);
}

} // namespace

bool parseLiveOption(const std::string& argument, const std::function<const std::string&()>& value,
                     const std::function<void(const std::string&)>& refuse,
                     std::optional<LiveOptions>& live) {
    if (argument == "--live") {
        if (!live)
            live.emplace();
        return true;
    }
    const bool liveOnly = argument == "--llf-port" || argument == "--vmc-port" ||
                          argument == "--bind" || argument == "--subject" || argument == "--record";
    if (!liveOnly)
        return false;
    if (!live)
        live.emplace(); // checked once all arguments are read: --live must be among them
    const std::string& text = value();
    if (argument == "--llf-port")
        live->listen.liveLinkFacePort = port(argument, text, refuse);
    else if (argument == "--vmc-port")
        live->listen.vmcPort = port(argument, text, refuse);
    else if (argument == "--bind")
        live->listen.bindAddress = text;
    else if (argument == "--subject")
        live->listen.subject = text;
    else if (text.empty())
        refuse("--record needs a file name");
    else
        live->record = text;
    return true;
}
