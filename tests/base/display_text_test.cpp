// Text from outside shown safely: escapes for control bytes and broken UTF-8, and a length cut.
#include <gtest/gtest.h>

#include "base/display_text.hpp"

namespace felmo {
namespace {

struct Shown {
    const char* name;
    std::string raw;
    std::string expected;
};

class DisplayText : public testing::TestWithParam<Shown> {};

TEST_P(DisplayText, EscapesWhatATerminalWouldObey) {
    EXPECT_EQ(displayText(GetParam().raw), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DisplayText,
    testing::Values(Shown{"Plain", "/tmp/x y/a.bmp", "/tmp/x y/a.bmp"},
                    Shown{"Cyrillic", "Файл.bmp", "Файл.bmp"},
                    Shown{"EscapeSequence", "\x1b[2Jboo", "\\x1b[2Jboo"},
                    Shown{"LineBreaksAndTab", "a\r\n\tb", "a\\x0d\\x0a\\x09b"},
                    Shown{"Nul", std::string("a\0b", 3), "a\\x00b"},
                    Shown{"Delete", "a\x7f", "a\\x7f"},
                    Shown{"LoneContinuationByte", "a\x80z", "a\\x80z"},
                    Shown{"TruncatedSequence", "a\xd0", "a\\xd0"},
                    Shown{"OverlongSlash", "\xc0\xaf", "\\xc0\\xaf"},
                    Shown{"Surrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80"},
                    Shown{"C1Control",
                          "\xc2\x9b"
                          "31m",
                          "\\xc2\\x9b31m"},
                    Shown{"FourByteCharacter", "\xf0\x9f\x99\x82", "\xf0\x9f\x99\x82"}),
    [](const testing::TestParamInfo<Shown>& testCase) { return std::string(testCase.param.name); });

TEST(DisplayText, CutsLongTextToTheLimitWithAnEllipsis) {
    const std::string huge(900 * 1024, 'A');
    EXPECT_EQ(displayText(huge), std::string(200, 'A') + "…");
    EXPECT_EQ(displayText(std::string(200, 'B')), std::string(200, 'B'));
    // Escapes count with their shown width, and an escape is never cut in half.
    EXPECT_EQ(displayText(std::string(198, 'C') + "\x01", 200), std::string(198, 'C') + "…");
    EXPECT_EQ(displayText("ЖЖЖЖ", 3), "ЖЖЖ…");
}

}  // namespace
}  // namespace felmo
