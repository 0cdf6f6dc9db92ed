#include "base/ascii.hpp"

#include <gtest/gtest.h>

namespace felmo {
namespace {

struct FoldCase {
    std::string_view a;
    std::string_view b;
    bool equal;
};

class AsciiFolding : public ::testing::TestWithParam<FoldCase> {};

TEST_P(AsciiFolding, ComparesLettersWithoutCaseAndEverythingElseExactly) {
    EXPECT_EQ(equalIgnoringAsciiCase(GetParam().a, GetParam().b), GetParam().equal);
    EXPECT_EQ(equalIgnoringAsciiCase(GetParam().b, GetParam().a), GetParam().equal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AsciiFolding,
    ::testing::Values(FoldCase{"EidPic", "eidpic", true}, FoldCase{"", "", true},
                      FoldCase{"startup", "startup1", false},
                      // '@' and '[' sit next to 'A' and 'Z' but are no letters
                      FoldCase{"@[", "`{", false},
                      // bytes above ASCII are never folded, whatever the locale
                      FoldCase{"\xC0", "\xE0", false}, FoldCase{"\xD0\x9F", "\xD0\x9F", true}));

TEST(AsciiFolding, LowersOnlyAsciiLettersAndMatchesEndings) {
    EXPECT_EQ(toLowerAscii("Splash-SCREEN_1.MBM\xC0"), "splash-screen_1.mbm\xC0");
    EXPECT_TRUE(endsWithIgnoringAsciiCase("Welcomeimage.MbM", ".mbm"));
    EXPECT_FALSE(endsWithIgnoringAsciiCase("mbm", ".mbm"));
    EXPECT_FALSE(endsWithIgnoringAsciiCase("startup.mbmx", ".mbm"));
}

}  // namespace
}  // namespace felmo
