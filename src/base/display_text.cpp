#include "base/display_text.hpp"

namespace felmo {
namespace {

// The length of the valid UTF-8 sequence starting at text[at], or 0 when there is none
// (overlong forms, surrogates and values beyond U+10FFFF are not valid).
std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned codePoint = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    const bool overlong =
        (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (overlong || surrogate || codePoint > 0x10FFFF)
        return 0;
    // C1 control characters are as unsafe on a terminal as C0 ones.
    if (codePoint >= 0x80 && codePoint < 0xA0)
        return 0;
    return length;
}

}  // namespace

std::string displayText(std::string_view raw, std::size_t maxCharacters) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    std::size_t characters = 0;
    std::size_t at = 0;
    while (at < raw.size()) {
        const unsigned char c = static_cast<unsigned char>(raw[at]);
        std::size_t consumed = 1;
        std::string piece;
        if (c >= 0x20 && c < 0x7F) {
            piece.assign(1, static_cast<char>(c));
        } else if (const std::size_t length = c >= 0x80 ? utf8SequenceLength(raw, at) : 0) {
            piece.assign(raw.substr(at, length));
            consumed = length;
        } else {
            piece = {'\\', 'x', kHex[c >> 4], kHex[c & 0x0F]};
        }
        const std::size_t width = consumed == piece.size() && consumed > 1 ? 1 : piece.size();
        if (characters + width > maxCharacters) {
            shown += "…";
            return shown;
        }
        shown += piece;
        characters += width;
        at += consumed;
    }
    return shown;
}

}  // namespace felmo
