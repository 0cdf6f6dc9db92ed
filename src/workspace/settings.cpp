#include "workspace/settings.hpp"

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "base/ascii.hpp"
#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "platform/file_system.hpp"

namespace felmo {
namespace {

constexpr std::size_t kMaxSettingsFileBytes = std::size_t{16} << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// One line of the file as it stands, its line end included ("" for a last line without one).
struct IniLine {
    std::string text;
    std::string ending;
};

struct IniFile {
    bool hasByteOrderMark = false;
    std::vector<IniLine> lines;
};

IniFile parseIni(std::string_view content) {
    IniFile file;
    if (content.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        file.hasByteOrderMark = true;
        content.remove_prefix(kByteOrderMark.size());
    }
    while (!content.empty()) {
        std::size_t newline = content.find('\n');
        std::string_view line = content.substr(0, newline);
        IniLine entry;
        if (newline == std::string_view::npos) {
            entry.text = std::string(line);
            content = {};
        } else {
            bool crlf = !line.empty() && line.back() == '\r';
            if (crlf)
                line.remove_suffix(1);
            entry.text = std::string(line);
            entry.ending = crlf ? "\r\n" : "\n";
            content.remove_prefix(newline + 1);
        }
        file.lines.push_back(std::move(entry));
    }
    return file;
}

// The section named by a header line "[name]", or false when the line is no header.
bool sectionHeader(std::string_view line, std::string_view& name) {
    line = trimBlanks(line);
    if (line.size() < 2 || line.front() != '[')
        return false;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return false;
    name = trimBlanks(line.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line and its value, or false.
bool keyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view trimmed = trimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#')
        return false;
    std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos)
        return false;
    key = trimBlanks(trimmed.substr(0, equals));
    value = trimBlanks(trimmed.substr(equals + 1));
    return !key.empty();
}

// Position of the key line in the section, or -1; `sectionStart` is the header's index or -1.
struct Location {
    long sectionHeader = -1;
    long sectionEnd = -1;  // index one past the section's last line
    long keyLine = -1;
};

Location locate(const IniFile& file, std::string_view section, std::string_view key) {
    Location where;
    bool inSection = false;
    for (std::size_t i = 0; i < file.lines.size(); ++i) {
        std::string_view name;
        if (sectionHeader(file.lines[i].text, name)) {
            if (inSection) {
                where.sectionEnd = static_cast<long>(i);
                return where;
            }
            if (where.sectionHeader < 0 && equalIgnoringAsciiCase(name, section)) {
                inSection = true;
                where.sectionHeader = static_cast<long>(i);
            }
            continue;
        }
        std::string_view lineKey, value;
        if (inSection && where.keyLine < 0 && keyLine(file.lines[i].text, lineKey, value) &&
            equalIgnoringAsciiCase(lineKey, key))
            where.keyLine = static_cast<long>(i);
    }
    if (inSection)
        where.sectionEnd = static_cast<long>(file.lines.size());
    return where;
}

// The raw value text of the key, or false when the file, the section or the key is missing.
bool readRawValue(const std::string& filePath, std::string_view section, std::string_view key,
                  std::string& value) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readWholeFile(filePath, kMaxSettingsFileBytes);
    } catch (const Error&) {
        return false;  // a missing or unreadable settings file gives every default
    }
    IniFile file =
        parseIni(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    Location where = locate(file, section, key);
    if (where.keyLine < 0)
        return false;
    std::string_view lineKey, lineValue;
    keyLine(file.lines[static_cast<std::size_t>(where.keyLine)].text, lineKey, lineValue);
    value = std::string(lineValue);
    return true;
}

std::string unableToWrite(const std::string& filePath) {
    return "Unable to write to " + filePath;
}

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void writeRawValue(const std::string& filePath, std::string_view section, std::string_view key,
                   std::string_view value) {
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value) || key.empty() ||
        key.find('=') != std::string_view::npos || section.find(']') != std::string_view::npos)
        throw Error(unableToWrite(filePath));

    IniFile file;
    if (pathExists(filePath)) {
        try {
            std::vector<std::uint8_t> bytes = readWholeFile(filePath, kMaxSettingsFileBytes);
            file = parseIni(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        } catch (const Error&) {
            // Writing without the old content would lose the other keys.
            throw Error(unableToWrite(filePath));
        }
    }

    // New lines take the line end the file already uses.
    std::string ending = "\n";
    for (const IniLine& line : file.lines)
        if (!line.ending.empty()) {
            ending = line.ending;
            break;
        }
    if (!file.lines.empty() && file.lines.back().ending.empty())
        file.lines.back().ending = ending;

    const std::string keyText = std::string(key) + "=" + std::string(value);
    Location where = locate(file, section, key);
    if (where.keyLine >= 0) {
        file.lines[static_cast<std::size_t>(where.keyLine)].text = keyText;
    } else if (where.sectionHeader >= 0) {
        // After the section's last line that is not blank.
        long insertAt = where.sectionEnd;
        while (insertAt - 1 > where.sectionHeader &&
               trimBlanks(file.lines[static_cast<std::size_t>(insertAt - 1)].text).empty())
            --insertAt;
        file.lines.insert(file.lines.begin() + insertAt, IniLine{keyText, ending});
    } else {
        file.lines.push_back(IniLine{"[" + std::string(section) + "]", ending});
        file.lines.push_back(IniLine{keyText, ending});
    }

    std::string content = file.hasByteOrderMark ? std::string(kByteOrderMark) : std::string();
    for (const IniLine& line : file.lines)
        content += line.text + line.ending;
    try {
        writeFileAtomically(
            filePath,
            std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()));
    } catch (const Error&) {
        throw Error(unableToWrite(filePath));
    }
}

// The first `limit` characters (UTF-8 code points) of text.
std::string firstCharacters(std::string_view text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCharacter && characters++ == limit)
            return std::string(text.substr(0, i));
    }
    return std::string(text);
}

}  // namespace

bool parseSettingsInteger(std::string_view text, int& value) {
    text = trimBlanks(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::string_view digits = text.substr(2);
        if (digits.size() > 8)
            return false;
        std::uint32_t result = 0;
        for (char c : digits) {
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return false;
            result = result * 16 + static_cast<std::uint32_t>(digit);
        }
        value = static_cast<int>(result);  // 0xFFFFFFFF is -1, as a 32-bit value
        return true;
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    std::int64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
        if (result > std::int64_t{1} << 31)
            return false;
    }
    if (negative)
        result = -result;
    if (result < INT32_MIN || result > INT32_MAX)
        return false;
    value = static_cast<int>(result);
    return true;
}

Settings::Settings(std::string filePath) : filePath_(std::move(filePath)) {}

int Settings::readInteger(std::string_view section, std::string_view key, int defaultValue) const {
    std::string text;
    int value;
    if (readRawValue(filePath_, section, key, text) && parseSettingsInteger(text, value))
        return value;
    return defaultValue;
}

bool Settings::readBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::string Settings::readString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    std::string text;
    if (!readRawValue(filePath_, section, key, text))
        return firstCharacters(defaultValue, kMaxSettingsStringLength);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return firstCharacters(text, kMaxSettingsStringLength);
}

void Settings::writeInteger(std::string_view section, std::string_view key, int value) {
    writeRawValue(filePath_, section, key, std::to_string(value));
}

void Settings::writeBool(std::string_view section, std::string_view key, bool value) {
    writeRawValue(filePath_, section, key, value ? "1" : "0");
}

void Settings::writeString(std::string_view section, std::string_view key, std::string_view value) {
    writeRawValue(filePath_, section, key, value);
}

}  // namespace felmo
