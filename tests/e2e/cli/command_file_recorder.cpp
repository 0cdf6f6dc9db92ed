// Stands in for the converter in the whole-program tests: keeps a copy of every command file it is
// given, then runs the real converter on it in the same folder and ends as that run ended.
//   FELMO_RECORD_FOLDER   where the copies go, as 1.txt, 2.txt, ... in the order of the runs
//   FELMO_REAL_CONVERTER  the converter that does the work
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "base/utf8_path.hpp"
#include "platform/child_process.hpp"
#include "platform/file_io.hpp"
#include "platform/file_system.hpp"
#include "platform/places.hpp"
#include "platform/program_start.hpp"

int main(int argc, char** argv) {
    felmo::prepareStandardStreams();
    const std::vector<std::string> arguments = felmo::programArguments(argc, argv);
    const std::string folder = felmo::environmentVariable("FELMO_RECORD_FOLDER");
    const std::string converter = felmo::environmentVariable("FELMO_REAL_CONVERTER");
    if (arguments.size() != 1 || folder.empty() || converter.empty()) {
        std::fprintf(stderr,
                     "usage: FELMO_RECORD_FOLDER=DIR FELMO_REAL_CONVERTER=PROGRAM %s FILE\n",
                     argc > 0 ? argv[0] : "command_file_recorder");
        return 2;
    }
    try {
        const std::filesystem::path copies = felmo::pathFromUtf8(folder);
        int run = 1;
        while (felmo::pathExists(copies / (std::to_string(run) + ".txt")))
            ++run;
        felmo::copyFileAtomically(felmo::pathFromUtf8(arguments[0]),
                                  copies / (std::to_string(run) + ".txt"));
        felmo::ChildProcessOptions options;
        options.standardOutput = felmo::ChildProcessOptions::Output::Inherit;
        options.standardError = felmo::ChildProcessOptions::Output::Inherit;
        felmo::ChildProcess child = felmo::ChildProcess::start(converter, arguments, options);
        const std::optional<felmo::ChildExit> ended = child.wait();
        return ended && ended->statusKnown ? ended->status : 1;
    } catch (const felmo::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
