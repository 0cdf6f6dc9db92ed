// The program's version, set once in the top-level CMakeLists.txt (project VERSION) and read here
// by every front end.
#pragma once

#include <string>

namespace felmo {

// major.minor.patch, as the command-line programs print it ("1.6.0").
std::string versionText();

// major.minor with the minor in two digits, as the window captions show it ("1.06").
std::string captionVersion();

}  // namespace felmo
