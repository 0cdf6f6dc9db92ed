// The converter's argument handling: command-file tokens, the depth options glued to file names,
// and the shapes of a command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/utf8_path.hpp"
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

TEST(CommandFileTokens, AQuoteNotClosedOnItsLineIsRefusedByLine) {
    struct Case {
        const char* text;
        const char* line;
    };
    const Case cases[] = {
        {"\"/tmp/a b.bmp", "Line 1:"},                               // open at the end of the text
        {"x.mbm\r\n\"/tmp/a b.bmp\r\n/tmp/c.bmp\"\r\n", "Line 2:"},  // would swallow a line
        {"x.mbm\n// \"in a comment\"\n-c16\"/tmp/a\nb.bmp\"", "Line 3:"},
        {"a\"b\"c\"", "Line 1:"},
    };
    for (const Case& c : cases) {
        try {
            tokenizeCommandFile(c.text, "cmd.txt");
            ADD_FAILURE() << c.text;
        } catch (const ConverterError& error) {
            const std::string message = error.what();
            EXPECT_EQ(error.failure(), Failure::BadCommandFile) << message;
            EXPECT_NE(message.find("cmd.txt: "), std::string::npos) << message;
            EXPECT_NE(message.find(c.line), std::string::npos) << message;
            EXPECT_NE(message.find("double quote is not closed"), std::string::npos) << message;
        }
    }
    // Closed quotes, and quotes inside a comment, are fine.
    EXPECT_EQ(tokenizeCommandFile("// \"open\n\"a b\"c\"d e\""), (Tokens{"a bcd e"}));
}

struct SourceCase {
    std::string token;
    BitmapMode mode;
    std::string path;
};

class PackSourceOption : public testing::TestWithParam<SourceCase> {};

TEST_P(PackSourceOption, GivesModeAndPath) {
    const PackSource source = parsePackSource(GetParam().token, OptionSyntax::Posix);
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
        parsePackSource(GetParam().first, OptionSyntax::Posix);
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
    const Command pack =
        parseTokens({"-n", "-q", "/o.mbm", "-c16/a.bmp", "/b.bmp"}, false, {}, OptionSyntax::Posix);
    EXPECT_EQ(pack.action, Action::Pack);
    EXPECT_EQ(pack.storage, MbmStorage::Uncompressed);
    EXPECT_TRUE(pack.quiet);
    EXPECT_EQ(pack.mbmPath, "/o.mbm");
    ASSERT_EQ(pack.sources.size(), 2u);
    EXPECT_EQ(pack.sources[1].mode, (BitmapMode{2, kGrey}));

    const Command unpack =
        parseTokens({"-u", "/s.mbm", "/0.bmp", "/1.bmp"}, true, {}, OptionSyntax::Posix);
    EXPECT_EQ(unpack.action, Action::Unpack);
    EXPECT_EQ(unpack.storage, MbmStorage::Compressed);
    EXPECT_EQ(unpack.targets, (std::vector<std::filesystem::path>{"/0.bmp", "/1.bmp"}));

    const Command list = parseTokens({"-v", "/s.mbm"}, false, {}, OptionSyntax::Posix);
    EXPECT_EQ(list.action, Action::List);
}

TEST(CommandShapes, MalformedListsAreUsageErrorsOrBadCommandFiles) {
    for (const Tokens& tokens : {Tokens{}, Tokens{"-q"}, Tokens{"/o.mbm"}, Tokens{"-u", "/s.mbm"},
                                 Tokens{"-v", "/s.mbm", "/x"}, Tokens{"-u", "-v", "/s.mbm", "/x"},
                                 Tokens{"-z", "/o.mbm", "/a.bmp"}}) {
        SCOPED_TRACE(testing::PrintToString(tokens));
        try {
            parseTokens(tokens, false, {}, OptionSyntax::Posix);
            ADD_FAILURE() << "accepted";
        } catch (const ConverterError& error) {
            EXPECT_EQ(error.failure(), Failure::Usage);
        }
        try {
            parseTokens(tokens, true, "cmd.txt", OptionSyntax::Posix);
            ADD_FAILURE() << "accepted";
        } catch (const ConverterError& error) {
            EXPECT_EQ(error.failure(), Failure::BadCommandFile);
            EXPECT_EQ(std::string(error.what()).rfind("cmd.txt: Bad command file. ", 0), 0u);
        }
    }
}

// On Windows '/' introduces an option as well as '-'; everything else reads as on POSIX.
class WindowsPackSourceOption : public testing::TestWithParam<SourceCase> {};

TEST_P(WindowsPackSourceOption, GivesModeAndPath) {
    const PackSource source = parsePackSource(GetParam().token, OptionSyntax::Windows);
    EXPECT_EQ(source.mode, GetParam().mode);
    EXPECT_EQ(utf8FromPath(source.path), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Options, WindowsPackSourceOption,
    testing::Values(
        SourceCase{"/c16C:\\Temp_FELMO\\0.bmp", {16, kColor}, "C:\\Temp_FELMO\\0.bmp"},
        SourceCase{"-c16C:\\w\\0.bmp", {16, kColor}, "C:\\w\\0.bmp"},
        SourceCase{"/c12a.bmp", {12, kColor}, "a.bmp"},
        SourceCase{"/c4\\a.bmp", {4, kColor}, "\\a.bmp"},
        SourceCase{"/1C:\\a.bmp", {1, kGrey}, "C:\\a.bmp"},
        SourceCase{"/8\\\\server\\share\\a.bmp", {8, kGrey}, "\\\\server\\share\\a.bmp"},
        SourceCase{"C:\\plain.bmp", {2, kGrey}, "C:\\plain.bmp"},
        SourceCase{"/c24D:\\Картинки\\заставка.bmp", {24, kColor}, "D:\\Картинки\\заставка.bmp"}));

TEST(WindowsOptions, BadOptionsAreRefusedAsWithADash) {
    for (const auto& [token, failure] : {std::pair{"/c10C:\\a.bmp", Failure::InvalidBitmapMode},
                                         std::pair{"/xC:\\a.bmp", Failure::InvalidBitmapMode},
                                         std::pair{"/c16", Failure::BadSourceFile}}) {
        SCOPED_TRACE(token);
        try {
            parsePackSource(token, OptionSyntax::Windows);
            ADD_FAILURE() << "accepted";
        } catch (const ConverterError& error) {
            EXPECT_EQ(error.failure(), failure) << error.what();
        }
    }
}

// The command files the program writes on Windows: unpack's first line " /u " and the .mbm
// path, pack's first line the .mbm path and then one "/c16" line per bitmap.
TEST(WindowsOptions, CommandFilesOfTheWindowsFormRead) {
    const Command unpack = parseTokens(
        tokenizeCommandFile(" /u C:\\Temp_FELMO\\startup.mbm\r\n"
                            "C:\\Temp_FELMO\\startup\\0.bmp\r\nC:\\Temp_FELMO\\startup\\1.bmp\r\n"),
        true, "PackUnpack.txt", OptionSyntax::Windows);
    EXPECT_EQ(unpack.action, Action::Unpack);
    EXPECT_EQ(utf8FromPath(unpack.mbmPath), "C:\\Temp_FELMO\\startup.mbm");
    ASSERT_EQ(unpack.targets.size(), 2u);
    EXPECT_EQ(utf8FromPath(unpack.targets[1]), "C:\\Temp_FELMO\\startup\\1.bmp");

    const Command pack =
        parseTokens(tokenizeCommandFile("\\Temp\\Temp_FELMO\\NewMbmFiles\\0.mbm\r\n"
                                        "/c16\"C:\\My Pictures\\0.bmp\"\r\n/c24C:\\w\\1.bmp\r\n"),
                    true, "PackUnpack.txt", OptionSyntax::Windows);
    EXPECT_EQ(pack.action, Action::Pack);
    EXPECT_EQ(utf8FromPath(pack.mbmPath), "\\Temp\\Temp_FELMO\\NewMbmFiles\\0.mbm");
    ASSERT_EQ(pack.sources.size(), 2u);
    EXPECT_EQ(pack.sources[0].mode, (BitmapMode{16, kColor}));
    EXPECT_EQ(utf8FromPath(pack.sources[0].path), "C:\\My Pictures\\0.bmp");
    EXPECT_EQ(pack.sources[1].mode, (BitmapMode{24, kColor}));

    const Command list = parseTokens({"/q", "/v", "C:\\s.mbm"}, false, {}, OptionSyntax::Windows);
    EXPECT_EQ(list.action, Action::List);
    EXPECT_TRUE(list.quiet);
    EXPECT_EQ(parseTokens({"/n", "o.mbm", "a.bmp"}, false, {}, OptionSyntax::Windows).storage,
              MbmStorage::Uncompressed);
}

// On POSIX a leading '/' is a path: the same tokens pack into a file named "/u".
TEST(WindowsOptions, ASlashIsAPathOnPosix) {
    const Command command = parseTokens({"/u", "/s.mbm", "/0.bmp"}, false, {}, OptionSyntax::Posix);
    EXPECT_EQ(command.action, Action::Pack);
    EXPECT_EQ(command.mbmPath, "/u");
    ASSERT_EQ(command.sources.size(), 2u);
    EXPECT_EQ(command.sources[0].mode, (BitmapMode{2, kGrey}));
}

TEST(WindowsOptions, UnknownSlashOptionIsNamedAsWritten) {
    try {
        parseTokens({"/z", "o.mbm", "a.bmp"}, false, {}, OptionSyntax::Windows);
        FAIL() << "accepted";
    } catch (const ConverterError& error) {
        EXPECT_EQ(error.failure(), Failure::Usage);
        EXPECT_NE(std::string(error.what()).find("Unknown option /z."), std::string::npos)
            << error.what();
    }
}

}  // namespace
}  // namespace felmo::bmconv
