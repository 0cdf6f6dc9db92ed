// The converter's argument handling: command-file tokens, the depth options glued to file names,
// and the shapes of a command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/bmconv/command_line.hpp"

namespace felmo::bmconv {
namespace {

using Tokens = std::vector<std::string>;

TEST(CommandFileTokens, SplitOnAnyWhiteSpaceAndSkipComments) {
    EXPECT_EQ(tokenizeCommandFile(" -u /tmp/w/startup.mbm\r\n/tmp/w/startup/0.bmp\r\n"),
              (Tokens{"-u", "/tmp/w/startup.mbm", "/tmp/w/startup/0.bmp"}));
    EXPECT_EQ(tokenizeCommandFile("a\tb\n\nc\r\n// whole line\r\nd // rest of line e\nf"),
              (Tokens{"a", "b", "c", "d", "f"}));
    // A doubled separator inside a path is part of the path, not a comment.
    EXPECT_EQ(tokenizeCommandFile("-c16/tmp/w//Splashscreen/0.bmp"),
              (Tokens{"-c16/tmp/w//Splashscreen/0.bmp"}));
    EXPECT_EQ(tokenizeCommandFile("\"/tmp/my pictures/0.bmp\" -c16\"/a b.bmp\""),
              (Tokens{"/tmp/my pictures/0.bmp", "-c16/a b.bmp"}));
    EXPECT_TRUE(tokenizeCommandFile("\r\n \t// only a comment").empty());
}

struct SourceCase {
    std::string token;
    BitmapMode mode;
    std::string path;
};

class PackSourceOption : public testing::TestWithParam<SourceCase> {};

TEST_P(PackSourceOption, GivesModeAndPath) {
    const PackSource source = parsePackSource(GetParam().token);
    EXPECT_EQ(source.mode, GetParam().mode);
    EXPECT_EQ(source.path, GetParam().path);
}

constexpr ColorKind kColor = ColorKind::Color;
constexpr ColorKind kGrey = ColorKind::Grey;

INSTANTIATE_TEST_SUITE_P(
    Options, PackSourceOption,
    testing::Values(SourceCase{"-c16/tmp/w/0.bmp", {16, kColor}, "/tmp/w/0.bmp"},
                    SourceCase{"-c12/a.bmp", {12, kColor}, "/a.bmp"},
                    SourceCase{"-c24a.bmp", {24, kColor}, "a.bmp"},
                    SourceCase{"-c32/a.bmp", {32, kColor}, "/a.bmp"},
                    SourceCase{"-c8/a.bmp", {8, kColor}, "/a.bmp"},
                    SourceCase{"-c4/a.bmp", {4, kColor}, "/a.bmp"},
                    SourceCase{"-c1612.bmp", {16, kColor}, "12.bmp"},
                    SourceCase{"-c81.bmp", {8, kColor}, "1.bmp"},
                    SourceCase{"-1/a.bmp", {1, kGrey}, "/a.bmp"},
                    SourceCase{"-2/a.bmp", {2, kGrey}, "/a.bmp"},
                    SourceCase{"-4a.bmp", {4, kGrey}, "a.bmp"},
                    SourceCase{"-8/a.bmp", {8, kGrey}, "/a.bmp"},
                    SourceCase{"/tmp/w/plain.bmp", {2, kGrey}, "/tmp/w/plain.bmp"}));

class BadPackSource : public testing::TestWithParam<std::pair<std::string, Failure>> {};

TEST_P(BadPackSource, IsRefused) {
    try {
        parsePackSource(GetParam().first);
        FAIL() << "accepted";
    } catch (const ConverterError& error) {
        EXPECT_EQ(error.failure(), GetParam().second) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Options, BadPackSource,
                         testing::Values(std::pair{"-cabc/a.bmp", Failure::InvalidBitmapMode},
                                         std::pair{"-c10/a.bmp", Failure::InvalidBitmapMode},
                                         std::pair{"-c3/a.bmp", Failure::InvalidBitmapMode},
                                         std::pair{"-c/a.bmp", Failure::InvalidBitmapMode},
                                         std::pair{"-3/a.bmp", Failure::InvalidBitmapMode},
                                         std::pair{"-x/a.bmp", Failure::InvalidBitmapMode},
                                         std::pair{"-c16", Failure::BadSourceFile},
                                         std::pair{"-8", Failure::BadSourceFile}));

TEST(CommandShapes, PackUnpackAndList) {
    const Command pack = parseTokens({"-n", "-q", "/o.mbm", "-c16/a.bmp", "/b.bmp"}, false);
    EXPECT_EQ(pack.action, Action::Pack);
    EXPECT_EQ(pack.storage, MbmStorage::Uncompressed);
    EXPECT_TRUE(pack.quiet);
    EXPECT_EQ(pack.mbmPath, "/o.mbm");
    ASSERT_EQ(pack.sources.size(), 2u);
    EXPECT_EQ(pack.sources[1].mode, (BitmapMode{2, kGrey}));

    const Command unpack = parseTokens({"-u", "/s.mbm", "/0.bmp", "/1.bmp"}, true);
    EXPECT_EQ(unpack.action, Action::Unpack);
    EXPECT_EQ(unpack.storage, MbmStorage::Compressed);
    EXPECT_EQ(unpack.targets, (std::vector<std::filesystem::path>{"/0.bmp", "/1.bmp"}));

    const Command list = parseTokens({"-v", "/s.mbm"}, false);
    EXPECT_EQ(list.action, Action::List);
}

TEST(CommandShapes, MalformedListsAreUsageErrorsOrBadCommandFiles) {
    for (const Tokens& tokens : {Tokens{}, Tokens{"-q"}, Tokens{"/o.mbm"}, Tokens{"-u", "/s.mbm"},
                                 Tokens{"-v", "/s.mbm", "/x"}, Tokens{"-u", "-v", "/s.mbm", "/x"},
                                 Tokens{"-z", "/o.mbm", "/a.bmp"}}) {
        SCOPED_TRACE(testing::PrintToString(tokens));
        try {
            parseTokens(tokens, false);
            ADD_FAILURE() << "accepted";
        } catch (const ConverterError& error) {
            EXPECT_EQ(error.failure(), Failure::Usage);
        }
        try {
            parseTokens(tokens, true, "cmd.txt");
            ADD_FAILURE() << "accepted";
        } catch (const ConverterError& error) {
            EXPECT_EQ(error.failure(), Failure::BadCommandFile);
            EXPECT_EQ(std::string(error.what()).rfind("cmd.txt: Bad command file. ", 0), 0u);
        }
    }
}

}  // namespace
}  // namespace felmo::bmconv
