#include "base/utf8_path.hpp"

#include <cstdint>

#include "base/display_text.hpp"
#include "base/error.hpp"

namespace felmo {

#ifdef _WIN32

std::filesystem::path pathFromUtf8(std::string_view text) {
    try {
        return std::filesystem::path(std::u8string(text.begin(), text.end()));
    } catch (const std::exception&) {
        throw Error("The file name " + displayText(text) + " is not valid UTF-8.");
    }
}

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::wstring& units = path.native();
    std::string text;
    text.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        auto code = static_cast<std::uint32_t>(units[i]);
        const bool high = code >= 0xD800 && code <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) +
                   (static_cast<std::uint32_t>(units[++i]) - 0xDC00);
        else if (code >= 0xD800 && code <= 0xDFFF)
            code = 0xFFFD;  // a lone surrogate is no character
        if (code < 0x80) {
            text += static_cast<char>(code);
        } else if (code < 0x800) {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            text += static_cast<char>(0xE0 | (code >> 12));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (code >> 18));
            text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

#else

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::string(text));
}

std::string utf8FromPath(const std::filesystem::path& path) {
    return path.native();
}

#endif

}  // namespace felmo
