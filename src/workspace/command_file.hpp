// The converter command file PackUnpack.txt: one argument per line, every line (the last included)
// ended by CR LF, UTF-8. It is written anew for every converter run, in the program directory.
//
// For a slot N with last frame index L:
//   unpack   line 1: " -u " + WorkDir + N + ".mbm"   (the leading space is part of the line)
//            lines 2 ... L+2: WorkDir + N + "/" + k + ".bmp", k = 0 ... L
//   pack     line 1: WorkDir + "NewMbmFiles/" + N + ".mbm"
//            lines 2 ... L+2: "-c" + D + WorkDir + N + "/" + k + ".bmp", D the depth text
//
// The converter splits the file at blanks (space, tab, CR, LF, VT, FF); a stretch in double
// quotes is not split and loses its quotes, and must close on its own line (an unclosed quote
// makes the file malformed); "//" at the start of a token comments out the rest of its line. So
// every path is written as one token: in double quotes when it holds a blank or begins with
// "//", as it is otherwise. A path holding a double quote, CR, LF or NUL cannot be
// written at all and is refused (checkCommandFilePath).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/slot_table.hpp"

namespace felmo {

// The colour depths the converter takes after "-c", as they are written. A depth text becomes
// one converter option and nothing else, so only these exact texts are accepted: not "08",
// "+16", " 16", nor anything else that would carry more into the command file.
inline constexpr std::array<std::string_view, 6> kConverterColourDepths = {"4",  "8",  "12",
                                                                           "16", "24", "32"};
bool isConverterColourDepth(std::string_view depthText);
// "4, 8, 12, 16, 24 или 32": the list for messages and help texts, in `lastJoin`'s language.
std::string converterColourDepthList(std::string_view lastJoin);
// Throws felmo::Error showing the text when it is not one of kConverterColourDepths.
void checkColourDepthText(std::string_view depthText);

// Throws felmo::Error naming the path when the command file cannot carry it.
void checkCommandFilePath(std::string_view path);
// The path as one command-file token, quoted where needed (checkCommandFilePath first).
std::string commandFileToken(std::string_view path);

std::vector<std::string> unpackCommandLines(std::string_view workDir, const MbmSlot& slot);
// Throws felmo::Error (checkColourDepthText) before building anything for a wrong depth text.
std::vector<std::string> packCommandLines(std::string_view workDir, const MbmSlot& slot,
                                          std::string_view depthText);

// The file's bytes: each line followed by CR LF. A line holding CR, LF or NUL would split the
// file into other arguments and is refused with felmo::Error.
std::string commandFileText(const std::vector<std::string>& lines);

// Writes commandFileText(lines) to programDirectory + "PackUnpack.txt", atomically. Errors are
// felmo::Error "Cannot create file ...".
void writeCommandFile(std::string_view programDirectory, const std::vector<std::string>& lines);

// Deletes programDirectory + "PackUnpack.txt"; a missing file is fine.
void deleteCommandFile(std::string_view programDirectory);

// The lines as the program writes them on Windows, where unpackCommandLines and packCommandLines
// give these: " /u ", "/c", backslashes, each path one token as above, and the pack target as a
// whole path (WorkDir + "NewMbmFiles\N.mbm"), since WorkDir is in the user's own temporary folder.
namespace windows_command_file {
std::vector<std::string> unpackCommandLines(std::string_view workDir, const MbmSlot& slot);
std::vector<std::string> packCommandLines(std::string_view workDir, const MbmSlot& slot,
                                          std::string_view depthText);
}  // namespace windows_command_file

}  // namespace felmo
