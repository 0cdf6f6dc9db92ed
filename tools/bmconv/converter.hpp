// The converter's three jobs and the whole run of the program.
//
// Every job checks all its input before it writes anything, writes each output file under a
// temporary name in its folder and renames it when complete, and on failure removes only what
// this run created: a file that existed before stays as it was. An output that is a folder, FIFO,
// device or socket is refused and left alone; a symbolic link stays a link.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/bmconv/command_line.hpp"

namespace felmo::bmconv {

// Packs the BMP sources into the multi-bitmap file, in order. Throws ConverterError.
void pack(const Command& command);

// Writes bitmap i of the multi-bitmap file to target i: all of them complete under temporary
// names first, then renamed into place in order, so the last target appears last. More targets than
// bitmaps is an error found before anything is written; fewer unpack the first bitmaps only. Throws
// ConverterError.
void unpack(const Command& command);

// Prints one line for the file and one line per bitmap (size, twips, depth, storage and the
// compressed share). Throws ConverterError.
void list(const Command& command, std::ostream& out);

// The whole program: parses the arguments, runs the job, prints "Success." (unless -q) on `out`
// or one line naming the file and the reason on `err`. Returns the exit status: 0 success,
// 1 failure, 2 malformed command line.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace felmo::bmconv
