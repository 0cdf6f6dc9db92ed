// The command-file tokenizer and parser on arbitrary text: they may refuse it, never crash. And a
// path the program writes into a command file is read back as exactly that one path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/error.hpp"
#include "tools/bmconv/command_line.hpp"
#include "workspace/command_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        felmo::bmconv::parseTokens(felmo::bmconv::tokenizeCommandFile(text), true, "fuzz.txt");
    } catch (const felmo::Error&) {
    }

    const std::string path = "/" + std::string(text);
    try {
        const std::string line = felmo::commandFileToken(path) + "\r\n";
        const auto tokens = felmo::bmconv::tokenizeCommandFile(line);
        if (tokens.size() != 1 || tokens[0] != path)
            std::abort();
    } catch (const felmo::Error&) {
        // A path the command file cannot carry is refused before it is written.
    }
    return 0;
}
