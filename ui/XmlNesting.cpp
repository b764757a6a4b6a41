#include "ui/XmlNesting.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr std::size_t npos = std::string_view::npos;

// TinyXML's notion of space: the C library's, plus the line ends.
bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0 || c == '\n' || c == '\r';
}

// Any byte above ASCII counts as a letter of a name.
bool isNameStart(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 127 || std::isalpha(byte) != 0 || c == '_';
}

bool isNameChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 127 || std::isalnum(byte) != 0 || c == '_' || c == '-' || c == '.' || c == ':';
}

bool equalIgnoringCase(std::string_view text, std::string_view lowerCase) {
    return text.size() >= lowerCase.size() &&
           std::equal(lowerCase.begin(), lowerCase.end(), text.begin(), [](char want, char have) {
               return want == std::tolower(static_cast<unsigned char>(have));
           });
}

// How many bytes a UTF-8 lead byte announces; the parser steps over that many in text and
// attribute values, whatever they are.
std::size_t utf8SequenceLength(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0xC2 && byte <= 0xDF)
        return 2;
    if (byte >= 0xE0 && byte <= 0xEF)
        return 3;
    if (byte >= 0xF0 && byte <= 0xF4)
        return 4;
    return 1;
}

class NestingWalk {
  public:
    NestingWalk(std::string_view text, std::size_t maxDepth) : text_(text), maxDepth_(maxDepth) {}

    XmlNesting run() {
        constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
        if (text_.starts_with(byteOrderMark))
            utf8_ = true;
        while (deepest_.depth <= maxDepth_ && walkOneNode()) {
        }
        return deepest_;
    }

  private:
    char at(std::size_t position) const { return position < text_.size() ? text_[position] : '\0'; }
    bool startsWith(std::string_view prefix) const {
        return text_.substr(std::min(pos_, text_.size())).starts_with(prefix);
    }

    void skipSpace() {
        while (pos_ < text_.size()) {
            // In UTF-8 the parser also takes byte order marks and two non-characters for space.
            if (utf8_ && (startsWith("\xEF\xBB\xBF") || startsWith("\xEF\xBF\xBE") ||
                          startsWith("\xEF\xBF\xBF"))) {
                pos_ += 3;
            } else if (isSpace(text_[pos_])) {
                ++pos_;
            } else {
                break;
            }
        }
    }

    bool readName() {
        if (!isNameStart(at(pos_)))
            return false;
        while (isNameChar(at(pos_)))
            ++pos_;
        return true;
    }

    // One character of text or of an attribute value: a character reference "&#...;" is taken
    // up to the first ';' after it, checked only back to its last 'x' or '#', so it can swallow
    // markup; in UTF-8 a lead byte takes its whole announced sequence. False where the parser
    // fails.
    bool stepCharacter() {
        const char c = text_[pos_];
        if (c == '&' && at(pos_ + 1) == '#' && at(pos_ + 2) != '\0') {
            const bool hex = at(pos_ + 2) == 'x';
            if (hex && at(pos_ + 3) == '\0')
                return false;
            const std::size_t semicolon = text_.find(';', pos_ + (hex ? 3 : 2));
            if (semicolon == npos)
                return false;
            for (std::size_t q = semicolon - 1; text_[q] != (hex ? 'x' : '#'); --q) {
                const auto digit = static_cast<unsigned char>(text_[q]);
                if (hex ? std::isxdigit(digit) == 0 : std::isdigit(digit) == 0)
                    return false;
            }
            pos_ = semicolon + 1;
            return true;
        }
        pos_ += utf8_ ? utf8SequenceLength(c) : 1;
        return true;
    }

    // Element content up to the next '<'.
    bool skipText() {
        while (pos_ < text_.size() && text_[pos_] != '<') {
            if (isSpace(text_[pos_]))
                ++pos_;
            else if (!stepCharacter())
                return false;
        }
        return pos_ < text_.size();
    }

    bool skipPast(std::string_view end, std::size_t from) {
        const std::size_t found = text_.find(end, from);
        if (found == npos)
            return false;
        pos_ = found + end.size();
        return true;
    }

    // name = value, the value quoted or (leniently) not; `value` gets its raw bytes.
    bool readAttribute(std::string_view* value = nullptr) {
        skipSpace();
        if (!readName())
            return false;
        skipSpace();
        if (at(pos_) != '=')
            return false;
        ++pos_;
        skipSpace();
        const char quote = at(pos_);
        if (quote == '"' || quote == '\'') {
            const std::size_t start = ++pos_;
            while (pos_ < text_.size() && text_[pos_] != quote) {
                if (!stepCharacter())
                    return false;
            }
            if (pos_ >= text_.size())
                return false;
            if (value != nullptr)
                *value = text_.substr(start, pos_ - start);
            ++pos_;
            return true;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isSpace(text_[pos_]) && text_[pos_] != '/' &&
               text_[pos_] != '>') {
            if (text_[pos_] == '"' || text_[pos_] == '\'')
                return false;
            ++pos_;
        }
        if (value != nullptr)
            *value = text_.substr(start, pos_ - start);
        return pos_ < text_.size();
    }

    // "<?xml ... >": the first one at the top decides whether the rest is read as UTF-8.
    bool readDeclaration() {
        const bool decidesEncoding = open_.empty() && !encodingDecided_;
        encodingDecided_ = encodingDecided_ || open_.empty();
        std::string_view encoding;
        bool encodingQuoted = false;
        pos_ += 5;
        while (pos_ < text_.size()) {
            if (text_[pos_] == '>') {
                ++pos_;
                if (decidesEncoding && !utf8_) {
                    // The parser decodes references in a quoted name before it compares it.
                    if (encodingQuoted && encoding.find('&') != npos) {
                        deepest_.encodingUnclear = true;
                        return false;
                    }
                    utf8_ = encoding.empty() || equalIgnoringCase(encoding, "utf-8") ||
                            equalIgnoringCase(encoding, "utf8");
                }
                return true;
            }
            skipSpace();
            const std::string_view rest = text_.substr(pos_);
            if (equalIgnoringCase(rest, "version") || equalIgnoringCase(rest, "standalone")) {
                if (!readAttribute())
                    return false;
            } else if (equalIgnoringCase(rest, "encoding")) {
                if (!readAttribute(&encoding))
                    return false;
                encodingQuoted = text_[pos_ - 1] == '"' || text_[pos_ - 1] == '\'';
            } else {
                while (pos_ < text_.size() && text_[pos_] != '>' && !isSpace(text_[pos_]))
                    ++pos_;
            }
        }
        return false;
    }

    // A start tag; an element that is not empty opens a level. The parser's frame for the
    // element counts from its '<' on, empty, broken or not.
    bool readStartTag() {
        reached(open_.size() + 1);
        ++pos_;
        skipSpace();
        const std::size_t nameStart = pos_;
        if (!readName())
            return false;
        const std::string_view name = text_.substr(nameStart, pos_ - nameStart);
        for (;;) {
            skipSpace();
            if (pos_ >= text_.size())
                return false;
            if (text_[pos_] == '/') {
                if (at(pos_ + 1) != '>')
                    return false;
                pos_ += 2;
                return true;
            }
            if (text_[pos_] == '>') {
                ++pos_;
                open_.push_back(name);
                return true;
            }
            if (!readAttribute())
                return false;
        }
    }

    // The node at '<', as the parser tells them apart.
    bool readNode() {
        if (equalIgnoringCase(text_.substr(pos_), "<?xml"))
            return readDeclaration();
        if (startsWith("<!--"))
            return skipPast("-->", pos_ + 4);
        if (startsWith("<![CDATA["))
            return skipPast("]]>", pos_ + 9);
        if (!startsWith("<!") && (isNameStart(at(pos_ + 1))))
            return readStartTag();
        return skipPast(">", pos_ + 1);
    }

    // False once the parser would stop: at the end, or at an error.
    bool walkOneNode() {
        skipSpace();
        if (pos_ >= text_.size())
            return false;
        if (open_.empty())
            return text_[pos_] == '<' && readNode();
        if (text_[pos_] != '<')
            return skipText();
        if (startsWith("</")) {
            // Only the element's own end tag closes it, space allowed before its '>'; anything
            // else is an error.
            const std::string_view name = open_.back();
            if (text_.substr(pos_ + 2, name.size()) != name)
                return false;
            pos_ += 2 + name.size();
            skipSpace();
            if (at(pos_) != '>')
                return false;
            ++pos_;
            open_.pop_back();
            return true;
        }
        return readNode();
    }

    void reached(std::size_t depth) {
        if (depth > deepest_.depth)
            deepest_ = {depth, rowAt(pos_), false};
    }

    int rowAt(std::size_t position) const {
        return 1 + static_cast<int>(std::count(text_.begin(),
                                               text_.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                   position, text_.size())),
                                               '\n'));
    }

    std::string_view text_;
    std::size_t maxDepth_;
    std::size_t pos_ = 0;
    bool utf8_ = false;
    bool encodingDecided_ = false;
    std::vector<std::string_view> open_;
    XmlNesting deepest_;
};

} // namespace

XmlNesting measureXmlNesting(std::string_view text, std::size_t maxDepth) {
    return NestingWalk(text, maxDepth).run();
}
