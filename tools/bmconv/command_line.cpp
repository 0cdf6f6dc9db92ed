#include "tools/bmconv/command_line.hpp"

#include <cerrno>
#include <new>
#include <string>

#include "base/display_text.hpp"
#include "base/utf8_path.hpp"
#include "platform/file_io.hpp"

namespace felmo::bmconv {
namespace {

// Command files are a few lines; anything larger is not one.
constexpr std::size_t kMaxCommandFileBytes = std::size_t{1} << 20;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool introducesOption(char c, OptionSyntax syntax) {
    return c == '-' || (c == '/' && syntax == OptionSyntax::Windows);
}

bool isOption(const std::string& token, OptionSyntax syntax) {
    return token.size() > 1 && introducesOption(token[0], syntax);
}

// The option with '-' in front whichever character introduced it: "/u" is "-u".
std::string canonicalOption(const std::string& token) {
    return "-" + token.substr(1);
}

}  // namespace

std::vector<std::string> tokenizeCommandFile(std::string_view text,
                                             const std::filesystem::path& commandFile) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    int lineNumber = 1;
    while (i < text.size()) {
        if (isSpace(text[i])) {
            lineNumber += text[i] == '\n' ? 1 : 0;
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
            if (quoted && (text[i] == '\n' || text[i] == '\r'))
                break;
            if (text[i] == '"')
                quoted = !quoted;
            else
                token += text[i];
        }
        // A quoted stretch ends on its own line: a path never holds a line break, and a quote
        // left open would swallow every argument after it.
        if (quoted)
            throw ConverterError(Failure::BadCommandFile, utf8FromPath(commandFile),
                                 "Line " + std::to_string(lineNumber) +
                                     ": a double quote is not closed on that line.");
        tokens.push_back(std::move(token));
    }
    return tokens;
}

PackSource parsePackSource(const std::string& token, OptionSyntax syntax) {
    if (token.empty() || !introducesOption(token[0], syntax))
        return PackSource{BitmapMode{2, ColorKind::Grey}, pathFromUtf8(token)};
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
    return PackSource{mode, pathFromUtf8(std::string_view(token).substr(pathStart))};
}

Command parseTokens(const std::vector<std::string>& tokens, bool fromCommandFile,
                    const std::filesystem::path& commandFile, OptionSyntax syntax) {
    auto malformed = [&](const std::string& problem) {
        return fromCommandFile
                   ? ConverterError(Failure::BadCommandFile, utf8FromPath(commandFile), problem)
                   : ConverterError(Failure::Usage, "", problem);
    };
    Command command;
    std::size_t i = 0;
    bool unpack = false;
    bool list = false;
    for (; i < tokens.size() && isOption(tokens[i], syntax); ++i) {
        const std::string option = canonicalOption(tokens[i]);
        if (option == "-u")
            unpack = true;
        else if (option == "-v")
            list = true;
        else if (option == "-n")
            command.storage = MbmStorage::Uncompressed;
        else if (option == "-q")
            command.quiet = true;
        else
            throw malformed("Unknown option " + displayText(tokens[i]) + ".");
    }
    if (unpack && list)
        throw malformed("-u and -v cannot be used together.");
    if (i == tokens.size())
        throw malformed("No multi-bitmap file is named.");
    command.mbmPath = pathFromUtf8(tokens[i++]);

    if (list) {
        command.action = Action::List;
        if (i != tokens.size())
            throw malformed("-v takes one multi-bitmap file only.");
    } else if (unpack) {
        command.action = Action::Unpack;
        for (; i < tokens.size(); ++i)
            command.targets.push_back(pathFromUtf8(tokens[i]));
        if (command.targets.empty())
            throw malformed("No bitmap file to unpack into is named.");
    } else {
        command.action = Action::Pack;
        for (; i < tokens.size(); ++i)
            command.sources.push_back(parsePackSource(tokens[i], syntax));
        if (command.sources.empty())
            throw malformed("No bitmap file to pack is named.");
    }
    return command;
}

Command parseArguments(const std::vector<std::string>& arguments, OptionSyntax syntax) {
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
        if (!isOption(only, syntax)) {
            const std::filesystem::path commandFile = pathFromUtf8(only);
            std::error_code ignored;
            if (!std::filesystem::exists(commandFile, ignored))
                throw ConverterError(Failure::FileDoesNotExist, utf8FromPath(commandFile));
            std::vector<std::uint8_t> bytes;
            try {
                bytes = readWholeFile(commandFile, kMaxCommandFileBytes);
            } catch (const Error& error) {
                throw ConverterError(Failure::BadCommandFile, "", error.what());
            }
            const std::string text(bytes.begin(), bytes.end());
            return parseTokens(tokenizeCommandFile(text, commandFile), true, commandFile, syntax);
        }
    }
    if (arguments.empty())
        throw ConverterError(Failure::Usage, "", "No arguments.");
    return parseTokens(arguments, false, {}, syntax);
}

}  // namespace felmo::bmconv
