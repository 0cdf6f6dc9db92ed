// bmconv: packs BMP files into multi-bitmap (.mbm) files and unpacks them again.
#include <iostream>
#include <string>
#include <vector>

#include "tools/bmconv/converter.hpp"

int main(int argc, char** argv) {
    return felmo::bmconv::run(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                              std::cerr);
}
