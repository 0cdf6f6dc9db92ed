#include "tools/bmconv/command_line.hpp"

#include <cerrno>
#include <new>

#include "base/display_text.hpp"
#include "base/file_io.hpp"

namespace felmo::bmconv {
namespace {

// Command files are a few lines; anything larger is not one.
constexpr std::size_t kMaxCommandFileBytes = std::size_t{1} << 20;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isOption(const std::string& token) {
    return token.size() > 1 && token[0] == '-';
}

}  // namespace

std::vector<std::string> tokenizeCommandFile(std::string_view text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isSpace(text[i])) {
            ++i;
            continue;
        }
        if (text.substr(i, 2) == "//") {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        std::string token;
        bool quoted = false;
        for (; i < text.size() && (quoted || !isSpace(text[i])); ++i) {
            if (text[i] == '"')
                quoted = !quoted;
            else
                token += text[i];
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

PackSource parsePackSource(const std::string& token) {
    if (token.empty() || token[0] != '-')
        return PackSource{BitmapMode{2, ColorKind::Grey}, token};
    BitmapMode mode;
    std::size_t pathStart = 0;
    if (token.size() >= 2 && token[1] == 'c') {
        mode.color = ColorKind::Color;
        const std::string twoDigits = token.substr(2, 2);
        if (twoDigits == "12" || twoDigits == "16" || twoDigits == "24" || twoDigits == "32") {
            mode.bitsPerPixel = std::stoi(twoDigits);
            pathStart = 4;
        } else if (token.size() >= 3 && (token[2] == '4' || token[2] == '8')) {
            mode.bitsPerPixel = token[2] - '0';
            pathStart = 3;
        } else {
            throw ConverterError(Failure::InvalidBitmapMode, token);
        }
    } else if (token.size() >= 2 &&
               (token[1] == '1' || token[1] == '2' || token[1] == '4' || token[1] == '8')) {
        mode = BitmapMode{token[1] - '0', ColorKind::Grey};
        pathStart = 2;
    } else {
        throw ConverterError(Failure::InvalidBitmapMode, token);
    }
    if (pathStart >= token.size())
        throw ConverterError(Failure::BadSourceFile, token, "No file name follows the option.");
    return PackSource{mode, token.substr(pathStart)};
}

Command parseTokens(const std::vector<std::string>& tokens, bool fromCommandFile,
                    const std::filesystem::path& commandFile) {
    auto malformed = [&](const std::string& problem) {
        return fromCommandFile
                   ? ConverterError(Failure::BadCommandFile, commandFile.string(), problem)
                   : ConverterError(Failure::Usage, "", problem);
    };
    Command command;
    std::size_t i = 0;
    bool unpack = false;
    bool list = false;
    for (; i < tokens.size() && isOption(tokens[i]); ++i) {
        const std::string& option = tokens[i];
        if (option == "-u")
            unpack = true;
        else if (option == "-v")
            list = true;
        else if (option == "-n")
            command.storage = MbmStorage::Uncompressed;
        else if (option == "-q")
            command.quiet = true;
        else
            throw malformed("Unknown option " + displayText(option) + ".");
    }
    if (unpack && list)
        throw malformed("-u and -v cannot be used together.");
    if (i == tokens.size())
        throw malformed("No multi-bitmap file is named.");
    command.mbmPath = tokens[i++];

    if (list) {
        command.action = Action::List;
        if (i != tokens.size())
            throw malformed("-v takes one multi-bitmap file only.");
    } else if (unpack) {
        command.action = Action::Unpack;
        for (; i < tokens.size(); ++i)
            command.targets.emplace_back(tokens[i]);
        if (command.targets.empty())
            throw malformed("No bitmap file to unpack into is named.");
    } else {
        command.action = Action::Pack;
        for (; i < tokens.size(); ++i)
            command.sources.push_back(parsePackSource(tokens[i]));
        if (command.sources.empty())
            throw malformed("No bitmap file to pack is named.");
    }
    return command;
}

Command parseArguments(const std::vector<std::string>& arguments) {
    if (arguments.size() == 1) {
        const std::string& only = arguments[0];
        Command informative;
        if (only == "--help" || only == "-h") {
            informative.action = Action::Help;
            return informative;
        }
        if (only == "--version") {
            informative.action = Action::Version;
            return informative;
        }
        if (!isOption(only)) {
            const std::filesystem::path commandFile = only;
            std::error_code ignored;
            if (!std::filesystem::exists(commandFile, ignored))
                throw ConverterError(Failure::FileDoesNotExist, commandFile.string());
            std::vector<std::uint8_t> bytes;
            try {
                bytes = readWholeFile(commandFile, kMaxCommandFileBytes);
            } catch (const Error& error) {
                throw ConverterError(Failure::BadCommandFile, "", error.what());
            }
            const std::string text(bytes.begin(), bytes.end());
            return parseTokens(tokenizeCommandFile(text), true, commandFile);
        }
    }
    if (arguments.empty())
        throw ConverterError(Failure::Usage, "", "No arguments.");
    return parseTokens(arguments, false);
}

}  // namespace felmo::bmconv
