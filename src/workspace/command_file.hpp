// The converter command file PackUnpack.txt: one argument per line, every line (the last included)
// ended by CR LF, UTF-8. It is written anew for every converter run, in the program directory.
//
// For a slot N with last frame index L:
//   unpack   line 1: " -u " + WorkDir + N + ".mbm"   (the leading space is part of the line)
//            lines 2 ... L+2: WorkDir + N + "/" + k + ".bmp", k = 0 ... L
//   pack     line 1: WorkDir + "NewMbmFiles/" + N + ".mbm"
//            lines 2 ... L+2: "-c" + D + WorkDir + N + "/" + k + ".bmp", D the depth text as typed
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "workspace/slot_table.hpp"

namespace felmo {

std::vector<std::string> unpackCommandLines(std::string_view workDir, const MbmSlot& slot);
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

// The same lines in the original Windows form (" /u ", "/c", backslashes, and the pack target as a
// path from the root of the drive: "\Temp\Temp_FELMO\NewMbmFiles\N.mbm").
namespace windows_command_file {
std::vector<std::string> unpackCommandLines(std::string_view workDir, const MbmSlot& slot);
std::vector<std::string> packCommandLines(std::string_view workDir, const MbmSlot& slot,
                                          std::string_view depthText);
}  // namespace windows_command_file

}  // namespace felmo
