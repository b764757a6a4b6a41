#pragma once

#include <filesystem>

// What a render writes, told by how OUT is named: OUT.mp4, OUT.mkv, or a folder of numbered PNG
// frames named with a trailing slash (or an existing folder).
enum class OutputKind { Mp4, Matroska, PngFolder };

// Throws DemoError naming OUT for any other name.
OutputKind outputKindOf(const std::filesystem::path& out);
