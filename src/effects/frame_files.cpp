#include "effects/frame_files.hpp"

#include <string>

#include "base/error.hpp"
#include "raster/bmp.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {

std::filesystem::path frameFilePath(const std::filesystem::path& workDir, int k) {
    if (k < 0 || k > kLastFrame)
        throw Error("There is no start-up frame " + std::to_string(k) + " (frames are 0 to 11).");
    const std::string_view slotName = kSlotTable[kStartupSlot].name;
    return workDir / std::string(slotName) / (std::to_string(k) + ".bmp");
}

void SaveFrame(Raster& surface, const std::filesystem::path& workDir, int k) {
    const std::filesystem::path path = frameFilePath(workDir, k);
    surface.convertTo24Bit();
    saveBmpFile(surface, path);
}

void SaveFrame(Image& surface, const std::filesystem::path& workDir, int k) {
    SaveFrame(surface.canvas().raster(), workDir, k);
}

}  // namespace felmo
