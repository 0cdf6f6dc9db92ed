// The command line of felmo-cli:
//   felmo-cli [--language ru|en] [--output DIR] [--settings FILE] COMMAND [ARG...] [COMMAND...]...
//   felmo-cli [--language ru|en] --list | --help | --version
// parsed into what to run. Parsing touches no file; every mistake is a UsageError.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/language.hpp"
#include "effects/effect_table.hpp"
#include "raster/color.hpp"
#include "studio/studio.hpp"

namespace felmo::cli {

class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

enum class CommandKind {
    Background,       // background PIC  -> WallPaper
    Splash,           // splash PIC      -> Splashscreen1Click
    Welcome,          // welcome PIC     -> LoadWelcomeimage
    Overlay,          // overlay PIC     -> LoadImposingEidPic, then the overlay window's activation
    OverlaySet,       // overlay-set KEY=VALUE...  -> Studio::setOverlay
    Effect,           // effect NAME [PIC]
    Strip,            // strip N
    StripColour,      // strip-colour RRGGBB
    Depth,            // depth SLOT=D...
    Build,            // build
    Export,           // export DIR
    ExportAnimation,  // export-animation FILE.gif / FILE.webp
    ExportPoster,     // export-poster FILE.png
};

struct DepthSetting {
    DepthBox box;
    std::string text;  // used verbatim in the command file
};

struct Command {
    CommandKind kind = CommandKind::Build;
    std::string word;            // the command as typed, for messages
    std::filesystem::path path;  // PIC, DIR or FILE; empty when the command takes none
    const MenuEntry* effect = nullptr;
    int stripPosition = 0;
    Color colour = 0;  // 00BBGGRR
    std::vector<DepthSetting> depths;
    OverlayValues overlay;  // overlay-set; what is not given keeps its stored value
};

enum class Mode { Run, Help, List, Version };

struct Invocation {
    Mode mode = Mode::Run;
    std::optional<Language> language;  // --language, over the setting and the desktop
    std::optional<std::filesystem::path> outputFolder;
    std::optional<std::filesystem::path> settingsFile;
    // Empty: the start-up sequence and a build.
    std::vector<Command> commands;
};

// Parses the arguments after the program name.
Invocation parseArguments(std::span<const std::string> arguments);

// What decides the language of the run, read from the options before they are parsed (so that
// even a mistake in them is told in that language): --language when it names one, and the
// --settings file. Never fails: parseArguments tells the mistakes.
struct LanguageOptions {
    std::optional<Language> language;
    std::optional<std::filesystem::path> settingsFile;
};
LanguageOptions scanLanguageOptions(std::span<const std::string> arguments);

std::string helpText();
// The effects with their command-line names, menu paths and tags.
std::string effectListText();
std::string versionText();

}  // namespace felmo::cli
