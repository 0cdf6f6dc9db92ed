// felmo-cli's one entry point: parses the arguments, runs the session and returns the exit status
// (0 every command succeeded, 1 a command failed, 2 a usage error).
#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace felmo::cli {

// `arguments` are those after the program name. Notices and listings go to `out`, messages about
// failures and usage to `err`.
int run(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace felmo::cli
