// Build-time tool for the embedded default graphics.
//
//   felmo_generate_defaults draw DIR       draws every frame as DIR/<slot>/<k>.bmp and writes the
//                                          converter command file DIR/<slot>.txt for each slot
//   felmo_generate_defaults embed OUT DIR  writes OUT, a C++ source holding DIR/<slot>.mbm
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "resources/default_graphics.hpp"
#include "workspace/slot_table.hpp"

namespace felmo::defaults {
namespace {

namespace fs = std::filesystem;

void draw(const fs::path& folder) {
    for (const SlotGraphics& slot : drawDefaultGraphics()) {
        fs::create_directories(folder / slot.slotName);
        // The pack command file as the application writes it, quiet.
        std::string commands = "-q\r\n" + (folder / (slot.slotName + ".mbm")).string() + "\r\n";
        for (std::size_t k = 0; k < slot.frames.size(); ++k) {
            const fs::path file = folder / slot.slotName / (std::to_string(k) + ".bmp");
            saveBmpFile(slot.frames[k].picture, file);
            commands += slot.frames[k].packOption + file.string() + "\r\n";
        }
        const std::string name = (folder / (slot.slotName + ".txt")).string();
        writeFileAtomically(
            name, {reinterpret_cast<const std::uint8_t*>(commands.data()), commands.size()});
    }
}

void embed(const fs::path& output, const fs::path& folder) {
    std::string source =
        "// Made at build time from the five default .mbm files; not kept in the repository.\n"
        "#include \"resources/embedded_files.hpp\"\n\n"
        "namespace felmo::embedded {\nnamespace {\n\n";
    static const char kHex[] = "0123456789abcdef";
    for (int i = 0; i < kSlotCount; ++i) {
        const std::vector<std::uint8_t> bytes =
            readWholeFile(folder / (std::string(slotAt(i).name) + ".mbm"));
        source += "const char kFile" + std::to_string(i) + "[] =";
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            if (at % 24 == 0)
                source += "\n    \"";
            source += "\\x";
            source += kHex[bytes[at] >> 4];
            source += kHex[bytes[at] & 15];
            if (at % 24 == 23 || at + 1 == bytes.size())
                source += "\"";
        }
        source += ";\n\n";
    }
    source += "}  // namespace\n\nconst EmbeddedFile kEmbeddedFiles[kEmbeddedFileCount] = {\n";
    for (int i = 0; i < kSlotCount; ++i) {
        const std::string name = "kFile" + std::to_string(i);
        source += "    {\"" + std::string(slotAt(i).name) + "\", " + name + ", sizeof " + name +
                  " - 1},\n";
    }
    source += "};\n\n}  // namespace felmo::embedded\n";
    writeFileAtomically(output,
                        {reinterpret_cast<const std::uint8_t*>(source.data()), source.size()});
}

}  // namespace
}  // namespace felmo::defaults

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "draw" && argc == 3) {
            felmo::defaults::draw(argv[2]);
        } else if (mode == "embed" && argc == 4) {
            felmo::defaults::embed(argv[2], argv[3]);
        } else {
            std::cerr << "usage: felmo_generate_defaults draw DIR | embed OUT.cpp DIR\n";
            return 2;
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "felmo_generate_defaults: " << error.what() << "\n";
        return 1;
    }
}
