// The converter's arguments: from the command line or from a command file, into one Command.
//
//   bmconv [-n] [-q] epocfile [OPT]bmp_1 ... [OPT]bmp_n     pack
//   bmconv [-q] -u epocfile bmp_1 [... bmp_n]                unpack
//   bmconv [-q] -v epocfile                                  list the bitmaps
//   bmconv commandfile                                       the same arguments, from a file
//
// OPT is glued to the file name: -c4 -c8 -c12 -c16 -c24 -c32 colour, -1 -2 -4 -8 grey; without
// it a bitmap is 2 bpp grey. On POSIX only '-' introduces an option, since paths begin with '/';
// on Windows '/' does too (/u, /c16C:\...), as in the command files written there.
// A command file holds the tokens separated by any white space (space, tab, CR, LF); "//" at
// the start of a token comments out the rest of the line, and double quotes keep white space
// inside a token. A double quote must be closed on the line where it opens: a quote left open
// at a line break or at the end of the file makes the file malformed (the message names the
// line), so that it cannot swallow the arguments after it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "mbm/mbm_format.hpp"
#include "mbm/mbm_writer.hpp"
#include "tools/bmconv/converter_error.hpp"

namespace felmo::bmconv {

enum class Action { Pack, Unpack, List, Help, Version };

// Which characters introduce an option.
enum class OptionSyntax {
    Posix,    // '-'
    Windows,  // '-' or '/'
};
#ifdef _WIN32
inline constexpr OptionSyntax kHostOptionSyntax = OptionSyntax::Windows;
#else
inline constexpr OptionSyntax kHostOptionSyntax = OptionSyntax::Posix;
#endif

struct PackSource {
    BitmapMode mode;
    std::filesystem::path path;
};

struct Command {
    Action action = Action::Pack;
    bool quiet = false;
    MbmStorage storage = MbmStorage::Compressed;
    std::filesystem::path mbmPath;
    std::vector<PackSource> sources;             // pack
    std::vector<std::filesystem::path> targets;  // unpack
};

// Splits the text of a command file into its tokens. Throws ConverterError (BadCommandFile, naming
// `commandFile` and the line) for a double quote not closed on its line.
std::vector<std::string> tokenizeCommandFile(std::string_view text,
                                             const std::filesystem::path& commandFile = {});

// Parses one token of the form [OPT]path into a pack source. Throws ConverterError
// (InvalidBitmapMode, or BadSourceFile when no path follows the option).
PackSource parsePackSource(const std::string& token, OptionSyntax syntax = kHostOptionSyntax);

// Parses the process arguments (without the program name). One argument that is not an option
// names a command file, which is read and parsed in its place. Throws ConverterError: Usage for
// malformed command lines, BadCommandFile for malformed command files, and the failures of
// parsePackSource.
// Tokens and file names are UTF-8.
Command parseArguments(const std::vector<std::string>& arguments,
                       OptionSyntax syntax = kHostOptionSyntax);

// Parses tokens already split; `fromCommandFile` decides whether a malformed list is a usage
// error or a bad command file.
Command parseTokens(const std::vector<std::string>& tokens, bool fromCommandFile,
                    const std::filesystem::path& commandFile = {},
                    OptionSyntax syntax = kHostOptionSyntax);

}  // namespace felmo::bmconv
