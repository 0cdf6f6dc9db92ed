#include "base/utf8_path.hpp"

#include <cstdint>
#ifdef _WIN32
#include <optional>
#include <utility>
#endif

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

namespace {

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isWellFormedUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        std::uint32_t low = 0x80;
        std::uint32_t high = 0xBF;  // the range of the byte after the lead
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (bytes.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

// A path made from narrow text holds that text's bytes one per unit; when they read as UTF-8
// they are the name's UTF-8 already, and encoding each unit again would garble it.
std::optional<std::string> utf8CarriedAsBytes(const std::wstring& units) {
    std::string bytes;
    bytes.reserve(units.size());
    bool beyondAscii = false;
    for (wchar_t unit : units) {
        if (static_cast<std::uint32_t>(unit) >= 0x100)
            return std::nullopt;
        beyondAscii = beyondAscii || unit >= 0x80;
        bytes += static_cast<char>(static_cast<unsigned char>(unit));
    }
    if (!beyondAscii || !isWellFormedUtf8(bytes))
        return std::nullopt;
    return bytes;
}

}  // namespace

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::wstring& units = path.native();
    if (auto carried = utf8CarriedAsBytes(units))
        return *std::move(carried);
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
