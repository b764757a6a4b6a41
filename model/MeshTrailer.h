#pragma once

#include <cstdint>
#include <string_view>

// The optional part of a mesh file after the static indices, which readers of the plain format
// never look at: a chain of blocks, each an 8-byte tag ("MRLD" and four letters), an int32
// version, a uint32 byte length and that many bytes. A reader skips a block whose tag or version
// it does not know, so a later block never breaks an earlier reader; a block's contents must
// fill its length exactly. Bytes after the static indices that do not begin with "MRLD" are not
// a trailer and are left alone.
inline constexpr std::string_view trailerTagPrefix{"MRLD", 4};
inline constexpr std::uint32_t trailerBlockHeaderBytes = 16;

// Both meshes' levels of detail: per mesh (head, then static) a level count and per level its
// error, its index count and its indices.
inline constexpr std::string_view detailBlockTag{"MRLDLODS", 8};
inline constexpr std::int32_t detailBlockVersion = 2;
// The first files had the levels alone after the static indices: the tag, version 1 and the
// levels, without a length. Still read; nothing follows them.
inline constexpr std::int32_t lengthlessDetailVersion = 1;

// How the head turns: the pivot (3 floats), the head's vertex count and a weight per vertex,
// the static mesh's vertex count and a weight per vertex, each weight in 0..1.
inline constexpr std::string_view turnBlockTag{"MRLDTURN", 8};
inline constexpr std::int32_t turnBlockVersion = 1;
