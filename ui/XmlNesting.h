#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// TinyXML parses nested elements by recursion, one stack frame chain per level, so a document
// nested some ten thousand levels deep overflows the stack, and long before that takes seconds.
// This walks `text` the way TinyXML's parser does, without recursion, and tells how deep its
// elements nest: it follows the same tokens (comments, CDATA, declarations and the encoding they
// switch to, quoted and unquoted attribute values, character references) so that no document
// can nest deeper in TinyXML than it does here. It stops where TinyXML would stop with an error.
// `text` is what TinyXML will be handed, up to its terminating zero.
struct XmlNesting {
    std::size_t depth = 0; // the deepest element nesting, or the first depth beyond the limit
    int row = 0;           // where that depth was reached, counted from 1
    // The XML declaration names its encoding with character references: whether the parser
    // reads the rest as UTF-8 cannot be told, and the walk stopped there.
    bool encodingUnclear = false;
};

// Walks until the nesting exceeds maxDepth; the result then holds maxDepth + 1.
XmlNesting measureXmlNesting(std::string_view text, std::size_t maxDepth);
