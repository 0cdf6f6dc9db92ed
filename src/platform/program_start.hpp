// What a command-line program sets up before anything else: its arguments as UTF-8 text, and
// standard output and error that pass the program's bytes through unchanged.
#pragma once

#include <string>
#include <vector>

namespace felmo {

// The arguments after the program's name, as UTF-8. On POSIX they are argv as given. On Windows
// they come from the wide command line, so that a file name outside the ANSI code page (a
// Cyrillic folder on a Western system) reaches the program whole.
std::vector<std::string> programArguments(int argc, char** argv);

// On Windows standard output and error are switched to binary, so that a line ends in "\n" as
// written, never "\r\n", and text passed on from another program keeps its own line ends
// instead of getting a second CR; a console shows UTF-8 while the program runs. Nothing to do on
// POSIX.
void prepareStandardStreams();

}  // namespace felmo
