// Case folding of ASCII letters only. Names in FELMO (slots, settings keys, file endings,
// resources) are plain ASCII; bytes outside 'A'...'Z' and 'a'...'z' are left as they are,
// whatever the process locale says.
#pragma once

#include <string>
#include <string_view>

namespace felmo {

constexpr char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string toLowerAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered)
        c = toLowerAscii(c);
    return lowered;
}

constexpr bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (toLowerAscii(a[i]) != toLowerAscii(b[i]))
            return false;
    return true;
}

constexpr bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           equalIgnoringAsciiCase(text.substr(text.size() - ending.size()), ending);
}

}  // namespace felmo
