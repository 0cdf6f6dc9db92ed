// The manual pages and the programs' own --help list the same commands and options, so a command
// added to one is not forgotten in the other.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "mbm/mbm_reader.hpp"
#include "raster/animation.hpp"
#include "raster/picture_limits.hpp"
#include "raster/webp.hpp"
#include "support/child_process.hpp"
#include "support/text_files.hpp"
#include "workspace/user_mbm_walk.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;
using testing::readText;

const fs::path kBinDir = FELMO_BIN_DIR;
const fs::path kManDir = fs::path(FELMO_SOURCE_DIR) / "dist" / "man";

// The manual pages are English: so is the help they are compared with.
std::string helpOf(const std::string& program, std::vector<std::string> arguments = {"--help"}) {
    testing::ProcessOptions options;
    options.environment["QT_QPA_PLATFORM"] = "offscreen";  // the window's parser needs no screen
    testing::ProcessResult result = testing::runProcess(kBinDir / program, arguments, options);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    return result.out;
}

// The first word of each entry of a block of the help text ("Options:", "Commands:"): entries
// are indented by two spaces, their continuation lines by more.
Names helpEntries(const std::string& help, const std::string& heading) {
    Names names;
    std::istringstream lines(help);
    bool inside = false;
    for (std::string line; std::getline(lines, line);) {
        if (line == heading) {
            inside = true;
            continue;
        }
        if (!inside)
            continue;
        if (line.empty() || line[0] != ' ')
            break;
        if (line.size() > 2 && line[1] == ' ' && line[2] != ' ')
            names.insert(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
}

// The roff text without font changes and with "\-" as a plain hyphen.
std::string plainRoff(std::string text) {
    text = std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    return std::regex_replace(text, std::regex("\""), "");
}

// The first word of each tagged paragraph (.TP) of a section of a manual page.
Names manualEntries(const std::string& page, const std::string& section) {
    Names names;
    std::istringstream lines(page);
    bool inside = false;
    bool tagNext = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".SH ", 0) == 0) {
            inside = line == ".SH " + section;
            continue;
        }
        if (!inside)
            continue;
        if (line == ".TP") {
            tagNext = true;
            continue;
        }
        if (!tagNext)
            continue;
        tagNext = false;
        std::string tag = plainRoff(line);
        if (tag.rfind('.', 0) == 0)
            tag = tag.substr(tag.find(' ') + 1);  // the font macro (.B, .BI, .BR)
        names.insert(tag.substr(0, tag.find_first_of(" ,=")));
    }
    return names;
}

std::string listed(const Names& names) {
    std::string text;
    for (const std::string& name : names)
        text += " " + name;
    return text;
}

TEST(ManualPage, FelmoCliListsTheCommandsAndOptionsOfItsHelp) {
#if !FELMO_NLS
    GTEST_SKIP() << "built without translations, the help is Russian";
#endif
    const std::string help = helpOf("felmo-cli", {"--language", "en", "--help"});
    const std::string page = readText(kManDir / "felmo-cli.1");
    ASSERT_FALSE(page.empty());

    const Names helpCommands = helpEntries(help, "Commands:");
    const Names helpOptions = helpEntries(help, "Options:");
    EXPECT_GE(helpCommands.size(), 10u) << help;
    EXPECT_TRUE(helpCommands.count("overlay-set")) << listed(helpCommands);
    EXPECT_TRUE(helpOptions.count("--settings")) << listed(helpOptions);

    EXPECT_EQ(manualEntries(page, "COMMANDS"), helpCommands)
        << "manual:" << listed(manualEntries(page, "COMMANDS"))
        << "\nhelp:  " << listed(helpCommands);
    EXPECT_EQ(manualEntries(page, "OPTIONS"), helpOptions)
        << "manual:" << listed(manualEntries(page, "OPTIONS"))
        << "\nhelp:  " << listed(helpOptions);
}

// Every effect felmo-cli --list names is in the manual page.
TEST(ManualPage, FelmoCliNamesEveryEffect) {
    testing::ProcessResult list =
        testing::runProcess(kBinDir / "felmo-cli", {"--language", "en", "--list"});
    ASSERT_EQ(list.exitStatus, 0) << list.err;
    const std::string page = plainRoff(readText(kManDir / "felmo-cli.1"));
    const std::regex binocular("binocular-(in|out)-(.*)");
    std::istringstream lines(list.out);
    int effects = 0;
    for (std::string line; std::getline(lines, line); ++effects) {
        const std::string name = line.substr(0, line.find(' '));
        std::smatch parts;
        if (std::regex_match(name, parts, binocular)) {
            // Named as binocular-in-* / binocular-out-* with the directions listed once.
            EXPECT_NE(page.find("binocular-" + parts[1].str() + "-*"), std::string::npos) << name;
            EXPECT_NE(page.find(parts[2].str()), std::string::npos) << name;
        } else {
            EXPECT_TRUE(std::regex_search(page, std::regex("(^|[ ,\n])" + name + "([ ,\n]|$)")))
                << name;
        }
    }
    EXPECT_GE(effects, 40);
}

// bmconv's short options in its help all have their paragraph in the manual page.
TEST(ManualPage, BmconvDescribesTheOptionsOfItsHelp) {
    const std::string help = helpOf("bmconv");
    const Names manual = manualEntries(readText(kManDir / "bmconv.1"), "OPTIONS");
    Names shown;
    const std::regex option(R"((^|[\s\[])(-[a-z])[\s\]])");
    for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it)
        shown.insert((*it)[2].str());
    EXPECT_EQ(shown, (Names{"-n", "-q", "-u", "-v"}));
    for (const std::string& name : shown)
        EXPECT_TRUE(manual.count(name)) << name << " manual:" << listed(manual);
    EXPECT_TRUE(manual.count("--help") && manual.count("--version")) << listed(manual);
}

// The limits the pages give are the ones the programs apply.
TEST(ManualPage, TheLimitsAreThoseTheProgramsApply) {
    auto limitsOf = [](const std::string& name) {
        const std::string page = readText(kManDir / name);
        const std::size_t start = page.find(".SH LIMITS");
        EXPECT_NE(start, std::string::npos) << name;
        const std::string section = page.substr(start, page.find(".SH ", start + 1) - start);
        return std::regex_replace(section, std::regex(R"(\\ |\n)"), " ");
    };
    auto mib = [](std::size_t bytes) { return std::to_string(bytes >> 20) + " MiB"; };
    const std::vector<std::string> pictures = {
        std::to_string(kMaxPictureSide) + " pixels a side",
        std::to_string(kMaxPicturePixels) + " (64 Mi) pixels",
    };
    std::vector<std::string> phoneTool = pictures;
    for (const std::string& limit :
         {std::to_string(kMaxLosslessWebpPixels), std::to_string(kMaxAnimationFrames) + " frames",
          std::to_string(kMaxComposedAnimationPixels), "larger than " + mib(kMaxUserMbmBytes),
          "taller than " + std::to_string(kMaxUserMbmSide) + " pixels",
          "past " + mib(kMaxUserMbmCopyBytes), std::to_string(kMaxUserMbmUnpackedPixels)})
        phoneTool.push_back(limit);
    for (const char* name : {"felmo.1", "felmo-cli.1"}) {
        const std::string limits = limitsOf(name);
        for (const std::string& limit : phoneTool)
            EXPECT_NE(limits.find(limit), std::string::npos) << name << ": " << limit;
    }
    std::vector<std::string> converter = pictures;
    converter.push_back(std::to_string(kMaxMbmBitmaps) + " bitmaps");
    const std::string limits = limitsOf("bmconv.1");
    for (const std::string& limit : converter)
        EXPECT_NE(limits.find(limit), std::string::npos) << "bmconv.1: " << limit;
}

#ifdef FELMO_HAS_WINDOW
// The window's long options (its own and the toolkit parser's) against felmo.1.
TEST(ManualPage, FelmoListsTheLongOptionsOfItsHelp) {
    auto longOptions = [](const std::string& text) {
        Names names;
        const std::regex option(R"((^|[\s,])(--[a-z][a-z-]*))");
        for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
            names.insert((*it)[2].str());
        return names;
    };
    const Names help = longOptions(helpOf("felmo"));
    EXPECT_TRUE(help.count("--settings")) << listed(help);
    const std::string page = plainRoff(readText(kManDir / "felmo.1"));
    const std::string options = page.substr(
        page.find(".SH OPTIONS"), page.find(".SH EXIT STATUS") - page.find(".SH OPTIONS"));
    EXPECT_EQ(longOptions(options), help) << "manual:" << listed(longOptions(options));
}
#endif

}  // namespace
}  // namespace felmo
