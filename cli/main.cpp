// felmo-cli: the headless front end of FELMO.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_run.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return felmo::cli::run(arguments, std::cout, std::cerr);
}
