#include "video/OutputKind.h"

#include "common/DemoError.h"
#include "common/LowerCase.h"

OutputKind outputKindOf(const std::filesystem::path& out) {
    const std::string text = out.string();
    if (!text.empty() && (text.back() == '/' || std::filesystem::is_directory(out)))
        return OutputKind::PngFolder;
    const std::string extension = lowerCase(out.extension().string());
    if (extension == ".mp4")
        return OutputKind::Mp4;
    if (extension == ".mkv")
        return OutputKind::Matroska;
    throw DemoError("cannot tell what to write to \"" + text +
                    "\": name it .mp4 or .mkv for a video, or end it with / for a folder of PNG "
                    "frames");
}
