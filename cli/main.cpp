// felmo-cli: the headless front end of FELMO.
#include <iostream>

#include "cli/cli_run.hpp"
#include "platform/program_start.hpp"

int main(int argc, char** argv) {
    felmo::prepareStandardStreams();
    return felmo::cli::run(felmo::programArguments(argc, argv), std::cout, std::cerr);
}
