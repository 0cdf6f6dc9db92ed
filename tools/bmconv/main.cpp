// bmconv: packs BMP files into multi-bitmap (.mbm) files and unpacks them again.
#include <iostream>

#include "platform/program_start.hpp"
#include "tools/bmconv/converter.hpp"

int main(int argc, char** argv) {
    felmo::prepareStandardStreams();
    return felmo::bmconv::run(felmo::programArguments(argc, argv), std::cout, std::cerr);
}
