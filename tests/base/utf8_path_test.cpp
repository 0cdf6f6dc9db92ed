// File names as UTF-8 text and back, whatever the system's own path encoding.
#include <gtest/gtest.h>

#include <string>

#include "base/error.hpp"
#include "base/utf8_path.hpp"

namespace felmo {
namespace {

class Utf8PathRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(Utf8PathRoundTrip, KeepsTheName) {
    EXPECT_EQ(utf8FromPath(pathFromUtf8(GetParam())), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Names, Utf8PathRoundTrip,
                         testing::Values("plain.bmp", "Картинки/заставка 1.bmp",
                                         "C:\\Temp_FELMO\\Ёжик.mbm", "née/ß/½.bmp",
                                         "\xF0\x9F\x93\xB7 photo.jpg", ""));

TEST(Utf8Path, NamesReachTheSystemAsCharacters) {
    const std::filesystem::path path = pathFromUtf8("Папка/ж.bmp");
    EXPECT_EQ(path.filename(), pathFromUtf8("ж.bmp"));
    EXPECT_EQ(utf8FromPath(path.parent_path()), "Папка");
#ifdef _WIN32
    EXPECT_EQ(path.native(), L"\u041F\u0430\u043F\u043A\u0430/\u0436.bmp");
    EXPECT_EQ(pathFromUtf8("\xF0\x9F\x93\xB7").native(), L"\U0001F4F7");
#else
    EXPECT_EQ(path.native(), "Папка/ж.bmp");
#endif
}

#ifdef _WIN32
TEST(Utf8Path, TextThatIsNotUtf8IsRefusedOnWindows) {
    for (const char* text : {"\xFF.bmp", "a\xD0", "\xC0\xAF"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(pathFromUtf8(text), Error);
    }
}

TEST(Utf8Path, ALoneSurrogateShowsAsReplacementCharacter) {
    EXPECT_EQ(utf8FromPath(std::filesystem::path(std::wstring{L'a', wchar_t(0xD800), L'b'})),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(utf8FromPath(std::filesystem::path(std::wstring{wchar_t(0xDC00), wchar_t(0xD83D)})),
              "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// Paths made from narrow text carry its bytes one per unit; UTF-8 carried that way comes back
// once, not encoded a second time, while units that do not read as UTF-8 are characters.
TEST(Utf8Path, NarrowTextCarryingUtf8ComesBackUnchanged) {
    const struct {
        std::wstring units;
        std::string utf8;
    } cases[] = {
        {{wchar_t(0xD0), wchar_t(0x9F), L'/', wchar_t(0xD0), wchar_t(0xB6)}, "\xD0\x9F/\xD0\xB6"},
        {{L'Z', L':', wchar_t(0xF0), wchar_t(0x9F), wchar_t(0x93), wchar_t(0xB7)},
         "Z:\xF0\x9F\x93\xB7"},
        {{wchar_t(0xE9), L'.', L'b'}, "\xC3\xA9.b"},           // a lone Latin-1 letter
        {{wchar_t(0xC0), wchar_t(0xAF)}, "\xC3\x80\xC2\xAF"},  // an overlong form
        {{wchar_t(0xED), wchar_t(0xA0), wchar_t(0x80)}, "\xC3\xAD\xC2\xA0\xC2\x80"},  // a surrogate
        {{wchar_t(0xD0)}, "\xC3\x90"},                                                // cut short
        {{L'a', L'b'}, "ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(utf8FromPath(std::filesystem::path(c.units)), c.utf8);
    }
    EXPECT_EQ(utf8FromPath(std::filesystem::path(std::string("\xD0\x9F\xD0\xB0"))),
              "\xD0\x9F\xD0\xB0");
}
#else
TEST(Utf8Path, AnyBytesAreKeptOnPosix) {
    const std::string bytes = "\xFF\xC0 name";
    EXPECT_EQ(pathFromUtf8(bytes).native(), bytes);
    EXPECT_EQ(utf8FromPath(std::filesystem::path(bytes)), bytes);
}
#endif

}  // namespace
}  // namespace felmo
