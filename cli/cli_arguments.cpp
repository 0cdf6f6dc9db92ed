#include "cli/cli_arguments.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <sstream>

#include "base/ascii.hpp"
#include "base/display_text.hpp"
#include "base/version.hpp"
#include "effects/animation_export.hpp"
#include "workspace/command_file.hpp"

namespace felmo::cli {
namespace {

constexpr std::string_view kProgram = "felmo-cli";

struct DepthSlotName {
    std::string_view name;
    DepthBox box;
};
constexpr std::array kDepthSlots = {
    DepthSlotName{"startup", DepthBox::StartUpPictureBit},
    DepthSlotName{"status", DepthBox::BackgroundPictureBit},
    DepthSlotName{"splash", DepthBox::SplashscreenPictureBit},
    DepthSlotName{"welcome", DepthBox::WelcomeimagePictureBit},
};

bool isOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-';
}

std::optional<Language> languageNamed(std::string_view name) {
    if (name == "ru")
        return Language::Russian;
    if (name == "en")
        return Language::English;
    return std::nullopt;
}

// `argument` is `option` or `option=VALUE`.
bool isTheOption(std::string_view argument, std::string_view option) {
    return argument == option ||
           (argument.size() > option.size() && argument.substr(0, option.size()) == option &&
            argument[option.size()] == '=');
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

Color parseColour(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits[0] == '#')
        digits.remove_prefix(1);
    std::array<int, 6> values{};
    bool valid = digits.size() == 6;
    for (std::size_t i = 0; valid && i < 6; ++i) {
        values[i] = hexDigit(digits[i]);
        valid = values[i] >= 0;
    }
    if (!valid)
        throw UsageError("strip-colour: '" + displayText(text) +
                         "' is not a colour; give six hexadecimal digits RRGGBB, e.g. 1E90FF");
    auto byte = [&](int i) { return static_cast<std::uint8_t>(values[i] * 16 + values[i + 1]); };
    return rgb(byte(0), byte(2), byte(4));
}

int parseStripPosition(std::string_view text) {
    int value = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0 || value > 15)
        throw UsageError("strip: '" + displayText(text) +
                         "' is not a slider position; give a whole number from 0 to 15");
    return value;
}

DepthSetting parseDepth(std::string_view token) {
    const std::size_t equals = token.find('=');
    const std::string_view slot = token.substr(0, equals);
    const std::string_view depth = token.substr(equals + 1);
    for (const DepthSlotName& known : kDepthSlots) {
        if (known.name != slot)
            continue;
        if (!isConverterColourDepth(depth))
            throw UsageError(
                "depth: '" + displayText(token) + "' gives no bit depth the converter takes (" +
                converterColourDepthList("or") + "); write e.g. " + displayText(slot) + "=16");
        return DepthSetting{known.box, std::string(depth)};
    }
    throw UsageError("depth: unknown slot '" + displayText(slot) +
                     "'; the slots are startup, status, splash and welcome");
}

// A whole decimal number (optional minus sign); nullopt for anything else.
std::optional<int> wholeNumber(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

[[noreturn]] void overlayMistake(std::string_view token, const std::string& what) {
    throw UsageError("overlay-set: '" + displayText(token) + "': " + what);
}

int sliderValue(std::string_view token, std::string_view text, int max) {
    const std::optional<int> value = wholeNumber(text);
    if (!value || *value < 0 || *value > max)
        overlayMistake(token, "give a whole number from 0 to " + std::to_string(max));
    return *value;
}

OverlayRegion regionValue(std::string_view token, std::string_view text) {
    std::array<int, 4> bounds{};
    std::size_t count = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::optional<int> value = wholeNumber(text.substr(0, comma));
        if (!value || count == bounds.size())
            overlayMistake(token, "give four whole numbers X1,X2,Y1,Y2, e.g. region=40,150,30,60");
        bounds[count++] = *value;
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    if (count != bounds.size())
        overlayMistake(token, "give four whole numbers X1,X2,Y1,Y2, e.g. region=40,150,30,60");
    const OverlayRegion region{bounds[0], bounds[1], bounds[2], bounds[3]};
    if (region.X1 < 0 || region.X1 > region.X2 || region.X2 > kOverlayStripWidth)
        overlayMistake(
            token, "the columns must keep 0 <= X1 <= X2 <= " + std::to_string(kOverlayStripWidth));
    if (region.Y1 < 0 || region.Y1 > region.Y2 || region.Y2 > kOverlayStripHeight)
        overlayMistake(
            token, "the rows must keep 0 <= Y1 <= Y2 <= " + std::to_string(kOverlayStripHeight));
    return region;
}

// One KEY=VALUE of overlay-set into `values`; a key given twice is a mistake.
void readOverlayValue(std::string_view token, OverlayValues& values) {
    const std::size_t equals = token.find('=');
    const std::string_view key = token.substr(0, equals);
    const std::string_view text = token.substr(equals + 1);
    auto once = [&](auto& slot, auto value) {
        if (slot)
            overlayMistake(token, "'" + std::string(key) + "' is given twice");
        slot = value;
    };
    if (key == "alpha") {
        once(values.alpha, sliderValue(token, text, kTrackBarAlphaMax));
    } else if (key == "up") {
        once(values.up, sliderValue(token, text, kEdgeSliderMax));
    } else if (key == "down") {
        once(values.down, sliderValue(token, text, kEdgeSliderMax));
    } else if (key == "left") {
        once(values.left, sliderValue(token, text, kEdgeSliderMax));
    } else if (key == "right") {
        once(values.right, sliderValue(token, text, kEdgeSliderMax));
    } else if (key == "region") {
        once(values.region, regionValue(token, text));
    } else if (key == "keep-background") {
        if (text != "0" && text != "1")
            overlayMistake(token, "give 0 or 1");
        once(values.keepBackground, text == "1");
    } else {
        throw UsageError("overlay-set: unknown key '" + displayText(key) +
                         "'; the keys are alpha, up, down, left, right, region and "
                         "keep-background");
    }
}

// Reads the commands from `position` on.
class CommandReader {
  public:
    CommandReader(std::span<const std::string> arguments, std::size_t position)
        : arguments_(arguments), position_(position) {}

    std::vector<Command> readAll() {
        std::vector<Command> commands;
        while (position_ < arguments_.size())
            commands.push_back(readOne());
        return commands;
    }

  private:
    bool atEnd() const { return position_ >= arguments_.size(); }
    std::string_view peek() const { return arguments_[position_]; }

    std::string_view take(const Command& command, std::string_view what) {
        if (atEnd())
            throw UsageError(command.word + ": missing " + std::string(what));
        std::string_view argument = arguments_[position_++];
        if (argument.empty())
            throw UsageError(command.word + ": the " + std::string(what) + " is empty");
        return argument;
    }

    Command readOne() {
        const std::string_view word = arguments_[position_++];
        if (isOption(word))
            throw UsageError("option '" + displayText(word) +
                             "' after a command; options go before the first command");
        Command command;
        command.word = std::string(word);
        if (word == "background" || word == "splash" || word == "welcome" || word == "overlay") {
            command.kind = word == "background" ? CommandKind::Background
                           : word == "splash"   ? CommandKind::Splash
                           : word == "welcome"  ? CommandKind::Welcome
                                                : CommandKind::Overlay;
            command.path = std::string(take(command, "picture file"));
        } else if (word == "effect") {
            command.kind = CommandKind::Effect;
            const std::string_view name = take(command, "effect name (see --list)");
            command.effect = findEffectByCliName(name);
            if (command.effect == nullptr || !command.effect->handler)
                throw UsageError("effect: unknown effect '" + displayText(name) +
                                 "'; 'felmo-cli --list' shows the effects");
            command.word += " " + std::string(name);
            if (effectAsksForPicture(*command.effect->handler))
                command.path = std::string(take(command, "picture file"));
        } else if (word == "strip") {
            command.kind = CommandKind::Strip;
            command.stripPosition = parseStripPosition(take(command, "slider position 0..15"));
        } else if (word == "strip-colour" || word == "strip-color") {
            command.kind = CommandKind::StripColour;
            command.colour = parseColour(take(command, "colour RRGGBB"));
        } else if (word == "depth") {
            command.kind = CommandKind::Depth;
            while (!atEnd() && peek().find('=') != std::string_view::npos)
                command.depths.push_back(parseDepth(arguments_[position_++]));
            if (command.depths.empty())
                throw UsageError("depth: give at least one SLOT=DEPTH, e.g. startup=24");
        } else if (word == "overlay-set") {
            command.kind = CommandKind::OverlaySet;
            bool any = false;
            while (!atEnd() && peek().find('=') != std::string_view::npos) {
                readOverlayValue(arguments_[position_++], command.overlay);
                any = true;
            }
            if (!any)
                throw UsageError("overlay-set: give at least one KEY=VALUE, e.g. alpha=128");
        } else if (word == "build") {
            command.kind = CommandKind::Build;
        } else if (word == "export") {
            command.kind = CommandKind::Export;
            command.path = std::string(take(command, "folder"));
        } else if (word == "export-animation") {
            command.kind = CommandKind::ExportAnimation;
            command.path = std::string(take(command, "animation file (.gif or .webp)"));
            if (!animationFormatOf(command.path))
                throw UsageError("export-animation: '" + command.path.string() +
                                 "' ends neither in .gif nor in .webp");
        } else if (word == "export-poster") {
            command.kind = CommandKind::ExportPoster;
            command.path = std::string(take(command, "picture file (.png)"));
            const std::string name = command.path.filename().string();
            if (name.size() <= 4 || !endsWithIgnoringAsciiCase(name, ".png"))
                throw UsageError("export-poster: '" + command.path.string() +
                                 "' does not end in .png");
        } else {
            throw UsageError("unknown command '" + displayText(word) + "'");
        }
        return command;
    }

    std::span<const std::string> arguments_;
    std::size_t position_;
};

// "Анимация → Движение → Слева направо" for every entry with a handler, in menu order.
std::vector<std::string> menuPaths() {
    std::vector<std::string> paths;
    std::vector<std::string_view> trail;
    for (const MenuEntry& entry : animationMenu()) {
        trail.resize(static_cast<std::size_t>(entry.level - 1));
        trail.push_back(entry.caption);
        std::string path;
        for (std::string_view caption : trail) {
            if (!path.empty())
                path += " → ";
            path += caption;
        }
        paths.push_back(path);
    }
    return paths;
}

}  // namespace

Invocation parseArguments(std::span<const std::string> arguments) {
    Invocation invocation;
    std::size_t position = 0;
    auto optionValue = [&](std::string_view option) -> std::string {
        const std::string_view argument = arguments[position];
        if (argument.size() > option.size() && argument[option.size()] == '=')
            return std::string(argument.substr(option.size() + 1));
        if (position + 1 >= arguments.size())
            throw UsageError("option " + displayText(option) + " needs a value");
        return arguments[++position];
    };
    auto isTheOptionHere = [&](std::string_view option) {
        return isTheOption(arguments[position], option);
    };

    // --help, --list and --version stand alone, but for the language they speak in.
    std::optional<Mode> only;
    std::string onlyWord;
    bool otherOptions = false;
    for (; position < arguments.size(); ++position) {
        const std::string_view argument = arguments[position];
        if (argument == "--") {
            ++position;
            break;
        }
        if (!isOption(argument))
            break;
        std::optional<Mode> mode;
        if (argument == "--help" || argument == "-h") {
            mode = Mode::Help;
        } else if (argument == "--list") {
            mode = Mode::List;
        } else if (argument == "--version") {
            mode = Mode::Version;
        } else if (isTheOptionHere("--language")) {
            if (invocation.language)
                throw UsageError("--language given twice");
            const std::string value = optionValue("--language");
            invocation.language = languageNamed(value);
            if (!invocation.language)
                throw UsageError("--language takes ru or en, not '" + displayText(value) + "'");
        } else if (isTheOptionHere("--output")) {
            if (invocation.outputFolder)
                throw UsageError("--output given twice");
            const std::string value = optionValue("--output");
            if (value.empty())
                throw UsageError("--output needs a folder");
            invocation.outputFolder = value;
            otherOptions = true;
        } else if (isTheOptionHere("--settings")) {
            if (invocation.settingsFile)
                throw UsageError("--settings given twice");
            const std::string value = optionValue("--settings");
            if (value.empty())
                throw UsageError("--settings needs a file");
            invocation.settingsFile = value;
            otherOptions = true;
        } else {
            throw UsageError("unknown option '" + displayText(argument) + "'");
        }
        if (mode) {
            if (only)
                throw UsageError(onlyWord + " takes no other arguments");
            only = mode;
            onlyWord = displayText(argument);
        }
    }
    if (only) {
        if (otherOptions || position < arguments.size())
            throw UsageError(onlyWord + " takes no other arguments");
        invocation.mode = *only;
        return invocation;
    }
    invocation.commands = CommandReader(arguments, position).readAll();
    return invocation;
}

LanguageOptions scanLanguageOptions(std::span<const std::string> arguments) {
    LanguageOptions found;
    for (std::size_t position = 0; position < arguments.size(); ++position) {
        const std::string_view argument = arguments[position];
        if (argument == "--" || !isOption(argument))
            break;
        const bool language = isTheOption(argument, "--language");
        const bool settings = isTheOption(argument, "--settings");
        if (!language && !settings && !isTheOption(argument, "--output"))
            continue;
        std::string value;
        const std::size_t equals = argument.find('=');
        if (equals != std::string_view::npos)
            value = std::string(argument.substr(equals + 1));
        else if (position + 1 < arguments.size())
            value = arguments[++position];
        if (language && !found.language)
            found.language = languageNamed(value);
        if (settings && !found.settingsFile && !value.empty())
            found.settingsFile = value;
    }
    return found;
}

std::string helpText() {
    std::ostringstream text;
    text
        << "Usage: felmo-cli [--output DIR] [--settings FILE] COMMAND [ARG...] [COMMAND "
           "[ARG...]]...\n"
           "       felmo-cli --list | --help | --version\n"
           "\n"
           "Makes the start-up graphics of a 176 x 208 phone without a window. The program first\n"
           "unpacks the current graphics (the built-in defaults, or the user's .mbm files found "
           "in\n"
           "the output folder), then runs the commands in the order given, each exactly as the\n"
           "matching menu command of the window with PIC chosen in the picture dialog. With no\n"
           "command it unpacks the current graphics and builds the five .mbm files.\n"
           "\n"
           "Options:\n"
           "  --output DIR     the output folder for this run (instead of RoadDirFiles)\n"
           "  --settings FILE  use FILE as the settings file; the command file PackUnpack.txt and\n"
           "                   the converter's working directory move to FILE's folder\n"
           "  --list           list the animation effects with their menu paths and tags\n"
           "  --help           show this help\n"
           "  --version        show the version\n"
           "\n"
           "Commands:\n"
           "  background PIC       load the background picture (EidPic strip and background)\n"
           "  splash PIC           load the splash screen\n"
           "  welcome PIC          load the welcome image\n"
           "  effect NAME [PIC]    make the 12 start-up frames with an effect; PIC for the\n"
           "                       effects that take a new picture (see --list)\n"
           "  strip N              the strip-colour slider position, 0 to 15\n"
           "  strip-colour RRGGBB  a strip colour as chosen in the colour dialog\n"
           "  depth SLOT=D...      bit depth of a slot: startup, status (EidPic and background),\n"
           "                       splash, welcome; D is one of\n"
           "                       " +
               converterColourDepthList("or") +
               "\n"
               "  build                build the five .mbm files into the output folder\n"
               "  export DIR           write the current frames into DIR, by slot folder\n"
               "                       (startup/0.bmp ... startup/11.bmp and every still)\n"
               "  export-animation FILE\n"
               "                       write the 12 start-up frames as an animation to share,\n"
               "                       looping at 1.5 s a cycle: FILE.gif or FILE.webp (lossless)\n"
               "  export-poster FILE.png\n"
               "                       write one picture of the theme to share: the standby\n"
               "                       screen, splash screen, last start-up frame and welcome "
               "image\n"
               "                       side by side, as the build packs them\n"
               "  overlay PIC          load the picture laid over the EidPic strip and compose it\n"
               "                       with the current overlay settings\n"
               "  overlay-set KEY=VALUE...\n"
               "                       set the EidPic overlay, compose it and store the values in\n"
               "                       the settings file; keys: alpha=0..255 (opacity), up, down,\n"
               "                       left, right=0..37 (edge sharpness), region=X1,X2,Y1,Y2\n"
               "                       (0 <= X1 <= X2 <= 176, 0 <= Y1 <= Y2 <= 68),\n"
               "                       keep-background=0/1 (draw the overlay's background colour)\n"
               "\n"
               "PIC is a JPEG, BMP, PNG, GIF or WebP file, recognised by its content.\n"
               "\n"
               "Exit status: 0 when every command succeeded; 1 when one failed (its message on\n"
               "standard error; the commands after it do not run); 2 for a usage error.\n"
               "\n"
               "Example:\n"
               "  felmo-cli --output ~/phone splash sunset.jpg effect zoom-in depth startup=24 "
               "build\n";
    return text.str();
}

std::string effectListText() {
    const std::vector<std::string> paths = menuPaths();
    std::ostringstream text;
    const auto menu = animationMenu();
    auto usage = [](const MenuEntry& entry) {
        std::string name(entry.cliName);
        if (effectAsksForPicture(*entry.handler))
            name += " PIC";
        return name;
    };
    // The menu paths line up two spaces after the longest usage.
    std::size_t column = 0;
    for (const MenuEntry& entry : menu)
        if (entry.handler)
            column = std::max(column, usage(entry).size() + 2);
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const MenuEntry& entry = menu[i];
        if (!entry.handler)
            continue;
        const std::string name = usage(entry);
        text << name << std::string(column - name.size(), ' ');
        text << paths[i];
        if (entry.tag != 0)
            text << "  (tag " << entry.tag << ")";
        text << '\n';
    }
    return text.str();
}

std::string versionText() {
    return std::string(kProgram) + " " + felmo::versionText() + "\n";
}

}  // namespace felmo::cli
