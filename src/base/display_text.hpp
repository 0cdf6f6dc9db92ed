// Text from outside the program (a file's content, an argument, the environment, a file name)
// made safe to show in a message: control bytes and bytes that are not valid UTF-8 appear as
// \xNN escapes, so nothing reaches a terminal as a command, and a long text is cut, ending in
// "…", so one hostile token cannot flood the screen.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace felmo {

inline constexpr std::size_t kMaxDisplayCharacters = 200;

// At most maxCharacters characters (an escape counts as its four), then "…" when cut.
std::string displayText(std::string_view raw, std::size_t maxCharacters = kMaxDisplayCharacters);

}  // namespace felmo
